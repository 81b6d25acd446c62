// Builds the path of "setup.ini" and the application manager's command line; no Win32 calls.
#pragma once

#include <cstddef>

// Sizes of the launcher's two working buffers, terminating zero included.
constexpr std::size_t INI_PATH_SIZE = 260;
constexpr std::size_t COMMAND_LINE_SIZE = 520;

// Cuts modulePath (the launcher's own file path) to its folder at the last backslash (a path without one
// stays whole), appends "\setup.ini" into iniPath, then appends a space and the double-quoted ini path
// to the manager path that commandLine already holds.
// Returns 1 when the ini path fits in iniPathSize bytes and the finished command line fits in
// commandLineSize bytes, both with their terminating zero. Otherwise returns 0 and changes neither buffer,
// so that nothing cut short is ever used as a path or written past a buffer.
int buildLaunchCommand(const char* modulePath, char* iniPath, std::size_t iniPathSize, char* commandLine,
                       std::size_t commandLineSize);
