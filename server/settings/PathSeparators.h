// Removal of the separators that surround a stored initial folder.
#pragma once

// Works in place on single bytes; a separator is '/' or '\'. Overwrites the trailing separators
// with NUL and returns the text from the first byte that is not a separator (the start of text
// when there is none). Separators inside the text stay; a text of separators only becomes empty.
char* trimPathSeparators(char* text);
