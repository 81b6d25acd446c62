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

int32_t sendFolderEntry(Connection& connection, const platform::FindData& entry) {
    std::unique_ptr<char[]> name;
    toNarrow(entry.name, name);
    if (!name)
        return 1;
    int64_t length = static_cast<int64_t>(std::strlen(name.get()));
    if (length + 1 > static_cast<int64_t>(LISTED_NAME_SIZE))
        return 1;
    if (connection.sendAll(name.get(), length + 1) != length + 1)
        return -1;
    connection.sendWord((entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0 ? KIND_FOLDER
                                                                                     : KIND_FILE);
    connection.sendWord(entry.sizeHigh);
    connection.sendWord(entry.sizeLow);
    connection.sendWord(static_cast<uint32_t>(entry.lastWriteTime >> 32));
    connection.sendWord(static_cast<uint32_t>(entry.lastWriteTime));
    return 1;
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
    do {
        if (isListed(entry) && sendFolderEntry(connection, entry) < 0)
            break;
    } while (platform::findNextFile(search, entry));
    platform::findClose(search);
}
