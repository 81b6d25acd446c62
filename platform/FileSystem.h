// The handheld's file system, stood in for by one root folder that no path can leave.
#pragma once

#include "platform/File.h"

#include <cstddef>
#include <cstdint>

namespace platform {

// Every path and pattern below is UTF-16, uses '\' or '/' as separator and is resolved under the
// root folder (narrow text, the folder given with --root): the empty path, a lone separator and
// any path beginning with a separator name the root or start at it, and "..", absolute paths and
// symbolic links (whatever their target) never lead out of it. A path of more than
// MAX_PATH_UNITS - 1 UTF-16 units fails, as on the handheld, instead of being cut.
inline constexpr size_t MAX_PATH_UNITS = 260;

inline constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

// One entry found by a folder enumeration. Hidden: the name starts with '.'; system: the entry is
// neither a regular file nor a folder (a symbolic link, device, socket or pipe), so it is never
// followed. Folders report size 0. lastWriteTime counts 100-ns intervals since 1 January 1601.
struct FindData {
    uint32_t attributes = 0;
    uint32_t sizeHigh = 0;
    uint32_t sizeLow = 0;
    uint64_t lastWriteTime = 0;
    char16_t name[MAX_PATH_UNITS] = {};
};

struct FolderEnumeration;
using FindHandle = FolderEnumeration*;

// Starts an enumeration. The pattern's last component may hold '*' and '?' ("*.*" matches every
// name, "." and ".." included); without them it names one entry, which is looked up. Fills data
// with the first match and returns a handle for findNextFile, or null when the folder cannot be
// read or nothing matches.
FindHandle findFirstFile(const char* root, const char16_t* pattern, FindData& data);

// The next match: true and data filled, or false at the end.
bool findNextFile(FindHandle handle, FindData& data);

// Ends an enumeration; null is harmless.
void findClose(FindHandle handle);

// Opens an existing regular file for reading; INVALID_FILE_HANDLE when it is missing, is not a
// regular file or cannot be opened. Read with readFile, close with closeFile (platform/File.h).
FileHandle openFileForReadingIn(const char* root, const char16_t* path);

enum class ExistingContent { Keep, Discard };

// Opens a regular file for writing from its first byte, creating it when it does not exist.
// ExistingContent::Discard cuts an existing file to length 0. INVALID_FILE_HANDLE on failure
// (missing folder, not a regular file, not writable).
FileHandle openFileForWritingIn(const char* root, const char16_t* path, ExistingContent existing);

// Writes all size bytes: size, or -1 when the file did not take all of them (disk full, ...).
long writeFile(FileHandle file, const void* data, size_t size);

// Each of these returns true on success. They act on the last component itself: a symbolic link
// is deleted, moved or found in the way as a link, never followed.
bool deleteFile(const char* root, const char16_t* path);      // not a folder
bool removeDirectory(const char* root, const char16_t* path); // an empty folder, never the root
bool createDirectory(const char* root, const char16_t* path); // the last component only
bool moveFile(const char* root, const char16_t* existing,
              const char16_t* newPath); // fails when newPath exists

// The bytes available to this program on the volume that holds path; false when it cannot be read
// (for instance when the path does not exist).
bool diskFreeSpace(const char* root, const char16_t* path, uint64_t& freeBytes);

// True when the path names the root folder itself, in whatever form ("\", "a\..", ...).
bool isRootFolder(const char* root, const char16_t* path);

} // namespace platform
