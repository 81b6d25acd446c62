// Conversion between the system's narrow code page (UTF-8 here) and UTF-16.
#pragma once

#include <cstddef>

namespace platform {

// Narrow units that one UTF-16 unit may need at most (a character outside the first plane takes
// two UTF-16 units and four narrow bytes, so three per unit covers every case).
inline constexpr size_t NARROW_UNITS_PER_WIDE = 3;

// Converts length narrow bytes into UTF-16. Malformed sequences become U+FFFD. Returns the number
// of UTF-16 units written, or -1 when output cannot hold them. length + 1 units always suffice
// for length bytes.
long narrowToWide(const char* text, size_t length, char16_t* output, size_t capacity);

// True when the length bytes are well-formed UTF-8 (no overlong forms, surrogates or values
// beyond U+10FFFF).
bool isValidUtf8(const char* text, size_t length);

// Converts length UTF-16 units into narrow text. An unpaired surrogate becomes '?'. Returns the
// number of bytes written, or -1 when output cannot hold them.
long wideToNarrow(const char16_t* text, size_t length, char* output, size_t capacity);

} // namespace platform
