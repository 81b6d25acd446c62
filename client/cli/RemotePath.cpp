// Remote and local path splitting.
#include "client/cli/RemotePath.h"

namespace kelvane::cli {

namespace {
bool isSeparator(char c) {
    return c == '\\' || c == '/';
}
} // namespace

RemotePathParts splitRemotePath(std::string_view path) {
    size_t last = path.find_last_of("\\/");
    if (last == std::string_view::npos)
        return {"", std::string(path)};
    std::string_view parent = path.substr(0, last);
    // Trailing separators of the parent ("a\\b") add nothing; a parent of separators only is the top.
    while (!parent.empty() && isSeparator(parent.back()))
        parent.remove_suffix(1);
    return {std::string(parent), std::string(path.substr(last + 1))};
}

bool namesFolder(std::string_view path) {
    return path.empty() || isSeparator(path.back());
}

std::string localBaseName(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    size_t last = path.find_last_of('/');
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

} // namespace kelvane::cli
