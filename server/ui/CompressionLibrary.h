// The optional compression library and its two entries.
#pragma once

inline const char* const COMPRESSION_LIBRARY_NAME = "libquodra.so";

// Loads the library (a bare name from the program's folder first) and looks up "Decompress", then
// "Compress". Missing library or entries leave the entry pointers null; the program then runs
// without compression.
void loadCompressionLibrary(const char* fileName = COMPRESSION_LIBRARY_NAME);

// Clears the entry pointers and releases the library once no worker can be using it.
void releaseCompressionLibrary();
