// The root-folder file system: every path resolved with openat2(RESOLVE_IN_ROOT).
#include "platform/FileSystem.h"

#include "platform/TextCodePage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

struct FolderEnumeration {
    DIR* folder = nullptr; // null for the lookup of one named entry
    std::string pattern;
};

namespace {

// Seconds from 1 January 1601 to 1 January 1970.
constexpr int64_t SECONDS_1601_TO_1970 = 11644473600LL;
constexpr uint64_t FILE_TIME_UNITS_PER_SECOND = 10000000ULL;

// Owns one descriptor.
class Descriptor {
  public:
    explicit Descriptor(int value = -1) : fd(value) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void reset(int value) {
        if (fd >= 0)
            ::close(fd);
        fd = value;
    }
    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    int release() {
        int value = fd;
        fd = -1;
        return value;
    }

  private:
    int fd;
};

// UTF-16 path to UTF-8 with '/' as the only separator; false when it is too long.
bool toNativePath(const char16_t* path, std::string& native) {
    size_t length = std::char_traits<char16_t>::length(path);
    if (length >= MAX_PATH_UNITS)
        return false;
    native.resize(length * NARROW_UNITS_PER_WIDE + 1);
    long written = wideToNarrow(path, length, native.data(), native.size());
    if (written < 0)
        return false;
    native.resize(static_cast<size_t>(written));
    for (char& character : native)
        if (character == '\\')
            character = '/';
    return true;
}

int openRoot(const char* root) {
    return ::open(root, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// Opens relative (the empty text: the root itself) under the root; "..", absolute paths and
// symbolic links are all resolved as if the root were the top of the file system.
int openInRoot(int rootFolder, const std::string& relative, uint64_t flags, uint64_t mode = 0) {
    open_how how{};
    how.flags = flags | O_CLOEXEC;
    how.mode = mode;
    how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
    const char* path = relative.empty() ? "." : relative.c_str();
    long result;
    do {
        result = ::syscall(SYS_openat2, rootFolder, path, &how, sizeof how);
    } while (result < 0 && errno == EINTR);
    return static_cast<int>(result);
}

// Splits a native path into its folder part and its last component, dropping trailing
// separators. False when there is no last component that could be acted on by name: the path
// names the root, or ends in "." or "..".
bool splitLast(std::string native, std::string& folder, std::string& name) {
    while (!native.empty() && native.back() == '/')
        native.pop_back();
    if (native.empty())
        return false;
    size_t separator = native.rfind('/');
    if (separator == std::string::npos) {
        folder.clear();
        name = native;
    } else {
        folder = separator == 0 ? "/" : native.substr(0, separator);
        name = native.substr(separator + 1);
    }
    return name != "." && name != "..";
}

// The folder that holds the path's last component, opened under the root, and that component.
struct Parent {
    Descriptor rootFolder;
    Descriptor folder;
    std::string name;
};

bool openParent(const char* root, const char16_t* path, Parent& parent) {
    std::string native, folderPath;
    if (!toNativePath(path, native) || !splitLast(native, folderPath, parent.name))
        return false;
    parent.rootFolder.reset(openRoot(root));
    if (!parent.rootFolder.valid())
        return false;
    parent.folder.reset(openInRoot(parent.rootFolder.get(), folderPath, O_PATH | O_DIRECTORY));
    return parent.folder.valid();
}

bool openResolved(const char* root, const char16_t* path, uint64_t flags, Descriptor& result) {
    std::string native;
    if (!toNativePath(path, native))
        return false;
    Descriptor rootFolder(openRoot(root));
    if (!rootFolder.valid())
        return false;
    result.reset(openInRoot(rootFolder.get(), native, flags));
    return result.valid();
}

bool hasWildcard(const std::string& text) {
    return text.find_first_of("*?") != std::string::npos;
}

char lowerAscii(char character) {
    return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a') : character;
}

// '*' any run of characters, '?' one character, letters compared without case; "*.*" matches
// every name, as on the handheld.
bool matchesPattern(const char* pattern, const char* name) {
    if (std::strcmp(pattern, "*.*") == 0)
        return true;
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern != '\0' && lowerAscii(*pattern) == lowerAscii(*name))) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

uint64_t toFileTime(const timespec& time) {
    if (time.tv_sec < -SECONDS_1601_TO_1970)
        return 0;
    uint64_t seconds = static_cast<uint64_t>(time.tv_sec + SECONDS_1601_TO_1970);
    if (seconds > (UINT64_MAX - FILE_TIME_UNITS_PER_SECOND) / FILE_TIME_UNITS_PER_SECOND)
        return UINT64_MAX;
    return seconds * FILE_TIME_UNITS_PER_SECOND + static_cast<uint64_t>(time.tv_nsec) / 100;
}

// Describes the entry name inside folder, without following a symbolic link. False when it is gone.
// "." and ".." are described without looking at them: ".." of the root lies outside it.
bool describeEntry(int folder, const char* name, FindData& data) {
    struct stat status {};
    bool selfOrParent = std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
    if (selfOrParent)
        status.st_mode = S_IFDIR;
    else if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    long units = narrowToWide(name, std::strlen(name), data.name, MAX_PATH_UNITS - 1);
    if (units < 0)
        return false;
    data.name[units] = u'\0';
    bool isFolder = S_ISDIR(status.st_mode);
    uint32_t attributes = 0;
    if (isFolder)
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if (!S_ISREG(status.st_mode))
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    if (name[0] == '.')
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    data.attributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    uint64_t size = isFolder ? 0 : static_cast<uint64_t>(status.st_size);
    data.sizeHigh = static_cast<uint32_t>(size >> 32);
    data.sizeLow = static_cast<uint32_t>(size);
    data.lastWriteTime = toFileTime(status.st_mtim);
    return true;
}

bool nextMatch(FolderEnumeration& enumeration, FindData& data) {
    if (enumeration.folder == nullptr)
        return false;
    for (;;) {
        errno = 0;
        dirent* entry = ::readdir(enumeration.folder);
        if (entry == nullptr)
            return false;
        if (matchesPattern(enumeration.pattern.c_str(), entry->d_name) &&
            describeEntry(::dirfd(enumeration.folder), entry->d_name, data))
            return true;
    }
}

} // namespace

FindHandle findFirstFile(const char* root, const char16_t* pattern, FindData& data) {
    std::string native;
    if (!toNativePath(pattern, native))
        return nullptr;
    size_t separator = native.rfind('/');
    std::string folderPath = separator == std::string::npos ? "" : native.substr(0, separator + 1);
    std::string last = separator == std::string::npos ? native : native.substr(separator + 1);
    if (last.empty())
        return nullptr;
    Descriptor rootFolder(openRoot(root));
    if (!rootFolder.valid())
        return nullptr;
    if (!hasWildcard(last)) {
        // One named entry: looked up in its folder without following it.
        if (last == "." || last == "..")
            return nullptr;
        Descriptor folder(openInRoot(rootFolder.get(), folderPath, O_PATH | O_DIRECTORY));
        if (!folder.valid() || !describeEntry(folder.get(), last.c_str(), data))
            return nullptr;
        return new (std::nothrow) FolderEnumeration{};
    }
    Descriptor folder(openInRoot(rootFolder.get(), folderPath, O_RDONLY | O_DIRECTORY));
    if (!folder.valid())
        return nullptr;
    DIR* stream = ::fdopendir(folder.get());
    if (stream == nullptr)
        return nullptr;
    folder.release();
    auto* enumeration = new (std::nothrow) FolderEnumeration{stream, last};
    if (enumeration == nullptr) {
        ::closedir(stream);
        return nullptr;
    }
    if (!nextMatch(*enumeration, data)) {
        findClose(enumeration);
        return nullptr;
    }
    return enumeration;
}

bool findNextFile(FindHandle handle, FindData& data) {
    return handle != nullptr && nextMatch(*handle, data);
}

void findClose(FindHandle handle) {
    if (handle == nullptr)
        return;
    if (handle->folder != nullptr)
        ::closedir(handle->folder);
    delete handle;
}

FileHandle openFileForReadingIn(const char* root, const char16_t* path) {
    Descriptor file;
    // Non-blocking, so that a pipe inside the root cannot hold the open; it is refused below.
    if (!openResolved(root, path, O_RDONLY | O_NOCTTY | O_NONBLOCK, file))
        return INVALID_FILE_HANDLE;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return INVALID_FILE_HANDLE;
    return file.release();
}

FileHandle openFileForWritingIn(const char* root, const char16_t* path, ExistingContent existing) {
    std::string native, folderPath, name;
    if (!toNativePath(path, native) || !splitLast(native, folderPath, name))
        return INVALID_FILE_HANDLE;
    Descriptor rootFolder(openRoot(root));
    if (!rootFolder.valid())
        return INVALID_FILE_HANDLE;
    Descriptor file(openInRoot(rootFolder.get(), native, O_WRONLY | O_CREAT | O_NOCTTY | O_NONBLOCK, 0666));
    if (!file.valid())
        return INVALID_FILE_HANDLE;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return INVALID_FILE_HANDLE;
    if (existing == ExistingContent::Discard && ::ftruncate(file.get(), 0) != 0)
        return INVALID_FILE_HANDLE;
    return file.release();
}

long writeFile(FileHandle file, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    size_t written = 0;
    while (written < size) {
        ssize_t result = ::write(file, bytes + written, size - written);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return -1;
        written += static_cast<size_t>(result);
    }
    return static_cast<long>(size);
}

bool deleteFile(const char* root, const char16_t* path) {
    Parent parent;
    return openParent(root, path, parent) && ::unlinkat(parent.folder.get(), parent.name.c_str(), 0) == 0;
}

bool removeDirectory(const char* root, const char16_t* path) {
    Parent parent;
    return openParent(root, path, parent) &&
           ::unlinkat(parent.folder.get(), parent.name.c_str(), AT_REMOVEDIR) == 0;
}

bool createDirectory(const char* root, const char16_t* path) {
    Parent parent;
    return openParent(root, path, parent) && ::mkdirat(parent.folder.get(), parent.name.c_str(), 0777) == 0;
}

bool moveFile(const char* root, const char16_t* existing, const char16_t* newPath) {
    Parent from, to;
    if (!openParent(root, existing, from) || !openParent(root, newPath, to))
        return false;
    if (::renameat2(from.folder.get(), from.name.c_str(), to.folder.get(), to.name.c_str(),
                    RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system without RENAME_NOREPLACE: test for the new name first (not atomic).
    struct stat status {};
    if (::fstatat(to.folder.get(), to.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return false;
    return ::renameat(from.folder.get(), from.name.c_str(), to.folder.get(), to.name.c_str()) == 0;
}

bool diskFreeSpace(const char* root, const char16_t* path, uint64_t& freeBytes) {
    Descriptor entry;
    if (!openResolved(root, path, O_PATH, entry))
        return false;
    struct statvfs volume {};
    if (::fstatvfs(entry.get(), &volume) != 0)
        return false;
    freeBytes = static_cast<uint64_t>(volume.f_bavail) * static_cast<uint64_t>(volume.f_frsize);
    return true;
}

bool isRootFolder(const char* root, const char16_t* path) {
    Descriptor entry;
    if (!openResolved(root, path, O_PATH, entry))
        return false;
    Descriptor rootFolder(openRoot(root));
    struct stat rootStatus {
    }, entryStatus{};
    if (!rootFolder.valid() || ::fstat(rootFolder.get(), &rootStatus) != 0 ||
        ::fstat(entry.get(), &entryStatus) != 0)
        return false;
    return rootStatus.st_dev == entryStatus.st_dev && rootStatus.st_ino == entryStatus.st_ino;
}

} // namespace platform
