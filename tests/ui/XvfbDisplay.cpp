// Starting and stopping Xvfb, and driving its windows with xdotool and ImageMagick.
#include "XvfbDisplay.h"

#include "tests/support/ServerProcess.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

bool displayNumberFree(int number) {
    struct stat info;
    std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
    std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    return ::stat(lock.c_str(), &info) != 0 && ::stat(socket.c_str(), &info) != 0;
}

} // namespace

XvfbDisplay::XvfbDisplay() {
    // Several test programs may start displays at once: start at a number of our own.
    int first = 100 + static_cast<int>(::getpid() % 400);
    for (int attempt = 0; attempt < 50 && server <= 0; ++attempt) {
        int number = first + attempt;
        if (!displayNumberFree(number))
            continue;
        std::string display = ":" + std::to_string(number);
        pid_t child = ::fork();
        if (child == 0) {
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            ::execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "800x600x24", "-noreset", "-nolisten",
                     "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (child < 0)
            return;
        for (int i = 0; i < 100; ++i) {
            int status;
            if (::waitpid(child, &status, WNOHANG) == child)
                break; // that number was taken after all
            if (runProgram({"/usr/bin/env", "xdpyinfo", "-display", display}, nullptr, nullptr, 5000) == 0) {
                server = child;
                name = display;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
}

XvfbDisplay::~XvfbDisplay() {
    if (server <= 0)
        return;
    ::kill(server, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(server, nullptr, WNOHANG) == server)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(server, SIGKILL);
    ::waitpid(server, nullptr, 0);
}

std::string XvfbDisplay::run(const std::vector<std::string>& arguments, int timeoutMilliseconds) const {
    std::vector<std::string> command{"/usr/bin/env", "DISPLAY=" + name};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::string output;
    if (runProgram(command, &output, nullptr, timeoutMilliseconds) != 0)
        return {};
    return output;
}

std::vector<std::string> XvfbDisplay::findWindows(const std::string& namePattern) const {
    std::vector<std::string> windows;
    std::istringstream lines(run({"xdotool", "search", "--onlyvisible", "--name", namePattern}));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            windows.push_back(line);
    return windows;
}

std::string XvfbDisplay::waitForWindow(const std::string& namePattern, int timeoutMilliseconds) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        std::vector<std::string> windows = findWindows(namePattern);
        if (windows.size() == 1)
            return windows[0];
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

bool XvfbDisplay::windowSize(const std::string& window, int& width, int& height) const {
    std::string geometry = run({"xdotool", "getwindowgeometry", "--shell", window});
    size_t w = geometry.find("WIDTH="), h = geometry.find("HEIGHT=");
    if (w == std::string::npos || h == std::string::npos)
        return false;
    width = std::stoi(geometry.substr(w + 6));
    height = std::stoi(geometry.substr(h + 7));
    return true;
}

void XvfbDisplay::click(const std::string& window, int x, int y) const {
    run({"xdotool", "mousemove", "--window", window, std::to_string(x), std::to_string(y), "click", "1"});
}

void XvfbDisplay::pressKeys(const std::string& window, const std::vector<std::string>& keys) const {
    run({"xdotool", "windowfocus", "--sync", window});
    std::vector<std::string> command{"xdotool", "key", "--delay", "50"};
    command.insert(command.end(), keys.begin(), keys.end());
    run(command);
}

void XvfbDisplay::typeText(const std::string& window, const std::string& text) const {
    run({"xdotool", "windowfocus", "--sync", window});
    run({"xdotool", "type", "--delay", "50", text});
}

bool XvfbDisplay::screenshot(const std::string& window, const std::string& pngPath) const {
    std::vector<std::string> command{"/usr/bin/env", "DISPLAY=" + name, "/usr/bin/import", "-window", window,
                                     pngPath};
    return runProgram(command, nullptr, nullptr, 20000) == 0;
}

Picture Picture::load(const std::string& pngPath) {
    Picture picture;
    std::string ppm;
    if (runProgram({"/usr/bin/convert", pngPath, "-depth", "8", "ppm:-"}, &ppm, nullptr, 20000) != 0)
        return picture;
    std::istringstream stream(ppm);
    std::string magic;
    int maximum = 0;
    stream >> magic >> picture.width >> picture.height >> maximum;
    stream.get();
    if (magic != "P6" || maximum != 255 || picture.width <= 0 || picture.height <= 0)
        return Picture{};
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height * 3);
    stream.read(reinterpret_cast<char*>(picture.pixels.data()),
                static_cast<std::streamsize>(picture.pixels.size()));
    return picture;
}

uint32_t Picture::rgb(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    size_t at = (static_cast<size_t>(y) * width + x) * 3;
    return (uint32_t{pixels[at]} << 16) | (uint32_t{pixels[at + 1]} << 8) | pixels[at + 2];
}
