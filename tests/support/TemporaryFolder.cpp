// Temporary folders and small file helpers for tests.
#include "tests/support/TemporaryFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

TemporaryFolder::TemporaryFolder() {
    char pattern[] = "/tmp/kelvane-test-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    folder = made != nullptr ? made : "";
}

TemporaryFolder::~TemporaryFolder() {
    if (folder.empty())
        return;
    std::error_code ignored;
    // Folders a test made unreadable must become removable again.
    for (auto it = std::filesystem::recursive_directory_iterator(
             folder, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(folder, ignored);
}

bool writeTextFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}
