// trimPathSeparators.
#include "server/settings/PathSeparators.h"

#include <cstring>

namespace {
bool isSeparator(char character) {
    return character == '/' || character == '\\';
}
} // namespace

char* trimPathSeparators(char* text) {
    char* start = text;
    while (isSeparator(*start))
        ++start;
    if (*start == '\0')
        start = text;
    size_t length = std::strlen(text);
    while (length > 0 && isSeparator(text[length - 1]))
        text[--length] = '\0';
    return start;
}
