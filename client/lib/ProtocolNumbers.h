// Command numbers and result words of the command protocol, as the client sends and reads them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvane::client {

// The value of a request's Command-ID header.
enum class Command : int32_t {
    GetConfigure = 3000,
    ListFolder = 3001,
    FolderListing = 3004, // carried by the reply of a listing, never sent
    DownloadFile = 3005,
    UploadFile = 3006,
    DeleteFile = 3009,
    DeleteFolder = 3010,
    CreateFolder = 3011,
    CheckDiskSpace = 3012,
    CheckPassword = 3013,
    Move = 3014,
};

// Result words of delete file, delete folder and create folder.
enum class ResultWord : uint32_t {
    Ok = 4000,
    Failed = 4004,
    ExistsFolder = 4005,
    ExistsFile = 4006,
};

// The kind word of a listing record.
enum class EntryKind : uint32_t {
    File = 3,
    Folder = 4,
};

// A path line carries at most this many bytes of text before its CR LF.
inline constexpr size_t MAX_PATH_LINE_TEXT = 1023;

} // namespace kelvane::client
