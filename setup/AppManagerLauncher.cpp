// Finds the application manager and starts it on the "setup.ini" beside the launcher.
#include "setup/AppManagerLauncher.h"

#include "setup/LaunchCommand.h"
#include "setup/Registry.h"

namespace {

constexpr char APP_MANAGER_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
// The registry gives at most this many bytes of the manager's path.
constexpr DWORD MANAGER_PATH_SIZE = 260;
// Large enough for any narrow module path, so that a long one is seen whole instead of silently cut.
constexpr DWORD MODULE_PATH_SIZE = 32768;

constexpr char NO_APP_MANAGER_TEXT[] =
    "To install this software to your Pocket PC, you must install MicroSoft AcitveSync first.";
constexpr char NO_APP_MANAGER_CAPTION[] = "Kelvanne Setup";
constexpr char NO_INI_FILE_TEXT[] =
    "Can not find the 'setup.ini' file. Extract this ZIP file then try again.";
constexpr char NO_INI_FILE_CAPTION[] = "Kelvane Setup";

void showError(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

bool iniFileOpens(const char* iniPath) {
    HANDLE file = CreateFileA(iniPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

} // namespace

void launchAppManager(HINSTANCE instance) {
    char iniPath[INI_PATH_SIZE] = {};
    char commandLine[COMMAND_LINE_SIZE] = {};

    if (!readRegistryString(APP_MANAGER_KEY, "", commandLine, MANAGER_PATH_SIZE)) {
        showError(NO_APP_MANAGER_TEXT, NO_APP_MANAGER_CAPTION);
        return;
    }

    // The manager's own path, kept apart so that the program to start is named exactly: a path
    // with spaces left to the command line alone could start a different program whose name
    // matches its first words. A value that carries its own quotes is already unambiguous.
    char managerPath[MANAGER_PATH_SIZE + 1] = {};
    lstrcpynA(managerPath, commandLine, sizeof managerPath);
    const char* applicationName = managerPath[0] == '"' ? nullptr : managerPath;

    static char modulePath[MODULE_PATH_SIZE];
    const DWORD moduleLength = GetModuleFileNameA(instance, modulePath, MODULE_PATH_SIZE);
    // A path that fills the whole buffer was cut short; it is treated like a folder too long for the ini.
    const bool moduleKnown = moduleLength > 0 && moduleLength < MODULE_PATH_SIZE;
    if (!moduleKnown ||
        !buildLaunchCommand(modulePath, iniPath, sizeof iniPath, commandLine, sizeof commandLine) ||
        !iniFileOpens(iniPath)) {
        showError(NO_INI_FILE_TEXT, NO_INI_FILE_CAPTION);
        return;
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(applicationName, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        // The launcher does not wait for the manager; it only lets go of the handles.
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}
