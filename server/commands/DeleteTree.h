// Removal of a folder with everything in it.
#pragma once

#include <cstdint>

// Deletes the folder path (UTF-16, under root) depth first: files (and links, pipes, devices) are
// deleted, sub-folders walked, then the folder itself is removed. Returns 1 when the folder was
// removed; 0 when something could not be deleted or a path would not fit in MAX_PATH_UNITS: the
// walk stops there and what was deleted stays deleted. Each level of nesting takes a small, fixed
// amount of stack, and the path limit bounds the nesting to about 130 levels.
int32_t deleteTree(const char* root, const char16_t* path);
