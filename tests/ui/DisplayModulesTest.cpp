// kelvane-server maps its display code only when it uses it: the FLTK views module when it opens a
// window, the remote screen module at the first session; without the modules it runs as it does
// without a display.
#include "XvfbDisplay.h"
#include "tests/support/RawExchange.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TemporaryFolder.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const char* const STATUS_WINDOW = "^File Transfer Kelvane$";

// The program's own modules and the libraries that only drawing, screen capture and synthetic
// input bring in, as the start of their file names.
const char* const FLTK_MODULE = "libkelvane-fltk.so";
const char* const REMOTE_MODULE = "libkelvane-remote.so";
const std::vector<std::string> DISPLAY_LIBRARIES = {
    FLTK_MODULE,  REMOTE_MODULE, "libfltk.so",    "libX11.so",      "libxcb.so",        "libXext.so",
    "libXtst.so", "libXft.so",   "libXrender.so", "libfreetype.so", "libfontconfig.so", "libpng16.so",
};

// The file names of everything the process maps, one per line, as /proc/PID/maps lists them.
std::vector<std::string> mappedFiles(pid_t pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::vector<std::string> names;
    for (std::string line; std::getline(maps, line);) {
        const size_t slash = line.rfind('/');
        if (slash != std::string::npos)
            names.push_back(line.substr(slash + 1));
    }
    return names;
}

bool maps(const std::vector<std::string>& files, const std::string& library) {
    for (const std::string& file : files)
        if (file.compare(0, library.size(), library) == 0)
            return true;
    return false;
}

// Reports every library of the list whose mapping differs from what is expected of it.
void expectMapped(pid_t pid, const std::vector<std::string>& libraries, bool expected, const char* when) {
    const std::vector<std::string> files = mappedFiles(pid);
    ASSERT_FALSE(files.empty()) << "no mappings read for process " << pid;
    for (const std::string& library : libraries)
        EXPECT_EQ(maps(files, library), expected) << library << " " << when;
}

// Waits up to five seconds for a line of the server's standard output.
bool waitForOutputLine(const ServerProcess& server, const std::string& line) {
    for (int i = 0; i < 250; ++i) {
        if (server.output().find("\n" + line + "\n") != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

class DisplayModules : public testing::Test {
  protected:
    void SetUp() override {
        if (!display.running())
            GTEST_SKIP() << "Xvfb could not be started";
    }

    // The server on the test's display; program empty: the one in the build's bin folder.
    std::unique_ptr<ServerProcess> startServer(bool headless, const std::string& program = "") {
        return ServerProcess::start({.root = folder.path(),
                                     .registry = folder.file("registry.reg"),
                                     .environment = {{"DISPLAY", display.displayName()}},
                                     .program = program,
                                     .headless = headless});
    }

    // Opens a connection and sends a request with this command number and no body.
    int openCommand(const ServerProcess& server, int command) {
        const int socket = connectLoopback(server.port());
        EXPECT_GE(socket, 0);
        EXPECT_TRUE(sendBytes(socket, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nCommand-ID: " +
                                          std::to_string(command) + "\r\n\r\n"));
        return socket;
    }

    XvfbDisplay display;
    TemporaryFolder folder;
};

TEST_F(DisplayModules, HeadlessServerMapsTheRemoteModuleOnlyAtTheFirstScreenSession) {
    auto server = startServer(true);
    ASSERT_NE(server, nullptr);
    expectMapped(server->pid(), DISPLAY_LIBRARIES, false, "at the start of a headless run");

    const int socket = openCommand(*server, 3016);
    const std::string header = receiveHeaderBlock(socket);
    EXPECT_NE(header.find("\r\nCommand-ID: 0\r\n"), std::string::npos) << header;
    uint8_t screen[12];
    ASSERT_TRUE(receiveExactly(socket, screen, sizeof screen)) << "no screen header";
    EXPECT_EQ(screen[0] | (screen[1] << 8), 800);
    EXPECT_EQ(screen[4] | (screen[5] << 8), 600);
    EXPECT_GT(screen[8], 8);

    expectMapped(server->pid(), {REMOTE_MODULE, "libX11.so", "libXext.so", "libXtst.so"}, true,
                 "during a screen session");
    expectMapped(server->pid(), {FLTK_MODULE, "libfltk.so", "libfontconfig.so"}, false,
                 "during a screen session");
    close(socket);
    EXPECT_EQ(server->stop(), 0);
}

TEST_F(DisplayModules, WindowedServerDrawsThroughTheFltkModule) {
    auto server = startServer(false);
    ASSERT_NE(server, nullptr);
    EXPECT_FALSE(display.waitForWindow(STATUS_WINDOW).empty()) << "the status window did not appear";
    expectMapped(server->pid(), {FLTK_MODULE, "libfltk.so", "libX11.so"}, true, "with the status window");
    expectMapped(server->pid(), {REMOTE_MODULE, "libXtst.so"}, false, "before any screen session");
    EXPECT_EQ(server->stop(), 0);
}

TEST_F(DisplayModules, WithoutTheModulesTheServerRunsAsWithoutADisplay) {
    // The program alone in a folder of its own, where the module search starts.
    TemporaryFolder programFolder;
    const std::string program = programFolder.file("kelvane-server");
    std::error_code error;
    ASSERT_TRUE(std::filesystem::copy_file(binaryFolder() + "/kelvane-server", program, error))
        << error.message();

    auto server = startServer(false, program);
    ASSERT_NE(server, nullptr);
    EXPECT_TRUE(waitForOutputLine(*server, "Sent Files: 000")) << "no headless log:\n" << server->output();
    EXPECT_TRUE(display.findWindows(STATUS_WINDOW).empty());

    // The display session: the reply header and then the end, as when no screen can be captured.
    bool closed = false;
    const std::string displayReply =
        exchange(server->port(), "GET / HTTP/1.1\r\nCommand-ID: 3016\r\n\r\n", 5000, &closed);
    EXPECT_TRUE(closed);
    EXPECT_NE(displayReply.find("\r\nCommand-ID: 0\r\n"), std::string::npos) << displayReply;
    EXPECT_EQ(replyBody(displayReply), "");

    // The control session: records are read and dropped, and the closing reply comes as usual.
    const int socket = openCommand(*server, 3015);
    const uint8_t move[12] = {0x00, 0x02, 0, 0, 0, 0, 0, 0, 77, 0, 99, 0}; // 512 at (77, 99)
    ASSERT_TRUE(sendBytes(socket, std::string_view(reinterpret_cast<const char*>(move), sizeof move)));
    shutdown(socket, SHUT_WR);
    const std::string controlReply = readUntilClosed(socket, 5000, &closed);
    close(socket);
    EXPECT_TRUE(closed);
    EXPECT_NE(controlReply.find("\r\nCommand-ID: 0\r\n"), std::string::npos) << controlReply;
    EXPECT_EQ(replyBody(controlReply), std::string(4, '\0'));
    EXPECT_EQ(display.run({"xdotool", "getmouselocation", "--shell"}).find("X=77\nY=99\n"),
              std::string::npos);

    expectMapped(server->pid(), DISPLAY_LIBRARIES, false, "without the modules");
    EXPECT_EQ(server->stop(), 0);
}

} // namespace
