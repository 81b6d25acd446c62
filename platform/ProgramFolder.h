// The full file name of the running program.
#pragma once

#include <cstddef>

namespace platform {

// Writes the program's full file name (UTF-16, NUL-terminated) into path. Returns its length, or
// -1 when it cannot be found or does not fit in capacity units.
long programFileName(char16_t* path, size_t capacity);

} // namespace platform
