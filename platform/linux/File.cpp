// Confined read-only file access with openat2(RESOLVE_BENEATH).
#include "platform/File.h"

#include "platform/TextCodePage.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

// UTF-16 path to a UTF-8 string with '/' as the only separator; false when it cannot be converted.
bool toNativePath(const char16_t* path, std::string& native) {
    size_t length = std::char_traits<char16_t>::length(path);
    native.resize(length * NARROW_UNITS_PER_WIDE + 1);
    long written = wideToNarrow(path, length, native.data(), native.size());
    if (written < 0)
        return false;
    native.resize(static_cast<size_t>(written));
    if (native.find('\0') != std::string::npos)
        return false;
    for (char& character : native)
        if (character == '\\')
            character = '/';
    return true;
}

int openBeneath(int folder, const std::string& relative) {
    open_how how{};
    how.flags = O_RDONLY | O_CLOEXEC | O_NOCTTY;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    long result;
    do {
        result = ::syscall(SYS_openat2, folder, relative.c_str(), &how, sizeof how);
    } while (result < 0 && errno == EINTR);
    return static_cast<int>(result);
}

} // namespace

FileHandle openFileForReading(const char16_t* path, const char16_t* confinedTo) {
    std::string native;
    if (!toNativePath(path, native) || native.empty())
        return INVALID_FILE_HANDLE;
    int file;
    if (confinedTo == nullptr) {
        file = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    } else {
        std::string folderPath;
        if (!toNativePath(confinedTo, folderPath) || folderPath.empty())
            return INVALID_FILE_HANDLE;
        if (native.compare(0, folderPath.size(), folderPath) != 0)
            return INVALID_FILE_HANDLE;
        std::string relative = native.substr(folderPath.size());
        size_t start = relative.find_first_not_of('/');
        if (start == std::string::npos)
            return INVALID_FILE_HANDLE;
        relative.erase(0, start);
        int folder = ::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0)
            return INVALID_FILE_HANDLE;
        file = openBeneath(folder, relative);
        ::close(folder);
    }
    if (file < 0)
        return INVALID_FILE_HANDLE;
    struct stat status {};
    if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(file);
        return INVALID_FILE_HANDLE;
    }
    return file;
}

long readFile(FileHandle file, void* buffer, size_t size) {
    for (;;) {
        ssize_t result = ::read(file, buffer, size);
        if (result < 0 && errno == EINTR)
            continue;
        return result < 0 ? -1 : static_cast<long>(result);
    }
}

int64_t fileSizeOf(FileHandle file) {
    struct stat status {};
    if (::fstat(file, &status) != 0)
        return -1;
    return static_cast<int64_t>(status.st_size);
}

void closeFile(FileHandle file) {
    if (file >= 0)
        ::close(file);
}

} // namespace platform
