// Path line helpers shared by the file commands.
#include "server/commands/CommandPaths.h"

#include "server/http/TextConversion.h"
#include "server/net/Connection.h"
#include "server/ui/ServerApp.h"

#include <string>

bool readPathLine(Connection& connection, PathLine& line) {
    line.length = connection.readLine(line.text, PATH_LINE_SIZE);
    return line.length >= 0;
}

std::unique_ptr<char16_t[]> toWidePath(const PathLine& line) {
    std::unique_ptr<char16_t[]> wide;
    toWide(line.text, wide);
    return wide;
}

const char* rootFolderOf(const Connection& connection) {
    return connection.app->options.rootFolder.c_str();
}

bool joinPath(BuiltPath& result, const char16_t* folder, const char16_t* name) {
    size_t folderLength = std::char_traits<char16_t>::length(folder);
    size_t nameLength = std::char_traits<char16_t>::length(name);
    if (folderLength + 1 + nameLength + 1 > platform::MAX_PATH_UNITS)
        return false;
    std::char_traits<char16_t>::copy(result, folder, folderLength);
    result[folderLength] = u'\\';
    std::char_traits<char16_t>::copy(result + folderLength + 1, name, nameLength);
    result[folderLength + 1 + nameLength] = u'\0';
    return true;
}
