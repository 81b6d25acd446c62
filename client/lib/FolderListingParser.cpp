// Incremental parsing of folder listing records.
#include "client/lib/FolderListingParser.h"

#include "client/lib/FileTime.h"
#include "client/lib/WireFormat.h"

#include <algorithm>
#include <cstring>

namespace kelvane::client {

namespace {
constexpr size_t RECORD_WORD_BYTES = 5 * 4;
}

std::chrono::system_clock::time_point FolderEntry::lastWrite() const {
    return fileTimeToSystemTime(lastWriteTime);
}

bool FolderListingParser::feed(const char* data, size_t size) {
    size_t position = 0;
    while (position < size && !broken) {
        if (!inWords) {
            const void* nul = std::memchr(data + position, '\0', size - position);
            size_t end = nul ? static_cast<size_t>(static_cast<const char*>(nul) - data) : size;
            if (name.size() + (end - position) > MAX_NAME_LENGTH) {
                broken = true;
                break;
            }
            name.append(data + position, end - position);
            position = end;
            if (nul) {
                ++position;
                inWords = true;
            }
            continue;
        }
        size_t take = std::min(RECORD_WORD_BYTES - wordBytes.size(), size - position);
        wordBytes.append(data + position, take);
        position += take;
        if (wordBytes.size() == RECORD_WORD_BYTES) {
            const char* words = wordBytes.data();
            FolderEntry entry;
            entry.name = std::move(name);
            entry.kindWord = decodeWord(words);
            entry.size = joinHighLow(decodeWord(words + 4), decodeWord(words + 8));
            entry.lastWriteTime = joinHighLow(decodeWord(words + 12), decodeWord(words + 16));
            name.clear();
            wordBytes.clear();
            inWords = false;
            ++count;
            deliver(entry);
        }
    }
    return !broken;
}

} // namespace kelvane::client
