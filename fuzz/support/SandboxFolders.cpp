// The sandbox of folders that fuzz targets work in, and its check that nothing outside the root moved.
#include "support/SandboxFolders.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Files up to this size are compared by content; larger ones (the fuzz programs beside the web
// content) by size and last-write time.
constexpr std::uintmax_t COMPARED_CONTENT_LIMIT = 64 * 1024;

// One line per entry, sorted: path, kind, and the content or link target. Does not follow links.
std::string describeTree(const std::string& folder) {
    std::vector<std::string> lines;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        fs::file_status status = fs::symlink_status(path, error);
        std::string line = path.string() + " ";
        if (fs::is_symlink(status))
            line += "link " + fs::read_symlink(path, error).string();
        else if (fs::is_directory(status))
            line += "folder";
        else if (fs::is_regular_file(status) && fs::file_size(path, error) <= COMPARED_CONTENT_LIMIT)
            line += "file " + readFile(path.string());
        else if (fs::is_regular_file(status))
            line += "file of " + std::to_string(fs::file_size(path, error)) + " bytes written at " +
                    std::to_string(fs::last_write_time(path, error).time_since_epoch().count());
        else
            line += "other";
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::string listNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names)
        text += name + "\n";
    return text;
}

} // namespace

SandboxFolders::SandboxFolders() {
    // In memory when the machine has a tmpfs: every input empties and refills the root, and a disk
    // file system would spend most of the time flushing files that were cut and rewritten.
    std::error_code error;
    std::string parent = fs::is_directory("/dev/shm", error) ? "/dev/shm" : "/tmp";
    std::string pattern = parent + "/kelvane-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    baseFolder = pattern;
    rootFolder = baseFolder + "/root";
    outsideFolder = baseFolder + "/outside";
    fs::create_directories(outsideFolder + "/folder");
    writeFile(outsideFolder + "/secret.txt", "outside the root\n");
    writeFile(outsideFolder + "/folder/inner.txt", "also outside\n");
    writeFile(registryFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Kelvane]\r\n"
                              "\"UsePass\"=dword:00000001\r\n\"Password\"=\"secret\"\r\n"
                              "\"DInitPath\"=\"\\\\Desktop\\\\\"\r\n\"PInitPath\"=\"My Documents\"\r\n");
    resetRoot();
    baseRecord = listNames(baseFolder);
    watch(outsideFolder);
    // A path taken relative to the working folder would land outside the root. A working folder
    // that starts empty (scripts/ci-fuzz.sh gives each target one) must stay empty.
    if (fs::is_empty(fs::current_path(), error))
        watch(fs::current_path().string());
}

SandboxFolders::~SandboxFolders() {
    std::error_code error;
    fs::remove_all(baseFolder, error);
}

void SandboxFolders::watch(const std::string& folder) {
    watched.emplace_back(folder, describeTree(folder));
}

void SandboxFolders::resetRoot() {
    std::error_code error;
    fs::remove_all(rootFolder, error);
    fs::create_directories(rootFolder + "/folder/deeper");
    writeFile(rootFolder + "/a.txt", "hello\n");
    writeFile(rootFolder + "/folder/b.bin", std::string(3000, 'b'));
    writeFile(rootFolder + "/.hidden", "hidden\n");
    fs::create_symlink("../outside", rootFolder + "/escape", error);
    fs::create_symlink(outsideFolder + "/secret.txt", rootFolder + "/absolute", error);
    fs::create_symlink("../../outside/folder", rootFolder + "/folder/up", error);
}

void SandboxFolders::checkUntouched() const {
    if (listNames(baseFolder) != baseRecord) {
        std::fprintf(stderr, "the folder around the root changed:\n%s", listNames(baseFolder).c_str());
        std::abort();
    }
    for (const auto& [folder, record] : watched) {
        std::string now = describeTree(folder);
        if (now != record) {
            std::fprintf(stderr, "%s changed:\nbefore:\n%s\nafter:\n%s", folder.c_str(), record.c_str(),
                         now.c_str());
            std::abort();
        }
    }
}
