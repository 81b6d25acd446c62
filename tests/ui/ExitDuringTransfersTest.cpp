// Exit while five downloads are still running: the program ends at once and cleanly. Built with
// -DKELVANE_SANITIZE=thread or address,undefined this proves that no worker touches the window,
// a released Connection or the compression library after they are gone.
#include "tests/support/RawExchange.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TemporaryFolder.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

bool waitForOutput(const ServerProcess& server, const std::string& text, int timeoutMilliseconds) {
    for (int waited = 0; waited < timeoutMilliseconds; waited += 20) {
        if (server.output().find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

size_t countOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(ExitDuringTransfers, SigtermEndsTheProgramWhileFiveDownloadsRun) {
    TemporaryFolder folder;
    {
        // Larger than the socket buffers, so that every download stays in the middle of sending.
        int file = ::open(folder.file("big.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(file, 0);
        ASSERT_EQ(::ftruncate(file, 256 << 20), 0);
        ::close(file);
    }
    auto server = ServerProcess::start({.root = folder.path(), .registry = folder.file("registry.reg")});
    ASSERT_NE(server, nullptr);

    std::vector<int> clients;
    for (int i = 0; i < 5; ++i) {
        int client = connectLoopback(server->port());
        ASSERT_GE(client, 0);
        ASSERT_TRUE(
            sendBytes(client, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nCommand-ID: 3005\r\n\r\nbig.bin\r\n"));
        clients.push_back(client);
        // Each download waits for its worker; a later client gets the next one.
        for (int waited = 0; waited < 5000; waited += 20) {
            if (countOf(server->output(), "Action \"Download File.\"") > static_cast<size_t>(i))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ASSERT_TRUE(waitForOutput(*server, "Action \"Download File.\"", 5000));
    EXPECT_GE(countOf(server->output(), "Action \"Download File.\""), 5u) << server->output();
    // Give the refresh timer a turn, so that the window is busy with the rows as well.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(server->stop(15000), 0);
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    EXPECT_LT(seconds.count(), 10);
    // A sanitizer report would land here.
    EXPECT_EQ(server->errors(), "");
    for (int client : clients)
        ::close(client);
}

} // namespace
