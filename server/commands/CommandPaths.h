// Path lines of the command protocol: reading, conversion, the root folder and built paths.
#pragma once

#include "platform/FileSystem.h"
#include "server/commands/CommandProtocol.h"

#include <cstdint>
#include <memory>

class Connection;

// A path line read into PATH_LINE_SIZE bytes.
struct PathLine {
    char text[PATH_LINE_SIZE];
    int32_t length; // readLine's result: -1 when no line could be read
};

// Reads one path line; false when it could not be read (the command then ends without a reply).
bool readPathLine(Connection& connection, PathLine& line);

// The line as UTF-16 for the file system; null when it cannot be converted.
std::unique_ptr<char16_t[]> toWidePath(const PathLine& line);

// The folder that every path of this connection's commands is resolved under.
const char* rootFolderOf(const Connection& connection);

// A built path or search pattern: at most MAX_PATH_UNITS units with its NUL.
using BuiltPath = char16_t[platform::MAX_PATH_UNITS];

// Writes folder, '\' and name into result ("%s\%s"; "%s\*.*" with name "*.*"). False when the
// result would not fit: the step that needs it fails instead of using a cut path.
bool joinPath(BuiltPath& result, const char16_t* folder, const char16_t* name);
