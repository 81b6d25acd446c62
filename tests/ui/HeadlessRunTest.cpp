// kelvane-server without a display: its log lines, the port failure and the exit on SIGTERM.
#include "tests/support/RawExchange.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TemporaryFolder.h"

#include <arpa/inet.h>
#include <chrono>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// Waits until the server's output holds the line, up to five seconds.
bool waitForLine(const ServerProcess& server, const std::string& line) {
    for (int i = 0; i < 250; ++i) {
        for (const std::string& seen : linesOf(server.output()))
            if (seen == line)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Waits (up to five seconds, or not at all with 0) for a line ending in the text that comes after
// the line after; the line, or empty text.
std::string waitForLineEnding(const ServerProcess& server, const std::string& ending,
                              const std::string& after = "", int timeoutMilliseconds = 5000) {
    for (int waited = 0;; waited += 20) {
        bool seenAfter = after.empty();
        for (const std::string& line : linesOf(server.output())) {
            if (seenAfter && line.size() >= ending.size() &&
                line.compare(line.size() - ending.size(), ending.size(), ending) == 0)
                return line;
            if (line == after)
                seenAfter = true;
        }
        if (waited >= timeoutMilliseconds)
            return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ptrdiff_t positionOf(const std::vector<std::string>& lines, const std::string& line, ptrdiff_t from = 0) {
    for (size_t i = static_cast<size_t>(from); i < lines.size(); ++i)
        if (lines[i] == line)
            return static_cast<ptrdiff_t>(i);
    return -1;
}

TEST(HeadlessRun, LogsTheRowsOfOneWebRequestAndEndsOnSigterm) {
    TemporaryFolder folder;
    auto server = ServerProcess::start({.root = folder.path(), .registry = folder.file("registry.reg")});
    ASSERT_NE(server, nullptr);
    std::string port = std::to_string(server->port());

    // The served addresses come before anything else; then the address list and the rows.
    ASSERT_TRUE(waitForLine(*server, "Sent Files: 000"));
    std::vector<std::string> lines = linesOf(server->output());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("http://", 0), 0u) << lines[0];
    EXPECT_GE(positionOf(lines, "http://127.0.0.1:" + port + "/"), 0);
    EXPECT_GE(positionOf(lines, "Address Port: " + port), 0);
    EXPECT_GE(positionOf(lines, "Time: 000:00:00   h:m:s"), 0);
    EXPECT_GE(positionOf(lines, "Received: 000"), 0);
    for (int worker = 1; worker <= 5; ++worker)
        EXPECT_TRUE(positionOf(lines, "Thread " + std::to_string(worker) +
                                          ": idle, Time(S) \"Idle\", From "
                                          "\"N/A\", Action \"\"") >= 0 ||
                    positionOf(lines, "Thread " + std::to_string(worker) +
                                          ": listening, Time(S) \"\", From "
                                          "\"N/A\", Action \"Listening\"") >= 0)
            << "worker " << worker;

    // A request whose header block has not ended keeps its worker busy: accepted, not yet parsed.
    int client = connectLoopback(server->port());
    ASSERT_GE(client, 0);
    ASSERT_TRUE(sendBytes(client, "GET /favicon.ico HTTP/1.1\r\n"));
    std::string busy =
        waitForLineEnding(*server, ": busy, Time(S) \"\", From \"127.0.0.1\", Action \"Get Page.\"");
    ASSERT_FALSE(busy.empty()) << server->output();
    std::string worker = busy.substr(0, busy.find(':'));

    // Once it is served, the worker goes back to idle (or already listening again).
    ASSERT_TRUE(sendBytes(client, "Host: 127.0.0.1\r\n\r\n"));
    readUntilClosed(client);
    ::close(client);
    bool back = false;
    for (int waited = 0; waited < 5000 && !back; waited += 20) {
        std::vector<std::string> now = linesOf(server->output());
        for (ptrdiff_t i = positionOf(now, busy) + 1; i > 0 && i < static_cast<ptrdiff_t>(now.size()); ++i)
            back = back || now[i] == worker + ": idle, Time(S) \"Idle\", From \"N/A\", Action \"\"" ||
                   now[i] == worker + ": listening, Time(S) \"\", From \"N/A\", Action \"Listening\"";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(back) << server->output();

    EXPECT_EQ(server->stop(), 0);
    EXPECT_EQ(server->errors(), "");
}

TEST(HeadlessRun, LogsTheRowsAndTheCounterOfOneDownload) {
    TemporaryFolder folder;
    ASSERT_TRUE(writeTextFile(folder.file("small.txt"), "twelve bytes"));
    auto server = ServerProcess::start({.root = folder.path(), .registry = folder.file("registry.reg")});
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(waitForLine(*server, "Sent Files: 000"));

    // The worker waits for the path line: the row shows the download by then.
    int client = connectLoopback(server->port());
    ASSERT_GE(client, 0);
    ASSERT_TRUE(sendBytes(client, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nCommand-ID: 3005\r\n\r\n"));
    std::string busy =
        waitForLineEnding(*server, ": busy, Time(S) \"0\", From \"127.0.0.1\", Action \"Download File.\"");
    ASSERT_FALSE(busy.empty()) << server->output();
    ASSERT_TRUE(sendBytes(client, "small.txt\r\n"));
    EXPECT_EQ(replyBody(readUntilClosed(client)), "twelve bytes");
    ::close(client);

    ASSERT_TRUE(waitForLine(*server, "Sent Files: 001")) << server->output();
    std::vector<std::string> lines = linesOf(server->output());
    EXPECT_LT(positionOf(lines, busy), positionOf(lines, "Sent Files: 001"));
    EXPECT_EQ(positionOf(lines, "Received: 001"), -1);
    EXPECT_EQ(server->stop(), 0);
}

TEST(HeadlessRun, PortInUseReportsOnStandardErrorAndEnds) {
    int blocker = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(blocker, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    ASSERT_EQ(::bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(blocker, 1), 0);
    socklen_t length = sizeof address;
    ::getsockname(blocker, reinterpret_cast<sockaddr*>(&address), &length);
    std::string port = std::to_string(ntohs(address.sin_port));

    TemporaryFolder folder;
    std::string output, errors;
    int status = runProgram({binaryFolder() + "/kelvane-server", "--headless", "--port", port, "--root",
                             folder.path(), "--registry", folder.file("registry.reg")},
                            &output, &errors, 20000);
    ::close(blocker);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors, "Can not start server. Make sure port 80 was not in use.\n");
    EXPECT_EQ(output.find("http://"), std::string::npos);
}

TEST(HeadlessRun, WithoutADisplayTheServerRunsHeadless) {
    TemporaryFolder folder;
    auto server = ServerProcess::start({.root = folder.path(),
                                        .registry = folder.file("registry.reg"),
                                        .environment = {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}},
                                        .headless = false});
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(waitForLine(*server, "Sent Files: 000"));
    EXPECT_EQ(server->stop(), 0);
}

} // namespace
