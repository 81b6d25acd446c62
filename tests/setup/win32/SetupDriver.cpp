// Win32 test driver for the launcher's Wine tests: runs a list of steps and reports what it sees.
//
// Usage: SetupDriver.exe STEPS_FILE REPORT_FILE
//
// Each line of STEPS_FILE is one step, its fields separated by tabs:
//   reg-delete-key  ROOT KEY            delete KEY (and everything under it) from HKLM or HKCU
//   reg-sz          ROOT KEY NAME TEXT  set a string value (NAME "" is the default value)
//   reg-binary      ROOT KEY NAME HEX   set a binary value from hexadecimal digits
//   lock            PATH                open PATH for reading, shared with nobody, until the driver ends
//   start           PATH                start the launcher at PATH, in the folder C:\ .
//   window          CAPTION             wait for a visible top-level window of the launcher with CAPTION
//                                       that no earlier step has seen, report it and make it current
//   click           ID                  press the button ID of the current window (BM_CLICK)
//   escape                              press Escape in the control that has the keyboard focus
//   close                               close the current window from its system menu
//   activate                            bring the current window to the foreground
//   icon                                report which system icon the current window shows
//   signal          PATH                create the empty file PATH
//   await           PATH                wait until the file PATH exists
//   wait-exit                           wait for the launcher to end; report its exit code and its children
//   resources       PATH                report dialog 101 and icon group 102 of the program file PATH
//
// The report has one record a line, fields separated by tabs; texts escape '\', CR, LF and tab as
// \\, \r, \n and \t:
//   window CLASS STYLE CAPTION | rect LEFT TOP RIGHT BOTTOM | child ID CLASS STYLE EXSTYLE TEXT | focus ID |
//   icon NAME | exit CODE | child-process EXE | took STEP MILLISECONDS | error MESSAGE | terminated | done
//   and the records of ResourceReader.h
// The first failing step reports an error and ends the run; a launcher still running then is terminated.
// <windows.h> must come before the other Win32 headers.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include "tests/setup/win32/IconMatch.h"
#include "tests/setup/win32/ReportWriter.h"
#include "tests/setup/win32/ResourceReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// Generous, since the machines that run the tests are often busy; a passing run waits far less.
constexpr DWORD WAIT_LIMIT_MS = 60000;
constexpr DWORD POLL_INTERVAL_MS = 50;
constexpr UINT MESSAGE_TIMEOUT_MS = 5000;

std::string hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", value);
    return text;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

// Texts of windows in another process are read with WM_GETTEXT, bounded in time.
std::string windowText(HWND window) {
    static char buffer[65536];
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, MESSAGE_TIMEOUT_MS, &length)) {
        return "";
    }
    return std::string(buffer, length < sizeof buffer ? length : sizeof buffer - 1);
}

