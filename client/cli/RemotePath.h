// Splitting the server's paths, whose separators are "\" and "/".
#pragma once

#include <string>
#include <string_view>

namespace kelvane::cli {

struct RemotePathParts {
    std::string parent; // the folder's path as the listing command takes it ("" for the top folder)
    std::string name;   // the last component
};

// "a\b\c.txt" gives {"a\b", "c.txt"}; "c.txt" and "\c.txt" give {"", "c.txt"}.
RemotePathParts splitRemotePath(std::string_view path);

// True when the path ends with a separator or is empty: it names a folder to put a file into.
bool namesFolder(std::string_view path);

// The last component of a local path ("dir/file" gives "file").
std::string localBaseName(std::string_view path);

} // namespace kelvane::cli
