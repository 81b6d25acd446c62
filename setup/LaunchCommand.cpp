// Builds the path of "setup.ini" and the application manager's command line; no Win32 calls.
#include "setup/LaunchCommand.h"

#include <cstring>

namespace {

constexpr char INI_FILE_SUFFIX[] = "\\setup.ini";

// Length of text up to its terminating zero, reading at most size bytes; size when there is no zero.
std::size_t boundedLength(const char* text, std::size_t size) {
    const void* end = std::memchr(text, '\0', size);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : size;
}

} // namespace

int buildLaunchCommand(const char* modulePath, char* iniPath, std::size_t iniPathSize, char* commandLine,
                       std::size_t commandLineSize) {
    const char* lastBackslash = std::strrchr(modulePath, '\\');
    const std::size_t folderLength =
        lastBackslash ? static_cast<std::size_t>(lastBackslash - modulePath) : std::strlen(modulePath);
    const std::size_t suffixLength = sizeof(INI_FILE_SUFFIX) - 1;
    const std::size_t iniLength = folderLength + suffixLength;
    if (iniLength + 1 > iniPathSize) {
        return 0;
    }

    // The manager path comes from the registry and may lack its terminating zero inside the buffer.
    const std::size_t managerLength = boundedLength(commandLine, commandLineSize);
    // Space, two double quotes and the terminating zero around the ini path.
    if (managerLength + iniLength + 4 > commandLineSize) {
        return 0;
    }

    std::memcpy(iniPath, modulePath, folderLength);
    std::memcpy(iniPath + folderLength, INI_FILE_SUFFIX, suffixLength);
    iniPath[iniLength] = '\0';

    char* out = commandLine + managerLength;
    *out++ = ' ';
    *out++ = '"';
    std::memcpy(out, iniPath, iniLength);
    out += iniLength;
    *out++ = '"';
    *out = '\0';
    return 1;
}