std::string className(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

class Driver {
  public:
    explicit Driver(ReportWriter& reportTo) : report(reportTo) {}

    ~Driver() {
        if (launcher.hProcess) {
            if (WaitForSingleObject(launcher.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(launcher.hProcess, 99);
                report.record({"terminated"});
            }
            CloseHandle(launcher.hProcess);
            CloseHandle(launcher.hThread);
        }
        for (HANDLE file : lockedFiles) {
            CloseHandle(file);
        }
    }

    // Returns an empty string on success, else the reason.
    std::string run(const std::vector<std::string>& step) {
        const std::string& verb = step[0];
        if (verb == "reg-delete-key" && step.size() == 3) {
            return deleteKey(step[1], step[2]);
        }
        if (verb == "reg-sz" && step.size() == 5) {
            return setValue(step[1], step[2], step[3], REG_SZ, step[4].c_str(), step[4].size() + 1);
        }
        if (verb == "reg-binary" && step.size() == 5) {
            std::string bytes;
            for (std::size_t i = 0; i + 1 < step[4].size(); i += 2) {
                bytes += static_cast<char>(std::strtoul(step[4].substr(i, 2).c_str(), nullptr, 16));
            }
            return setValue(step[1], step[2], step[3], REG_BINARY, bytes.data(), bytes.size());
        }
        if (verb == "lock" && step.size() == 2) {
            return lock(step[1]);
        }
        if (verb == "start" && step.size() == 2) {
            return start(step[1]);
        }
        if (verb == "window" && step.size() == 2) {
            return waitForWindow(step[1]);
        }
        if (verb == "click" && step.size() == 2) {
            return click(std::atoi(step[1].c_str()));
        }
        if (verb == "escape" && step.size() == 1) {
            return pressEscape();
        }
        if (verb == "close" && step.size() == 1) {
            return closeFromSystemMenu();
        }
        if (verb == "activate" && step.size() == 1) {
            return activate();
        }
        if (verb == "icon" && step.size() == 1) {
            return reportIcon();
        }
        if (verb == "signal" && step.size() == 2) {
            return signal(step[1]);
        }
        if (verb == "await" && step.size() == 2) {
            return await(step[1]);
        }
        if (verb == "resources" && step.size() == 2) {
            return reportResources(step[1], report);
        }
        if (verb == "wait-exit" && step.size() == 1) {
            return waitForExit();
        }
        return "unknown step " + verb;
    }

  private:
    static HKEY rootKey(const std::string& name) {
        return name == "HKCU" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    }

    std::string deleteKey(const std::string& root, const std::string& key) {
        const LONG status = RegDeleteTreeA(rootKey(root), key.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            return "cannot delete key " + key;
        }
        RegDeleteKeyA(rootKey(root), key.c_str());
        return "";
    }

    std::string setValue(const std::string& root, const std::string& key, const std::string& name, DWORD type,
                         const char* data, std::size_t size) {
        HKEY handle = nullptr;
        if (RegCreateKeyExA(rootKey(root), key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                            nullptr) != ERROR_SUCCESS) {
            return "cannot create key " + key;
        }
        const LONG status = RegSetValueExA(handle, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data),
                                           static_cast<DWORD>(size));
        RegCloseKey(handle);
        return status == ERROR_SUCCESS ? "" : "cannot set value in " + key;
    }

    std::string lock(const std::string& path) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return "cannot lock " + path;
        }
        lockedFiles.push_back(file);
        return "";
    }

    std::string start(const std::string& path) {
        std::string commandLine = "\"" + path + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, "C:\\",
                            &startup, &launcher)) {
            return "cannot start " + path + " (error " + std::to_string(GetLastError()) + ")";
        }
        return "";
    }

    struct Search {
        DWORD processId;
        const std::string* caption;
        const std::set<HWND>* seen;
        HWND found;
    };

    static BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
        Search& search = *reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != search.processId || !IsWindowVisible(window) || search.seen->count(window)) {
            return TRUE;
        }
        if (windowText(window) != *search.caption) {
            return TRUE;
        }
        search.found = window;
        return FALSE;
    }

    bool launcherEnded() const { return WaitForSingleObject(launcher.hProcess, 0) == WAIT_OBJECT_0; }

    std::string waitForWindow(const std::string& caption) {
        if (!launcher.hProcess) {
            return "no launcher started";
        }
        for (DWORD waited = 0; waited < WAIT_LIMIT_MS; waited += POLL_INTERVAL_MS) {
            Search search = {launcher.dwProcessId, &caption, &seenWindows, nullptr};
            EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found) {
                // Let the window finish its initialisation and first paint before it is read.
                Sleep(300);
                current = search.found;
                seenWindows.insert(current);
                describeWindow();
                return "";
            }
            if (launcherEnded()) {
                return "launcher ended without showing a window \"" + caption + "\"";
            }
            Sleep(POLL_INTERVAL_MS);
        }
        return "no window \"" + caption + "\" appeared";
    }

    static BOOL CALLBACK collectChild(HWND child, LPARAM parameter) {
        reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
        return TRUE;
    }

    void describeWindow() {
        report.record(
            {"window", className(current), hex(GetWindowLongA(current, GWL_STYLE)), windowText(current)});
        RECT rect = {};
        GetWindowRect(current, &rect);
        report.record({"rect", std::to_string(rect.left), std::to_string(rect.top),
                       std::to_string(rect.right), std::to_string(rect.bottom)});
        std::vector<HWND> children;
        EnumChildWindows(current, collectChild, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children) {
            report.record({"child", std::to_string(static_cast<unsigned short>(GetDlgCtrlID(child))),
                           className(child), hex(GetWindowLongA(child, GWL_STYLE)),
                           hex(GetWindowLongA(child, GWL_EXSTYLE)), windowText(child)});
        }
        GUITHREADINFO thread = {};
        thread.cbSize = sizeof thread;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(current, nullptr), &thread) && thread.hwndFocus) {
            report.record(
                {"focus", std::to_string(static_cast<unsigned short>(GetDlgCtrlID(thread.hwndFocus)))});
        }
    }

    std::string click(int id) {
        HWND button = GetDlgItem(current, id);
        if (!button) {
            return "no control " + std::to_string(id);
        }
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, MESSAGE_TIMEOUT_MS, &result)) {
            return "button " + std::to_string(id) + " did not answer";
        }
        return "";
    }

    std::string pressEscape() {
        GUITHREADINFO thread = {};
        thread.cbSize = sizeof thread;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(current, nullptr), &thread) || !thread.hwndFocus) {
            return "no control has the focus";
        }
        // Posted like real key strokes, so that they pass through the dialog's own message loop.
        const LPARAM repeatAndScanCode = 1 | (MapVirtualKeyA(VK_ESCAPE, MAPVK_VK_TO_VSC) << 16);
        PostMessageA(thread.hwndFocus, WM_KEYDOWN, VK_ESCAPE, repeatAndScanCode);
        PostMessageA(thread.hwndFocus, WM_KEYUP, VK_ESCAPE, repeatAndScanCode | 0xC0000000);
        return "";
    }

    // Makes the current window the foreground one, as it is on a desktop where the user just started it.
    std::string activate() {
        const DWORD ownThread = GetCurrentThreadId();
        const DWORD windowThread = GetWindowThreadProcessId(current, nullptr);
        AttachThreadInput(ownThread, windowThread, TRUE);
        SetForegroundWindow(current);
        SetActiveWindow(current);
        AttachThreadInput(ownThread, windowThread, FALSE);
        Sleep(300);
        return GetForegroundWindow() == current ? "" : "the window did not come to the foreground";
    }

    std::string closeFromSystemMenu() {
        PostMessageA(current, WM_SYSCOMMAND, SC_CLOSE, 0);
        return "";
    }

    // Compares the picture of the window's icon control on the screen with the system icons.
    std::string reportIcon() {
        std::vector<HWND> children;
        EnumChildWindows(current, collectChild, reinterpret_cast<LPARAM>(&children));
        HWND iconControl = nullptr;
        for (HWND child : children) {
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child)) {
                iconControl = child;
            }
        }
        if (!iconControl) {
            report.record({"icon", "none"});
            return "";
        }
        SetForegroundWindow(current);
        RedrawWindow(current, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(300);
        report.record({"icon", systemIconShownBy(iconControl)});
        return "";
    }

    static bool fileExists(const std::string& path) {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::string signal(const std::string& path) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return "cannot create " + path;
        }
        CloseHandle(file);
        return "";
    }

    std::string await(const std::string& path) {
        for (DWORD waited = 0; waited < WAIT_LIMIT_MS; waited += POLL_INTERVAL_MS) {
            if (fileExists(path)) {
                return "";
            }
            Sleep(POLL_INTERVAL_MS);
        }
        return "file " + path + " did not appear";
    }

    std::string waitForExit() {
        if (!launcher.hProcess) {
            return "no launcher started";
        }
        if (WaitForSingleObject(launcher.hProcess, WAIT_LIMIT_MS) != WAIT_OBJECT_0) {
            return "launcher did not end";
        }
        DWORD code = 0;
        GetExitCodeProcess(launcher.hProcess, &code);
        report.record({"exit", std::to_string(code)});
        // Processes that the launcher started and that still run now that it has ended.
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot != INVALID_HANDLE_VALUE) {
            PROCESSENTRY32 entry = {};
            entry.dwSize = sizeof entry;
            for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
                if (entry.th32ParentProcessID == launcher.dwProcessId) {
                    report.record({"child-process", entry.szExeFile});
                }
            }
            CloseHandle(snapshot);
        }
        return "";
    }

    ReportWriter& report;
    PROCESS_INFORMATION launcher = {};
    HWND current = nullptr;
    std::set<HWND> seenWindows;
    std::vector<HANDLE> lockedFiles;
};

std::vector<std::vector<std::string>> readSteps(const char* path) {
    std::vector<std::vector<std::string>> steps;
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        return steps;
    }
    std::string content;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        content.append(buffer, got);
    }
    std::fclose(file);
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            steps.push_back(splitTabs(line));
        }
        start = end + 1;
    }
    return steps;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    ReportWriter report(argv[2]);
    if (!report.isOpen()) {
        return 2;
    }
    const auto steps = readSteps(argv[1]);
    if (steps.empty()) {
        report.record({"error", "no steps in " + std::string(argv[1])});
        return 1;
    }
    int result = 0;
    {
        Driver driver(report);
        for (const auto& step : steps) {
            const DWORD started = GetTickCount();
            const std::string failure = driver.run(step);
            report.record({"took", step[0], std::to_string(GetTickCount() - started)});
            if (!failure.empty()) {
                report.record({"error", failure});
                result = 1;
                break;
            }
        }
    }
    if (result == 0) {
        report.record({"done"});
    }
    return result;
}
