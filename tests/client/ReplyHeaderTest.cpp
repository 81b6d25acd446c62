// Tests of the reply header parser, fed whole and byte by byte.
#include "client/lib/ReplyHeader.h"

#include <gtest/gtest.h>

using namespace kelvane::client;

namespace {
struct Parsed {
    ReplyHeaderParser::State state;
    ReplyHeader header;
    size_t consumed;
};

Parsed parse(const std::string& bytes, bool byteByByte) {
    ReplyHeaderParser parser;
    size_t consumed = 0;
    if (byteByByte) {
        for (char byte : bytes) {
            if (parser.state() != ReplyHeaderParser::State::Incomplete)
                break;
            consumed += parser.feed(&byte, 1);
        }
    } else {
        consumed = parser.feed(bytes.data(), bytes.size());
    }
    return {parser.state(), parser.header(), consumed};
}
} // namespace

TEST(ReplyHeader, ParsesHeadersAndStopsAtTheBody) {
    const std::string header = "HTTP/1.1 200 OK\r\nCache-Control: no-cache, must-revalidate\r\n"
                               "Content-Type: text/html\r\nConnection: close\r\nCommand-ID: 3004\r\n\r\n";
    for (bool byteByByte : {false, true}) {
        Parsed parsed = parse(header + "body\0", byteByByte);
        ASSERT_EQ(parsed.state, ReplyHeaderParser::State::Complete);
        EXPECT_EQ(parsed.consumed, header.size());
        EXPECT_EQ(parsed.header.status, 200);
        EXPECT_EQ(parsed.header.statusLine, "HTTP/1.1 200 OK");
        EXPECT_EQ(parsed.header.fields.size(), 4u);
        EXPECT_EQ(parsed.header.commandId(), 3004);
        EXPECT_EQ(parsed.header.value("cache-control"), "no-cache, must-revalidate");
        EXPECT_EQ(parsed.header.value("Content-Length"), std::nullopt);
    }
}

TEST(ReplyHeader, CommandIdForms) {
    struct Case {
        std::string lines;
        std::optional<int32_t> commandId;
    };
    const Case cases[] = {
        {.lines = "Command-ID: 0\r\n", .commandId = 0},
        {.lines = "command-id:3005\r\n", .commandId = 3005},
        {.lines = "Command-ID: 3004\r\nCommand-ID: 3005\r\n", .commandId = 3004},
        {.lines = "Command-ID: abc\r\n", .commandId = std::nullopt},
        {.lines = "Command-ID: 99999999999\r\n", .commandId = std::nullopt},
        {.lines = "Connection: close\r\n", .commandId = std::nullopt},
        {.lines = "Command-ID: -7\n", .commandId = -7},
    };
    for (const Case& row : cases) {
        Parsed parsed = parse("HTTP/1.1 200 OK\r\n" + row.lines + "\r\n", false);
        ASSERT_EQ(parsed.state, ReplyHeaderParser::State::Complete) << row.lines;
        EXPECT_EQ(parsed.header.commandId(), row.commandId) << row.lines;
    }
}

TEST(ReplyHeader, FieldSplitting) {
    EXPECT_EQ(splitHeaderField("Host:  10.0.0.5"),
              std::make_pair(std::string("Host"), std::string(" 10.0.0.5")));
    EXPECT_EQ(splitHeaderField("Range: bytes=0-9:x"),
              std::make_pair(std::string("Range"), std::string("bytes=0-9:x")));
    EXPECT_EQ(splitHeaderField("NoColon"), std::make_pair(std::string("NoColon"), std::string()));
}

TEST(ReplyHeader, RefusesWhatIsNotAReplyHeader) {
    const std::string cases[] = {
        "<html>\r\n\r\n",
        "HTTP/1.1 OK\r\n\r\n",
        "\r\n",
        "HTTP/1.1 200 OK\r\n" + std::string(ReplyHeaderParser::MAX_LINE_LENGTH + 1, 'x'),
    };
    for (const std::string& bytes : cases) {
        ReplyHeaderParser parser;
        parser.feed(bytes.data(), bytes.size());
        EXPECT_EQ(parser.state(), ReplyHeaderParser::State::Malformed) << bytes.substr(0, 40);
        EXPECT_FALSE(parser.problem().empty());
    }
    std::string manyLines = "HTTP/1.1 200 OK\r\n";
    for (size_t i = 0; i < ReplyHeaderParser::MAX_LINES + 1; ++i)
        manyLines += "X: y\r\n";
    EXPECT_EQ(parse(manyLines, false).state, ReplyHeaderParser::State::Malformed);
    EXPECT_EQ(parse("HTTP/1.1 200 OK\r\nCommand-ID: 0\r\n", false).state,
              ReplyHeaderParser::State::Incomplete);
}
