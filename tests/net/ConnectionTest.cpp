// Line reading, exact transfers, input records and closing on a socket pair.
#include "server/net/Connection.h"

#include "tests/support/SocketPair.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

constexpr uint32_t SHORT_TIMEOUT = 300;

struct LineCase {
    const char* label;
    std::string sent;
    int32_t size;
    int32_t result;
    std::string text;
    std::string next; // what the following readLine gives
};

TEST(ConnectionTest, ReadLineKeepsCutsAndDiscards) {
    const LineCase cases[] = {
        {.label = "1022 characters",
         .sent = std::string(1022, 'a') + "\r\nnext\r\n",
         .size = 1024,
         .result = 1022,
         .text = std::string(1022, 'a'),
         .next = "next"},
        {.label = "1023 characters",
         .sent = std::string(1023, 'b') + "\r\nnext\r\n",
         .size = 1024,
         .result = 1024,
         .text = std::string(1023, 'b'),
         .next = "next"},
        {.label = "2000 characters",
         .sent = std::string(2000, 'c') + "\r\nnext\r\n",
         .size = 1024,
         .result = 1024,
         .text = std::string(1023, 'c'),
         .next = "next"},
        {.label = "empty line",
         .sent = "\r\nnext\r\n",
         .size = 1024,
         .result = 0,
         .text = "",
         .next = "next"},
        {.label = "bare LF and CR are ordinary",
         .sent = "\na\rb\nc\r\nnext\r\n",
         .size = 1024,
         .result = 6,
         .text = "\na\rb\nc",
         .next = "next"},
        {.label = "password line of 40 bytes",
         .sent = std::string(40, 'p') + "\r\nnext\r\n",
         .size = 30,
         .result = 30,
         .text = std::string(29, 'p'),
         .next = "next"},
        {.label = "CR at the cut, LF right after",
         .sent = std::string(29, 'q') + "\r\nnext\r\n",
         .size = 30,
         .result = 30,
         .text = std::string(29, 'q'),
         .next = "next"},
    };
    for (const auto& test : cases) {
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        std::thread sender([&] { pair.send(test.sent); });
        std::string buffer(static_cast<size_t>(test.size), '\xff');
        int32_t result = connection.readLine(buffer.data(), test.size);
        sender.join();
        EXPECT_EQ(result, test.result) << test.label;
        EXPECT_EQ(std::string(buffer.c_str()), test.text) << test.label;
        char next[64];
        EXPECT_EQ(connection.readLine(next, sizeof next), static_cast<int32_t>(test.next.size()))
            << test.label;
        EXPECT_EQ(std::string(next), test.next) << test.label;
    }
}

TEST(ConnectionTest, ReadLineNeverTakesBytesAfterTheLine) {
    SocketPair pair;
    Connection connection(nullptr, 0, SHORT_TIMEOUT);
    connection.socket = pair.server;
    pair.send("GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\nBODY!");
    char line[1024];
    EXPECT_EQ(connection.readLine(line, sizeof line), 14);
    EXPECT_EQ(connection.headers.readHeaders(), 0);
    char body[5];
    EXPECT_EQ(connection.receiveExact(body, 5), 5);
    EXPECT_EQ(std::string(body, 5), "BODY!");
}

// Lines are cut from one look at what has arrived; whatever reads next must still start right
// after the last line handed out, whether it reads a line, a body or an input record.
TEST(ConnectionTest, WhatFollowsTheLinesReadStaysInPlace) {
    {
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        pair.send("one\r\ntw");
        char line[64];
        EXPECT_EQ(connection.readLine(line, sizeof line), 3);
        std::thread rest([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            pair.send("o\r\nthree\r\n");
        });
        EXPECT_EQ(connection.readLine(line, sizeof line), 3) << "a line that arrived in two parts";
        EXPECT_EQ(std::string(line), "two");
        rest.join();
        EXPECT_EQ(connection.readLine(line, sizeof line), 5);
        EXPECT_EQ(std::string(line), "three");
    }
    {
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        pair.send("path\r\n" + std::string(12, '\x07') + "tail");
        char line[64];
        EXPECT_EQ(connection.readLine(line, sizeof line), 4);
        uint8_t record[12];
        EXPECT_EQ(connection.readInputEvent(record), 1);
        EXPECT_EQ(record[0], 7);
        EXPECT_EQ(record[11], 7);
        char tail[4];
        EXPECT_EQ(connection.receiveExact(tail, 4), 4);
        EXPECT_EQ(std::string(tail, 4), "tail");
    }
    {
        // Every byte of the request was read as lines: the close must not linger as if some
        // were left unread.
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        pair.send("GET / HTTP/1.1\r\nHost: a\r\n\r\n");
        char line[64];
        EXPECT_EQ(connection.readLine(line, sizeof line), 14);
        EXPECT_EQ(connection.headers.readHeaders(), 0);
        auto start = std::chrono::steady_clock::now();
        connection.closeSocket();
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(LINGER_MILLISECONDS / 2));
    }
}

