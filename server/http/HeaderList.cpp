// Header parsing, look-up, reading and writing.
#include "server/http/HeaderList.h"

#include "server/net/Connection.h"

#include <cstring>
#include <new>

namespace {

// Copies text into a buffer of size bytes, cut to fit, always terminated.
template <size_t size>
void copyCut(char (&buffer)[size], const char* text) {
    size_t length = strnlen(text, size - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

} // namespace

HeaderList::~HeaderList() {
    clear();
}

void HeaderList::parseHeaderLine(const char* line, HeaderEntry& entry) {
    const char* colon = std::strchr(line, ':');
    if (colon == nullptr) {
        copyCut(entry.name, line);
        entry.value[0] = '\0';
        return;
    }
    size_t nameLength = static_cast<size_t>(colon - line);
    if (nameLength > sizeof entry.name - 1)
        nameLength = sizeof entry.name - 1;
    std::memcpy(entry.name, line, nameLength);
    entry.name[nameLength] = '\0';
    // Exactly one space after the colon separates; a second one belongs to the value.
    const char* value = colon + 1;
    if (*value == ' ')
        ++value;
    copyCut(entry.value, value);
}

int32_t HeaderList::addLine(const char* line) {
    auto* entry = new (std::nothrow) HeaderEntry;
    if (entry == nullptr)
        return 0;
    parseHeaderLine(line, *entry);
    if (count == capacity) {
        auto* larger = new (std::nothrow) HeaderEntry*[static_cast<size_t>(capacity + HEADER_GROWTH)];
        if (larger == nullptr) {
            delete entry;
            return 0;
        }
        for (int32_t i = 0; i < count; ++i)
            larger[i] = items[i];
        delete[] items;
        items = larger;
        capacity += HEADER_GROWTH;
    }
    items[count++] = entry;
    return 1;
}

namespace {
bool equalIgnoringAsciiCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char left = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        char right = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (left != right)
            return false;
    }
    return *a == *b;
}
} // namespace

const char* HeaderList::findValue(const char* name) const {
    for (int32_t i = 0; i < count; ++i)
        if (equalIgnoringAsciiCase(items[i]->name, name))
            return items[i]->value;
    return nullptr;
}

int32_t HeaderList::readHeaders() {
    char line[HEADER_LINE_SIZE];
    for (;;) {
        int32_t result = connection->readLine(line, sizeof line);
        if (result < 0)
            return -1;
        if (result == 0)
            return 0;
        addLine(line);
    }
}

int32_t HeaderList::writeHeaders() {
    // Whole lines are gathered into one buffer so that a reply header leaves in one send; the
    // bytes on the wire are the same as sending each piece alone.
    char buffer[4096];
    size_t used = 0;
    auto flush = [&]() -> bool {
        if (used == 0)
            return true;
        int64_t sent = connection->sendAll(buffer, static_cast<int64_t>(used));
        used = 0;
        return sent >= 0;
    };
    auto append = [&](const char* text, size_t length) -> bool {
        while (length > 0) {
            if (used == sizeof buffer && !flush())
                return false;
            size_t piece = sizeof buffer - used < length ? sizeof buffer - used : length;
            std::memcpy(buffer + used, text, piece);
            used += piece;
            text += piece;
            length -= piece;
        }
        return true;
    };
    int32_t sentEntries = 0;
    bool failed = false;
    for (; sentEntries < count && !failed; ++sentEntries) {
        HeaderEntry* entry = items[sentEntries];
        failed = !append(entry->name, std::strlen(entry->name)) || !append(": ", 2) ||
                 !append(entry->value, std::strlen(entry->value)) || !append("\r\n", 2);
    }
    if (!failed)
        failed = !append("\r\n", 2) || !flush();
    if (failed) {
        // Entries that were handed to the socket are released; the rest stay until the next clear.
        int32_t released = sentEntries > 0 ? sentEntries - 1 : 0;
        for (int32_t i = 0; i < released; ++i)
            delete items[i];
        for (int32_t i = released; i < count; ++i)
            items[i - released] = items[i];
        count -= released;
        return -1;
    }
    for (int32_t i = 0; i < count; ++i)
        delete items[i];
    delete[] items;
    items = nullptr;
    capacity = 0;
    count = 0;
    return 1;
}

void HeaderList::clear() {
    for (int32_t i = 0; i < count; ++i)
        delete items[i];
    delete[] items;
    items = nullptr;
    capacity = 0;
    count = 0;
}
