// Header parsing, look-ups, numeric conversions and the exact bytes of a reply header.
#include "server/http/HeaderList.h"

#include "server/http/DecimalFormat.h"
#include "server/net/Connection.h"
#include "tests/support/SocketPair.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct ParseCase {
    const char* line;
    const char* name;
    const char* value;
};

TEST(HeaderListTest, ParsesNameAndValue) {
    const ParseCase cases[] = {
        {.line = "Host: 10.0.0.5", .name = "Host", .value = "10.0.0.5"},
        {.line = "Host:10.0.0.5", .name = "Host", .value = "10.0.0.5"},
        {.line = "Host:  10.0.0.5", .name = "Host", .value = " 10.0.0.5"},
        {.line = "Range: bytes=0-9:x", .name = "Range", .value = "bytes=0-9:x"},
        {.line = "NoColonHere", .name = "NoColonHere", .value = ""},
        {.line = " Spaced Name : v", .name = " Spaced Name ", .value = "v"},
        {.line = "Empty:", .name = "Empty", .value = ""},
    };
    for (const auto& test : cases) {
        HeaderEntry entry{};
        HeaderList::parseHeaderLine(test.line, entry);
        EXPECT_STREQ(entry.name, test.name) << "line: " << test.line;
        EXPECT_STREQ(entry.value, test.value) << "line: " << test.line;
    }
}

TEST(HeaderListTest, FindsFirstMatchIgnoringCaseOfWholeName) {
    Connection connection(nullptr, 0);
    HeaderList& list = connection.headers;
    list.addLine("command-id:3005");
    list.addLine("Command-ID: 3006");
    list.addLine("Host");
    list.addLine("Content-Length: 12abc");
    EXPECT_EQ(connection.requestCommandId(), 3005);
    EXPECT_EQ(connection.requestContentLength(), 12);
    EXPECT_STREQ(list.findValue("HOST"), "");
    EXPECT_EQ(list.findValue("Hos"), nullptr);
    EXPECT_EQ(list.findValue("Command"), nullptr);
}

TEST(HeaderListTest, ConvertsNumbersByTheTextToIntegerRule) {
    struct Case {
        const char* value;
        int64_t length;
        int32_t command;
    };
    const Case cases[] = {
        {.value = "abc", .length = 0, .command = 0},
        {.value = "12abc", .length = 12, .command = 12},
        {.value = "-5", .length = -5, .command = -5},
        {.value = "  +42", .length = 42, .command = 42},
        {.value = "5000000000", .length = 5000000000LL, .command = 2147483647},
        {.value = "99999999999999999999999", .length = INT64_MAX, .command = 2147483647},
        {.value = "-99999999999999999999999", .length = INT64_MIN, .command = -2147483647 - 1},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(parseDecimal64(test.value), test.length) << test.value;
        EXPECT_EQ(parseDecimal32(test.value), test.command) << test.value;
    }
    Connection connection(nullptr, 0);
    EXPECT_EQ(connection.requestCommandId(), 0) << "no Command-ID header";
    EXPECT_EQ(connection.requestContentLength(), 0) << "no Content-length header";
}

TEST(HeaderListTest, GrowsByFiftyAndKeepsEveryLine) {
    SocketPair pair;
    Connection connection(nullptr, 0, 2000);
    connection.socket = pair.server;
    std::string block;
    for (int i = 0; i < 120; ++i)
        block += "X-Header-" + std::to_string(i) + ": value " + std::to_string(i) + "\r\n";
    block += "\r\n";
    pair.send(block);
    ASSERT_EQ(connection.headers.readHeaders(), 0);
    EXPECT_EQ(connection.headers.count, 120);
    EXPECT_EQ(connection.headers.capacity, 150);
    EXPECT_STREQ(connection.headers.findValue("x-header-119"), "value 119");
    connection.headers.clear();
    EXPECT_EQ(connection.headers.capacity, 0);
    EXPECT_EQ(connection.headers.items, nullptr);
}

TEST(HeaderListTest, ReadHeadersFailsWhenThePeerCloses) {
    SocketPair pair;
    Connection connection(nullptr, 0, 2000);
    connection.socket = pair.server;
    pair.send("Host: a\r\nPartial");
    pair.closeClient();
    EXPECT_EQ(connection.headers.readHeaders(), -1);
}

TEST(HeaderListTest, WritesTheReplyHeaderByteForByte) {
    struct Case {
        const char* contentType;
        int32_t commandId;
        int64_t contentLength;
        const char* expected;
    };
    const Case cases[] = {
        {.contentType = "",
         .commandId = 3004,
         .contentLength = 0,
         .expected =
             "HTTP/1.1 200 OK\r\nCache-Control: no-cache, must-revalidate\r\nContent-Type: text/html\r\n"
             "Connection: close\r\nCommand-ID: 3004\r\n\r\n"},
        {.contentType = "image/gif",
         .commandId = 0,
         .contentLength = 0,
         .expected =
             "HTTP/1.1 200 OK\r\nCache-Control: no-cache, must-revalidate\r\nContent-Type: image/gif\r\n"
             "Connection: close\r\nCommand-ID: 0\r\n\r\n"},
        {.contentType = "",
         .commandId = 0,
         .contentLength = 1234567890123LL,
         .expected =
             "HTTP/1.1 200 OK\r\nCache-Control: no-cache, must-revalidate\r\nContent-Type: text/html\r\n"
             "Connection: close\r\nContent-Length: 1234567890123\r\nCommand-ID: 0\r\n\r\n"},
        {.contentType = "",
         .commandId = 7,
         .contentLength = -3,
         .expected =
             "HTTP/1.1 200 OK\r\nCache-Control: no-cache, must-revalidate\r\nContent-Type: text/html\r\n"
             "Connection: close\r\nCommand-ID: 7\r\n\r\n"},
    };
    for (const auto& test : cases) {
        SocketPair pair;
        Connection connection(nullptr, 0, 2000);
        connection.socket = pair.server;
        connection.headers.addLine("Host: 10.0.0.1");
        connection.setContentType(test.contentType);
        EXPECT_EQ(connection.writeResponseHeader(200, test.commandId, test.contentLength), 1);
        EXPECT_EQ(pair.receiveAvailable(), test.expected) << "content type '" << test.contentType << "'";
        EXPECT_EQ(connection.headers.findValue("Host"), nullptr) << "the request's headers are gone";
        EXPECT_EQ(connection.headers.count, 0);
    }
}

TEST(HeaderListTest, FormatsDecimal64) {
    char text[24];
    const std::pair<int64_t, const char*> cases[] = {
        {1, "1"}, {10, "10"}, {1234567890123LL, "1234567890123"}, {INT64_MAX, "9223372036854775807"}};
    for (const auto& [value, expected] : cases) {
        formatDecimal64(value, text);
        EXPECT_STREQ(text, expected);
    }
}

} // namespace
