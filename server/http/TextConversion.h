// Conversion between narrow protocol text (the system code page) and UTF-16 file and window text.
#pragma once

#include <cstdint>
#include <memory>

inline constexpr int32_t E_OUTOFMEMORY_STATUS = static_cast<int32_t>(0x8007000E);

// Converts NUL-terminated narrow text into a newly allocated NUL-terminated UTF-16 text. Returns 0
// and sets result, or an error status with result null. A null text gives a null result and 0.
int32_t toWide(const char* text, std::unique_ptr<char16_t[]>& result);

// The same in the other direction.
int32_t toNarrow(const char16_t* text, std::unique_ptr<char[]>& result);
