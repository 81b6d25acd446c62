// deleteTree: the depth-first walk that empties and removes a folder.
#include "server/commands/DeleteTree.h"

#include "server/commands/CommandPaths.h"

#include <memory>
#include <new>

namespace {

// What one level of the walk holds; kept off the stack so that deep trees need little of it.
struct Level {
    BuiltPath pattern;
    platform::FindData entry;
    BuiltPath entryPath;
};

bool isSelfOrParent(const char16_t* name) {
    return std::char_traits<char16_t>::compare(name, u".", 2) == 0 ||
           std::char_traits<char16_t>::compare(name, u"..", 3) == 0;
}

// Deletes every entry of the folder; false at the first one that cannot be deleted.
bool deleteContent(const char* root, const char16_t* path, Level& level) {
    if (!joinPath(level.pattern, path, u"*.*"))
        return false;
    platform::FindHandle search = platform::findFirstFile(root, level.pattern, level.entry);
    if (search == nullptr)
        return true; // empty or missing: the removal below decides
    bool deleted = true;
    do {
        if (isSelfOrParent(level.entry.name))
            continue;
        bool isFolder = (level.entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0;
        deleted =
            joinPath(level.entryPath, path, level.entry.name) &&
            (isFolder ? deleteTree(root, level.entryPath) == 1 : platform::deleteFile(root, level.entryPath));
    } while (deleted && platform::findNextFile(search, level.entry));
    platform::findClose(search);
    return deleted;
}

} // namespace

int32_t deleteTree(const char* root, const char16_t* path) {
    std::unique_ptr<Level> level(new (std::nothrow) Level);
    if (!level || !deleteContent(root, path, *level))
        return 0;
    level.reset();
    return platform::removeDirectory(root, path) ? 1 : 0;
}
