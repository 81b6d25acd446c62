// One Wine environment for a whole test run: a private Xvfb, a fresh prefix and one persistent wineserver.
#include "tests/setup/WineSession.h"

#include "tests/setup/ChildProcess.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int XVFB_READY_MS = 20000;
constexpr int WINEBOOT_MS = 180000;
constexpr int WINESERVER_READY_MS = 10000;
constexpr int WINESERVER_STOP_MS = 20000;
constexpr char WINE_FONT_FOLDER[] = "/usr/share/wine/fonts";

} // namespace

std::string WineSession::startXvfb() {
    int displayPipe[2];
    if (pipe2(displayPipe, O_CLOEXEC) != 0) {
        return "cannot create a pipe for Xvfb";
    }
    // Xvfb picks a free display number itself and writes it to descriptor 3 once it accepts clients;
    // -noreset keeps the screen when the last client goes.
    xvfb =
        startChild({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-noreset", "-nolisten", "tcp"},
                   workFolder + "/xvfb.log", displayPipe[1]);
    close(displayPipe[1]);
    if (xvfb < 0) {
        close(displayPipe[0]);
        return "cannot start Xvfb";
    }
    std::string number;
    pollfd readable = {displayPipe[0], POLLIN, 0};
    while (number.empty() || number.back() != '\n') {
        if (poll(&readable, 1, XVFB_READY_MS) <= 0) {
            break;
        }
        char buffer[16];
        const ssize_t got = read(displayPipe[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        number.append(buffer, static_cast<std::size_t>(got));
    }
    close(displayPipe[0]);
    if (number.empty() || number.back() != '\n') {
        return "Xvfb did not report its display (see " + workFolder + "/xvfb.log)";
    }
    display = std::atoi(number.c_str());
    return "";
}

void WineSession::linkWineFonts() const {
    // Debian's Wine looks for its own fonts (Tahoma for dialogs, Marlett for the caption buttons) next to
    // its data folder rather than inside it; the prefix's font folder is always searched.
    std::error_code error;
    const fs::path fonts = driveC() + "/windows/Fonts";
    fs::create_directories(fonts, error);
    for (const auto& font : fs::directory_iterator(WINE_FONT_FOLDER, error)) {
        fs::create_symlink(font.path(), fonts / font.path().filename(), error);
    }
}

std::string WineSession::start(const std::string& workDir) {
    if (workDir.empty() || workDir == "/") {
        return "no work folder for the Wine prefix (KELVANE_SETUP_WORK_DIR)";
    }
    workFolder = workDir;
    prefix = workDir + "/prefix";
    // Every run starts from nothing: a fresh prefix and fresh logs.
    std::error_code error;
    fs::remove_all(workDir, error);
    fs::create_directories(workDir, error);
    if (error) {
        return "cannot create " + workDir;
    }

    if (std::string failure = startXvfb(); !failure.empty()) {
        return failure;
    }

    const std::string displayName = ":" + std::to_string(display);
    setenv("DISPLAY", displayName.c_str(), 1);
    setenv("WINEPREFIX", prefix.c_str(), 1);
    setenv("WINEARCH", "win64", 1);
    setenv("WINEDEBUG", "-all", 1);
    // No Mono or Gecko install prompts, and no menu entries written into the user's home.
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d", 1);

    // One wineserver for the whole run, kept alive between programs (-p). It goes to the background
    // once it listens, so every Wine program after it finds it; "wineserver -k" ends it.
    fs::create_directories(prefix, error);
    if (runChild({"wineserver", "-p"}, workDir + "/wineserver.log", WINESERVER_READY_MS) != 0) {
        return "cannot start wineserver (see " + workDir + "/wineserver.log)";
    }
    wineserverRunning = true;
    const int booted = runChild({"wine", "wineboot", "-i"}, workDir + "/wineboot.log", WINEBOOT_MS);
    if (booted != 0) {
        return "wineboot -i failed with " + std::to_string(booted) + " (see " + workDir + "/wineboot.log)";
    }
    linkWineFonts();
    // There is no window manager on the test display: windows that Wine leaves to none draw their own
    // caption and frame, and hiding them does not wait for a window manager that never answers.
    const int configured =
        runChild({"wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f"},
                 workDir + "/wineboot.log", WINEBOOT_MS);
    if (configured != 0) {
        return "cannot configure Wine's X11 driver (see " + workDir + "/wineboot.log)";
    }
    return "";
}

pid_t WineSession::startWine(const std::vector<std::string>& arguments, const std::string& logPath) const {
    std::vector<std::string> command = {"wine"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return startChild(command, logPath);
}

void WineSession::stop() {
    if (wineserverRunning) {
        // Ends every program of the prefix and the server itself, and waits for them.
        runChild({"wineserver", "-k"}, workFolder + "/wineserver.log", WINESERVER_STOP_MS);
        runChild({"wineserver", "-w"}, workFolder + "/wineserver.log", WINESERVER_STOP_MS);
        wineserverRunning = false;
    }
    if (xvfb > 0) {
        stopChild(xvfb, 5000);
        xvfb = -1;
    }
}
