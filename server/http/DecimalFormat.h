// Decimal text of 64-bit lengths for reply headers.
#pragma once

#include <cstdint>

// Writes the decimal digits of a positive value, most significant first, no sign, no leading
// zeros, followed by NUL. text needs room for 20 bytes. A value of 0 or less gives empty text.
void formatDecimal64(int64_t value, char* text);

// The standard text-to-integer rule: optional white space and sign, then digits up to the first
// other character; no digits gives 0. Values beyond the type's range saturate at its limits.
int64_t parseDecimal64(const char* text);
int32_t parseDecimal32(const char* text);
