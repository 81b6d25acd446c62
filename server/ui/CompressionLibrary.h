// The optional compression library and its two entries.
#pragma once

// Loads the library (the program's folder first) and looks up "Decompress", then "Compress".
// Missing library or entries leave the entry pointers null; the program runs without compression.
void loadCompressionLibrary();

// Clears the entry pointers and releases the library once no worker can be using it.
void releaseCompressionLibrary();
