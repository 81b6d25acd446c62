// Gathered reply pieces and file contents sent on a socket pair.
#include "server/net/Connection.h"
#include "tests/support/SocketPair.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr uint32_t SHORT_TIMEOUT = 300;

// Everything the test's end receives until the other end closes.
std::string receiveUntilClosed(int socket) {
    std::string received;
    char buffer[65536];
    for (;;) {
        pollfd entry{socket, POLLIN, 0};
        if (::poll(&entry, 1, 5000) <= 0)
            return received;
        ssize_t count = ::recv(socket, buffer, sizeof buffer, 0);
        if (count <= 0)
            return received;
        received.append(buffer, static_cast<size_t>(count));
    }
}

std::string patternOf(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7919) >> 5);
    return bytes;
}

// A temporary file holding the bytes, positioned at its start.
FILE* fileHolding(const std::string& bytes) {
    FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fflush(file);
    std::rewind(file);
    return file;
}

TEST(ConnectionOutputTest, GatheredPiecesLeaveInOrderAtTheRightMoments) {
    SocketPair pair;
    Connection connection(nullptr, 0, SHORT_TIMEOUT);
    connection.socket = pair.server;
    connection.gatherReplies(true);
    EXPECT_EQ(connection.sendAll("head;", 5), 5);
    EXPECT_EQ(connection.sendWord(3000), 4);
    EXPECT_EQ(pair.receiveAvailable(), "") << "small pieces wait for the rest of the reply";

    // A piece too large to keep sends the kept ones first, then itself.
    std::string large = patternOf(3 * REPLY_GATHER_SIZE);
    std::string expected = std::string("head;\xb8\x0b\x00\x00", 9) + large;
    std::string received;
    std::thread reader([&] { received = pair.receiveAvailable(); });
    EXPECT_EQ(connection.sendAll(large.data(), static_cast<int64_t>(large.size())),
              static_cast<int64_t>(large.size()));
    reader.join();
    EXPECT_EQ(received, expected);

    // Waiting for the client sends what was kept: the client answers only what it has seen.
    EXPECT_EQ(connection.sendAll("ping", 4), 4);
    std::thread client([&] {
        std::string seen = pair.receiveAvailable();
        if (seen == "ping")
            pair.send("pong\r\n");
    });
    char line[16];
    EXPECT_EQ(connection.readLine(line, sizeof line), 4);
    client.join();

    // Turning gathering off, and the close, send the rest.
    EXPECT_EQ(connection.sendAll("A", 1), 1);
    connection.gatherReplies(false);
    EXPECT_EQ(pair.receiveAvailable(), "A");
    EXPECT_EQ(connection.sendAll("B", 1), 1);
    EXPECT_EQ(pair.receiveAvailable(), "B") << "not gathered any more";
    connection.gatherReplies(true);
    EXPECT_EQ(connection.sendAll("tail", 4), 4);
    connection.closeSocket();
    EXPECT_EQ(receiveUntilClosed(pair.client), "tail");
}

TEST(ConnectionOutputTest, FileContentsArriveWholeAfterTheGatheredHeader) {
    struct Case {
        const char* label;
        size_t size;
        bool throughPipe; // the system cannot send from a pipe directly: the bytes are copied
    };
    const Case cases[] = {
        {"empty file", 0, false},
        {"3 MiB file", 3 * 1024 * 1024 + 17, false},
        {"pipe", 200 * 1024 + 3, true},
    };
    for (const Case& test : cases) {
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        std::string content = patternOf(test.size);
        FILE* file = nullptr;
        int pipeEnds[2] = {-1, -1};
        std::thread writer;
        int handle;
        if (test.throughPipe) {
            ASSERT_EQ(::pipe(pipeEnds), 0);
            handle = pipeEnds[0];
            writer = std::thread([&] {
                for (size_t done = 0; done < content.size();) {
                    ssize_t count = ::write(pipeEnds[1], content.data() + done, content.size() - done);
                    if (count <= 0)
                        break;
                    done += static_cast<size_t>(count);
                }
                ::close(pipeEnds[1]);
            });
        } else {
            file = fileHolding(content);
            handle = fileno(file);
        }
        std::string received;
        std::thread reader([&] { received = receiveUntilClosed(pair.client); });
        connection.gatherReplies(true);
        connection.sendAll("HEADER", 6);
        EXPECT_EQ(connection.sendFileContents(handle), 1) << test.label;
        connection.closeSocket();
        reader.join();
        if (writer.joinable())
            writer.join();
        EXPECT_TRUE(received == "HEADER" + content) << test.label << ": " << received.size() << " bytes";
        if (file != nullptr)
            std::fclose(file);
        if (pipeEnds[0] >= 0)
            ::close(pipeEnds[0]);
    }
}

TEST(ConnectionOutputTest, FileContentsStopWhenThePeerLeavesOrStopsReading) {
    FILE* file = fileHolding(patternOf(32 * 1024 * 1024));
    // A peer that has gone must not end the process through SIGPIPE, in a process that left the
    // signal as it came (a fresh process: the file sender sets its own handling once).
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::signal(SIGPIPE, SIG_DFL);
            SocketPair pair;
            Connection connection(nullptr, 0, SHORT_TIMEOUT);
            connection.socket = pair.server;
            pair.closeClient();
            std::exit(connection.sendFileContents(fileno(file)) == 0 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "")
        << "peer gone";
    {
        std::rewind(file);
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        EXPECT_EQ(connection.sendFileContents(fileno(file)), -1) << "peer stops reading";
    }
    std::fclose(file);
}

} // namespace
