// toWide and toNarrow over the platform's code-page conversion.
#include "server/http/TextConversion.h"

#include "platform/TextCodePage.h"

#include <cstring>
#include <new>
#include <string>

int32_t toWide(const char* text, std::unique_ptr<char16_t[]>& result) {
    result.reset();
    if (text == nullptr)
        return 0;
    size_t length = std::strlen(text);
    std::unique_ptr<char16_t[]> buffer(new (std::nothrow) char16_t[length + 1]);
    if (!buffer)
        return E_OUTOFMEMORY_STATUS;
    long written = platform::narrowToWide(text, length, buffer.get(), length);
    if (written < 0)
        return E_OUTOFMEMORY_STATUS;
    buffer[static_cast<size_t>(written)] = u'\0';
    result = std::move(buffer);
    return 0;
}

int32_t toNarrow(const char16_t* text, std::unique_ptr<char[]>& result) {
    result.reset();
    if (text == nullptr)
        return 0;
    size_t length = std::char_traits<char16_t>::length(text);
    // Three bytes for each UTF-16 unit: a character of the first plane may take three bytes in
    // the narrow form, so two bytes per unit would not always be enough.
    size_t capacity = length * platform::NARROW_UNITS_PER_WIDE + 1;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[capacity]);
    if (!buffer)
        return E_OUTOFMEMORY_STATUS;
    long written = platform::wideToNarrow(text, length, buffer.get(), capacity - 1);
    if (written < 0)
        return E_OUTOFMEMORY_STATUS;
    buffer[static_cast<size_t>(written)] = '\0';
    result = std::move(buffer);
    return 0;
}
