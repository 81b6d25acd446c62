// Reading files that lie beside the program (the web content), confined to one folder.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

using FileHandle = int;
inline constexpr FileHandle INVALID_FILE_HANDLE = -1;

// Opens a regular file for reading. path is UTF-16 and may use '\' or '/' as separator. When
// confinedTo is given (a folder, UTF-16), the path must name a file inside that folder: any path
// that would leave it ("..", a symbolic link pointing out) fails. Returns INVALID_FILE_HANDLE when
// the file is missing, is not a regular file, or lies outside the folder.
FileHandle openFileForReading(const char16_t* path, const char16_t* confinedTo = nullptr);

// One read: the count (0 at the end of the file), or -1 on failure.
long readFile(FileHandle file, void* buffer, size_t size);

// The size of an open file, or -1 when it cannot be read.
int64_t fileSizeOf(FileHandle file);

void closeFile(FileHandle file);

} // namespace platform
