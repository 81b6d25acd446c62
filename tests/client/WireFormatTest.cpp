// Tests of the client's byte encodings and file time conversion.
#include "client/lib/WireFormat.h"

#include "client/lib/FileTime.h"

#include <gtest/gtest.h>

using namespace kelvane::client;

TEST(WireFormat, WordsAreLittleEndian) {
    std::string bytes;
    appendWord(bytes, 3004);
    EXPECT_EQ(bytes, std::string("\xBC\x0B\x00\x00", 4));
    EXPECT_EQ(decodeWord(bytes.data()), 3004u);
    EXPECT_EQ(decodeWord("\xFF\xFF\xFF\xFF"), 0xFFFFFFFFu);
    EXPECT_EQ(decodeLittleEndian64("\x00\x00\x00\xC0\x00\x00\x00\x00"), 3ULL << 30);
    EXPECT_EQ(joinHighLow(1, 0x2A05F200), 5000000000ULL);
}

TEST(WireFormat, PathLines) {
    struct Case {
        std::string text;
        bool accepted;
    };
    const Case cases[] = {
        {.text = "", .accepted = true},
        {.text = "My Documents\\a.txt", .accepted = true},
        {.text = std::string(1023, 'x'), .accepted = true},
        {.text = std::string(1024, 'x'), .accepted = false},
        {.text = "a\rb", .accepted = false},
        {.text = "a\nb", .accepted = false},
        {.text = std::string("a\0b", 3), .accepted = false},
    };
    for (const Case& row : cases) {
        std::string problem;
        auto line = encodePathLine(row.text, &problem);
        EXPECT_EQ(line.has_value(), row.accepted) << "path of " << row.text.size() << " bytes";
        if (line)
            EXPECT_EQ(*line, row.text + "\r\n");
        else
            EXPECT_FALSE(problem.empty());
    }
    // A password line may be long: the server cuts it on purpose.
    EXPECT_TRUE(encodeTextLine(std::string(2000, 'p')).has_value());
}

TEST(WireFormat, NarrowStrings) {
    std::string_view bytes("ab\0\0rest", 8);
    EXPECT_EQ(takeNarrowString(bytes), "ab");
    EXPECT_EQ(takeNarrowString(bytes), "");
    EXPECT_EQ(bytes, "rest");
    EXPECT_EQ(takeNarrowString(bytes), std::nullopt);
    EXPECT_EQ(bytes, "rest");
}

TEST(FileTime, ConvertsFrom1601) {
    EXPECT_EQ(fileTimeToUnixNanoseconds(FILE_TIME_UNIX_EPOCH), 0);
    // 2021-03-04 05:06:07 UTC is 1614834367 s after 1970.
    uint64_t fileTime = FILE_TIME_UNIX_EPOCH + 1614834367ULL * 10000000ULL + 5;
    EXPECT_EQ(fileTimeToUnixNanoseconds(fileTime), 1614834367LL * 1000000000LL + 500);
    EXPECT_EQ(std::chrono::system_clock::to_time_t(fileTimeToSystemTime(fileTime)), 1614834367);
    EXPECT_EQ(fileTimeToUnixNanoseconds(FILE_TIME_UNIX_EPOCH - 10), -1000);
    // The extremes saturate instead of wrapping.
    EXPECT_EQ(fileTimeToUnixNanoseconds(0), INT64_MIN);
    EXPECT_EQ(fileTimeToUnixNanoseconds(UINT64_MAX), INT64_MAX);
}