TEST(ConnectionTest, ReadLineFailsOnSilenceAndOnClose) {
    {
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        pair.send("GET / HT");
        char line[1024];
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(connection.readLine(line, sizeof line), -1) << "silence in the middle of a line";
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(SHORT_TIMEOUT));
    }
    {
        // The discarding phase of a cut line is bounded by the same wait.
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        pair.send(std::string(40, 'x'));
        char line[30];
        EXPECT_EQ(connection.readLine(line, sizeof line), -1) << "silence while discarding a cut line";
    }
    {
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        pair.send("abc");
        pair.closeClient();
        char line[1024];
        EXPECT_EQ(connection.readLine(line, sizeof line), -1) << "peer closed in the middle of a line";
    }
}

TEST(ConnectionTest, ReceiveExactReportsShortCountsAndTimeOuts) {
    {
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        pair.send(std::string(100, 'z'));
        pair.closeClient();
        char buffer[1024];
        EXPECT_EQ(connection.receiveExact(buffer, 1024), 100);
    }
    {
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        pair.send(std::string(10, 'z'));
        char buffer[1024];
        EXPECT_EQ(connection.receiveExact(buffer, 1024), -1) << "silence after 10 bytes";
        EXPECT_EQ(connection.receiveExact(buffer, 0), 0);
        EXPECT_EQ(connection.receiveExact(buffer, -4), -4);
    }
}

TEST(ConnectionTest, SendAllTimesOutWhenThePeerStopsReading) {
    SocketPair pair;
    Connection connection(nullptr, 0, SHORT_TIMEOUT);
    connection.socket = pair.server;
    std::string big(16 * 1024 * 1024, 'w');
    EXPECT_EQ(connection.sendAll(big.data(), static_cast<int64_t>(big.size())), -1);
}

TEST(ConnectionTest, SendWordIsLittleEndian) {
    SocketPair pair;
    Connection connection(nullptr, 0, SHORT_TIMEOUT);
    connection.socket = pair.server;
    EXPECT_EQ(connection.sendWord(4005), 4);
    EXPECT_EQ(connection.sendWord(0xFFFFFFFFu), 4);
    EXPECT_EQ(pair.receiveAvailable(), std::string("\xa5\x0f\x00\x00\xff\xff\xff\xff", 8));
}

TEST(ConnectionTest, ReadInputEventWaitsWithoutTimeOut) {
    {
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        std::thread late([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(3 * SHORT_TIMEOUT));
            pair.send(std::string(12, '\x01'));
        });
        uint8_t record[12];
        EXPECT_EQ(connection.readInputEvent(record), 1) << "a record after longer than the I/O wait";
        late.join();
    }
    {
        SocketPair pair;
        Connection connection(nullptr, 0, SHORT_TIMEOUT);
        connection.socket = pair.server;
        pair.send("12345");
        pair.closeClient();
        uint8_t record[12];
        EXPECT_EQ(connection.readInputEvent(record), 0) << "5 bytes, then close";
    }
}

TEST(ConnectionTest, AbortFromAnotherThreadEndsAPendingWait) {
    SocketPair pair;
    Connection connection(nullptr, 0, 20000);
    connection.socket = pair.server;
    std::thread aborter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        connection.abortSocket();
    });
    auto start = std::chrono::steady_clock::now();
    uint8_t record[12];
    EXPECT_EQ(connection.readInputEvent(record), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    aborter.join();
    connection.closeSocket();
    connection.closeSocket();
    EXPECT_EQ(connection.currentSocket(), -1);
}

} // namespace
