// Delete file (3009), delete folder (3010), create folder (3011), free space (3012), move (3014).
#include "server/commands/CommandHandler.h"
#include "server/commands/CommandPaths.h"
#include "server/commands/DeleteTree.h"
#include "server/net/Connection.h"

#include <string>

namespace {

bool isSeparator(char16_t unit) {
    return unit == u'\\' || unit == u'/';
}

// True when the path's last component is "." or "..": such a path names no folder that could be
// removed by name, so nothing inside it is deleted either.
bool endsInDotComponent(const char16_t* path) {
    size_t end = std::char_traits<char16_t>::length(path);
    while (end > 0 && isSeparator(path[end - 1]))
        --end;
    size_t start = end;
    while (start > 0 && !isSeparator(path[start - 1]))
        --start;
    std::u16string_view last(path + start, end - start);
    return last == u"." || last == u"..";
}

} // namespace

void CommandHandler::deleteFile(Connection& connection) {
    PathLine line;
    if (!readPathLine(connection, line))
        return;
    if (connection.writeResponseHeader(200, 0, 0) < 0)
        return;
    std::unique_ptr<char16_t[]> path = toWidePath(line);
    bool deleted = path && platform::deleteFile(rootFolderOf(connection), path.get());
    connection.sendWord(deleted ? RESULT_OK : RESULT_FAILED);
}

void CommandHandler::deleteFolder(Connection& connection) {
    PathLine line;
    if (!readPathLine(connection, line))
        return;
    if (connection.writeResponseHeader(200, 0, 0) < 0)
        return;
    std::unique_ptr<char16_t[]> path = toWidePath(line);
    const char* root = rootFolderOf(connection);
    // The root itself is never deleted, whether it is named by the empty line or in another form
    // ("\", "a\.."); nor is anything reached through a last component "." or "..".
    if (!path || path[0] == u'\0' || endsInDotComponent(path.get()) ||
        platform::isRootFolder(root, path.get())) {
        connection.sendWord(RESULT_FAILED);
        return;
    }
    connection.sendWord(deleteTree(root, path.get()) == 1 ? RESULT_OK : RESULT_FAILED);
}

void CommandHandler::createFolder(Connection& connection) {
    PathLine line;
    if (!readPathLine(connection, line))
        return;
    std::unique_ptr<char16_t[]> path = toWidePath(line);
    // The folder is made whether or not the header could be sent.
    connection.writeResponseHeader(200, 0, 0);
    const char* root = rootFolderOf(connection);
    if (!path) {
        connection.sendWord(RESULT_FAILED);
        return;
    }
    platform::FindData found;
    platform::FindHandle search = platform::findFirstFile(root, path.get(), found);
    if (search != nullptr) {
        platform::findClose(search);
        bool isFolder = (found.attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0;
        connection.sendWord(isFolder ? RESULT_EXISTS_FOLDER : RESULT_EXISTS_FILE);
        return;
    }
    connection.sendWord(platform::createDirectory(root, path.get()) ? RESULT_OK : RESULT_FAILED);
}

void CommandHandler::checkDiskSpace(Connection& connection) {
    PathLine line;
    if (!readPathLine(connection, line))
        return;
    std::unique_ptr<char16_t[]> path = toWidePath(line);
    // Free space that cannot be read (a missing path, ...) is sent as 0.
    uint64_t freeBytes = 0;
    if (!path || !platform::diskFreeSpace(rootFolderOf(connection), path.get(), freeBytes))
        freeBytes = 0;
    connection.writeResponseHeader(200, 0, 0);
    unsigned char bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<unsigned char>(freeBytes >> (8 * i));
    connection.sendAll(bytes, sizeof bytes);
}

void CommandHandler::moveItem(Connection& connection) {
    PathLine existing, newPath;
    if (!readPathLine(connection, existing) || !readPathLine(connection, newPath))
        return;
    if (connection.writeResponseHeader(200, 0, 0) < 0)
        return;
    std::unique_ptr<char16_t[]> from = toWidePath(existing);
    std::unique_ptr<char16_t[]> to = toWidePath(newPath);
    bool moved = from && to && platform::moveFile(rootFolderOf(connection), from.get(), to.get());
    connection.sendWord(moved ? 1 : 0);
}
