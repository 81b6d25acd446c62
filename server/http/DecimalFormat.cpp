// Decimal conversion helpers of the reply framing.
#include "server/http/DecimalFormat.h"

#include <limits>

void formatDecimal64(int64_t value, char* text) {
    static const char digits[] = "0123456789";
    char reversed[20];
    int length = 0;
    // Digits come out least significant first and are reversed afterwards.
    while (value > 0) {
        reversed[length++] = digits[value % 10];
        value /= 10;
    }
    for (int i = 0; i < length; ++i)
        text[i] = reversed[length - 1 - i];
    text[length] = '\0';
}

int64_t parseDecimal64(const char* text) {
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' || *text == '\v')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    // Accumulate as a negative number so that the smallest value fits too.
    int64_t result = 0;
    const int64_t lowest = std::numeric_limits<int64_t>::min();
    for (; *text >= '0' && *text <= '9'; ++text) {
        int digit = *text - '0';
        if (result < (lowest + digit) / 10) {
            result = lowest;
            while (*text >= '0' && *text <= '9')
                ++text;
            break;
        }
        result = result * 10 - digit;
    }
    if (negative)
        return result;
    return result == lowest ? std::numeric_limits<int64_t>::max() : -result;
}

int32_t parseDecimal32(const char* text) {
    int64_t value = parseDecimal64(text);
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}
