// The remote sessions through the real kelvane-server: dispatch of 3016 and 3015 on loopback, the
// compression library found beside the program, and the closing of both sessions.
#include "compression/Quodra.h"
#include "tests/remote/DisplayTestSupport.h"
#include "tests/support/RawExchange.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TemporaryFolder.h"

#include <X11/X.h>
#include <chrono>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

bool receiveWord(int socket, uint32_t& word) {
    uint8_t bytes[4];
    if (!receiveExactly(socket, bytes, 4))
        return false;
    word = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

class RemoteSessionsServerTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(display.start("240x320x16", true));
        ASSERT_TRUE(writeTextFile(workspace.file("registry.reg"), ""));
        ServerProcessOptions options;
        options.root = workspace.path();
        options.registry = workspace.file("registry.reg");
        options.environment = {{"DISPLAY", display.server.displayName()}};
        server = ServerProcess::start(options);
        ASSERT_NE(server, nullptr) << "kelvane-server did not start";
    }

    int openCommand(int command) {
        const int socket = connectLoopback(server->port());
        EXPECT_GE(socket, 0);
        sendBytes(socket,
                  "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nCommand-ID: " + std::to_string(command) + "\r\n\r\n");
        return socket;
    }

    PrivateDisplay display;
    TemporaryFolder workspace;
    std::unique_ptr<ServerProcess> server;
};

TEST_F(RemoteSessionsServerTest, DisplaySessionStreamsCompressedBands) {
    const int socket = openCommand(3016);
    const std::string header = receiveHeaderBlock(socket);
    ASSERT_NE(header.find("\r\nCommand-ID: 0\r\n"), std::string::npos) << header;
    uint32_t screen[3];
    for (auto& word : screen)
        ASSERT_TRUE(receiveWord(socket, word));
    EXPECT_EQ(screen[0], 240u);
    EXPECT_EQ(screen[1], 320u);
    EXPECT_EQ(screen[2], 16u);

    display.client.fill(0, 100, 240, 1, display.client.pixelOf(0, 255, 0));
    uint32_t first;
    uint32_t last;
    uint32_t length;
    ASSERT_TRUE(receiveWord(socket, first) && receiveWord(socket, last) && receiveWord(socket, length));
    EXPECT_EQ(first, 219u);
    EXPECT_EQ(last, 219u);
    // libquodra.so lies beside the program, so the band arrives compressed.
    ASSERT_GT(length, 0u) << "the server did not load the compression library from its folder";
    ASSERT_LT(length, 480u);
    Bytes stream(length);
    ASSERT_TRUE(receiveExactly(socket, stream.data(), length));
    Bytes band(480);
    int32_t produced = 480;
    ASSERT_EQ(Decompress(stream.data(), band.data(), static_cast<int32_t>(length), &produced), 0);
    ASSERT_EQ(produced, 480);
    for (int x = 0; x < 240; ++x)
        ASSERT_EQ(pixelAt(band.data(), 16, x), 0x03E0u) << "pixel " << x;
    close(socket);
}

TEST_F(RemoteSessionsServerTest, ControlSessionMovesThePointerAndRepliesAtTheEnd) {
    const int socket = openCommand(3015);
    const uint8_t move[12] = {0x00, 0x02, 0, 0, 0, 0, 0, 0, 77, 0, 99, 0}; // 512 at (77, 99)
    ASSERT_TRUE(sendBytes(socket, std::string_view(reinterpret_cast<const char*>(move), sizeof move)));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (display.client.pointer().x != 77 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(display.client.pointer().x, 77);
    EXPECT_EQ(display.client.pointer().y, 99);

    shutdown(socket, SHUT_WR);
    bool closed = false;
    const std::string reply = readUntilClosed(socket, 5000, &closed);
    EXPECT_TRUE(closed);
    EXPECT_NE(reply.find("\r\nCommand-ID: 0\r\n"), std::string::npos) << reply;
    EXPECT_EQ(replyBody(reply), std::string(4, '\0'));
    close(socket);
}

} // namespace
