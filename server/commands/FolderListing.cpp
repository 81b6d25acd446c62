// The folder listing (3001): one record per visible entry, streamed as the folder is read.
#include "server/commands/FolderListing.h"

#include "server/commands/CommandHandler.h"
#include "server/commands/CommandPaths.h"
#include "server/http/TextConversion.h"
#include "server/net/Connection.h"

#include <cstring>
#include <memory>

namespace {

constexpr uint32_t KIND_FOLDER = 4;
constexpr uint32_t KIND_FILE = 3;

bool isListed(const platform::FindData& entry) {
    if ((entry.attributes & (platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_SYSTEM)) != 0)
        return false;
    return std::char_traits<char16_t>::compare(entry.name, u".", 2) != 0 &&
           std::char_traits<char16_t>::compare(entry.name, u"..", 3) != 0;
}

} // namespace

bool FolderRecordWriter::flush() {
    if (used == 0)
        return true;
    int64_t count = static_cast<int64_t>(used);
    used = 0;
    return connection.sendAll(buffer, count) == count;
}

bool FolderRecordWriter::append(const void* data, size_t size) {
    if (used + size > BUFFER_SIZE && !flush())
        return false;
    std::memcpy(buffer + used, data, size);
    used += size;
    return true;
}

bool FolderRecordWriter::appendWord(uint32_t value) {
    unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                              static_cast<unsigned char>(value >> 16),
                              static_cast<unsigned char>(value >> 24)};
    return append(bytes, sizeof bytes);
}

int32_t FolderRecordWriter::sendFolderEntry(const platform::FindData& entry) {
    std::unique_ptr<char[]> name;
    toNarrow(entry.name, name);
    if (!name)
        return 1;
    size_t length = std::strlen(name.get());
    if (length + 1 > LISTED_NAME_SIZE)
        return 1;
    // A record never straddles a failed send: the name and its five words go into the buffer
    // together, and a send that fails ends the listing.
    bool taken =
        append(name.get(), length + 1) &&
        appendWord((entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0 ? KIND_FOLDER : KIND_FILE) &&
        appendWord(entry.sizeHigh) && appendWord(entry.sizeLow) &&
        appendWord(static_cast<uint32_t>(entry.lastWriteTime >> 32)) &&
        appendWord(static_cast<uint32_t>(entry.lastWriteTime));
    return taken ? 1 : -1;
}

void CommandHandler::listFolder(Connection& connection) {
    PathLine line;
    if (!readPathLine(connection, line))
        return;
    if (connection.writeResponseHeader(200, CMD_FOLDER_LISTING, 0) < 0)
        return;
    // The empty line lists the root; any other path gets "\*.*" added. A path that does not
    // convert or leaves no room for the pattern gives the header alone, like an empty folder.
    BuiltPath pattern;
    if (line.text[0] == '\0') {
        std::char_traits<char16_t>::copy(pattern, u"*.*", 4);
    } else {
        std::unique_ptr<char16_t[]> path = toWidePath(line);
        if (!path || !joinPath(pattern, path.get(), u"*.*"))
            return;
    }
    platform::FindData entry;
    platform::FindHandle search = platform::findFirstFile(rootFolderOf(connection), pattern, entry);
    if (search == nullptr)
        return;
    FolderRecordWriter records(connection);
    bool sending = true;
    do {
        if (isListed(entry) && records.sendFolderEntry(entry) < 0)
            sending = false;
    } while (sending && platform::findNextFile(search, entry));
    if (sending)
        records.flush();
    platform::findClose(search);
}
