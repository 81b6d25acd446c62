// Stands in for the application manager in the launcher's Wine tests: records its command line and lingers.
#include <cstdio>
#include <cstring>
#include <windows.h>

namespace {

// Short names, so that they fit beside a manager whose own path is as long as the launcher allows.
constexpr char RECORD_NAME[] = "cmd.txt";
constexpr char PARTIAL_NAME[] = "cmd.tmp";

} // namespace

// Writes the command line, byte for byte, to "cmd.txt" in its own folder, then stays alive for a few
// seconds so that the tests can see that the launcher ended without waiting for it.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char recordPath[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, recordPath, MAX_PATH);
    char* lastBackslash = std::strrchr(recordPath, '\\');
    if (length == 0 || length >= MAX_PATH || !lastBackslash) {
        return 1;
    }
    const std::size_t folderLength = static_cast<std::size_t>(lastBackslash + 1 - recordPath);
    if (folderLength + sizeof RECORD_NAME > MAX_PATH) {
        return 1;
    }
    char partialPath[MAX_PATH] = {};
    std::memcpy(partialPath, recordPath, folderLength);
    std::memcpy(partialPath + folderLength, PARTIAL_NAME, sizeof PARTIAL_NAME);
    std::memcpy(recordPath + folderLength, RECORD_NAME, sizeof RECORD_NAME);

    // Written under another name first, so that a reader never sees half of it.
    FILE* file = std::fopen(partialPath, "wb");
    if (!file) {
        return 1;
    }
    const char* commandLine = GetCommandLineA();
    std::fwrite(commandLine, 1, std::strlen(commandLine), file);
    std::fclose(file);
    MoveFileA(partialPath, recordPath);

    Sleep(4000);
    return 0;
}
