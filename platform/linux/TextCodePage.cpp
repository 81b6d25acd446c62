// UTF-8 <-> UTF-16 conversion: the narrow code page of this platform is UTF-8.
#include "platform/TextCodePage.h"

#include <cstdint>

namespace platform {

namespace {

constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

// Decodes one UTF-8 sequence starting at text[0] into value; sets used to the bytes it took.
// False when the sequence is malformed (used is then 1, or the length of the overlong or
// out-of-range sequence).
bool decodeUtf8(const unsigned char* text, size_t available, char32_t& value, size_t& used) {
    unsigned char lead = text[0];
    used = 1;
    value = lead;
    if (lead < 0x80)
        return true;
    size_t extra;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (extra >= available)
        return false;
    for (size_t i = 1; i <= extra; ++i) {
        if ((text[i] & 0xC0) != 0x80)
            return false;
        value = (value << 6) | (text[i] & 0x3F);
    }
    used = extra + 1;
    return value >= minimum && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
}

} // namespace

long narrowToWide(const char* text, size_t length, char16_t* output, size_t capacity) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t written = 0;
    for (size_t position = 0; position < length;) {
        size_t used = 1;
        char32_t character;
        if (!decodeUtf8(bytes + position, length - position, character, used))
            character = REPLACEMENT_CHARACTER;
        position += used;
        if (character >= 0x10000) {
            if (written + 2 > capacity)
                return -1;
            character -= 0x10000;
            output[written++] = static_cast<char16_t>(0xD800 + (character >> 10));
            output[written++] = static_cast<char16_t>(0xDC00 + (character & 0x3FF));
        } else {
            if (written + 1 > capacity)
                return -1;
            output[written++] = static_cast<char16_t>(character);
        }
    }
    return static_cast<long>(written);
}

bool isValidUtf8(const char* text, size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (size_t position = 0; position < length;) {
        size_t used = 1;
        char32_t character;
        if (!decodeUtf8(bytes + position, length - position, character, used))
            return false;
        position += used;
    }
    return true;
}

long wideToNarrow(const char16_t* text, size_t length, char* output, size_t capacity) {
    size_t written = 0;
    auto put = [&](unsigned value) {
        output[written++] = static_cast<char>(static_cast<unsigned char>(value));
    };
    for (size_t position = 0; position < length; ++position) {
        char32_t character = text[position];
        if (character >= 0xD800 && character <= 0xDBFF && position + 1 < length &&
            text[position + 1] >= 0xDC00 && text[position + 1] <= 0xDFFF) {
            character = 0x10000 + ((character - 0xD800) << 10) + (text[position + 1] - 0xDC00);
            ++position;
        } else if (character >= 0xD800 && character <= 0xDFFF) {
            character = '?';
        }
        size_t need = character < 0x80 ? 1 : character < 0x800 ? 2 : character < 0x10000 ? 3 : 4;
        if (written + need > capacity)
            return -1;
        if (need == 1) {
            put(character);
        } else if (need == 2) {
            put(0xC0 | (character >> 6));
            put(0x80 | (character & 0x3F));
        } else if (need == 3) {
            put(0xE0 | (character >> 12));
            put(0x80 | ((character >> 6) & 0x3F));
            put(0x80 | (character & 0x3F));
        } else {
            put(0xF0 | (character >> 18));
            put(0x80 | ((character >> 12) & 0x3F));
            put(0x80 | ((character >> 6) & 0x3F));
            put(0x80 | (character & 0x3F));
        }
    }
    return static_cast<long>(written);
}

} // namespace platform
