// Tests of the incremental folder listing parser.
#include "client/lib/FolderListingParser.h"

#include "client/lib/WireFormat.h"

#include <gtest/gtest.h>
#include <vector>

using namespace kelvane::client;

namespace {
std::string record(const std::string& name, uint32_t kind, uint64_t size, uint64_t time) {
    std::string bytes = name;
    bytes.push_back('\0');
    appendWord(bytes, kind);
    appendWord(bytes, static_cast<uint32_t>(size >> 32));
    appendWord(bytes, static_cast<uint32_t>(size));
    appendWord(bytes, static_cast<uint32_t>(time >> 32));
    appendWord(bytes, static_cast<uint32_t>(time));
    return bytes;
}
} // namespace

TEST(FolderListingParser, SplitsRecordsAtEveryChunkBoundary) {
    const std::string body = record("big.bin", 3, 5000000000ULL, 0x01D7'10AB'CDEF'0123ULL) +
                             record("Folder", 4, 0, 7) + record("", 3, 1, 2);
    for (size_t chunk = 1; chunk <= body.size(); ++chunk) {
        std::vector<FolderEntry> entries;
        FolderListingParser parser([&](const FolderEntry& entry) { entries.push_back(entry); });
        for (size_t offset = 0; offset < body.size(); offset += chunk)
            ASSERT_TRUE(parser.feed(body.data() + offset, std::min(chunk, body.size() - offset)));
        ASSERT_TRUE(parser.endsCleanly()) << "chunk " << chunk;
        ASSERT_EQ(entries.size(), 3u) << "chunk " << chunk;
        EXPECT_EQ(entries[0].name, "big.bin");
        EXPECT_FALSE(entries[0].isFolder());
        EXPECT_EQ(entries[0].size, 5000000000ULL);
        EXPECT_EQ(entries[0].lastWriteTime, 0x01D7'10AB'CDEF'0123ULL);
        EXPECT_EQ(entries[1].name, "Folder");
        EXPECT_TRUE(entries[1].isFolder());
        EXPECT_EQ(entries[2].name, "");
    }
}

TEST(FolderListingParser, SizeWordsComeHighHalfFirst) {
    // The record of a 5,000,000,000-byte file as the server sends it.
    std::string body = std::string("f\0", 2) + std::string("\x03\0\0\0\x01\0\0\0\x00\xF2\x05\x2A", 12) +
                       std::string(8, '\0');
    uint64_t size = 0;
    FolderListingParser parser([&](const FolderEntry& entry) { size = entry.size; });
    parser.feed(body.data(), body.size());
    EXPECT_EQ(size, 5000000000ULL);
}

TEST(FolderListingParser, NoticesCutAndRunawayRecords) {
    std::string whole = record("a", 3, 1, 1);
    for (size_t cut : {size_t{1}, size_t{2}, whole.size() - 1}) {
        FolderListingParser parser([](const FolderEntry&) {});
        parser.feed(whole.data(), cut);
        EXPECT_FALSE(parser.endsCleanly()) << "cut at " << cut;
        EXPECT_FALSE(parser.malformed());
    }
    FolderListingParser empty([](const FolderEntry&) {});
    EXPECT_TRUE(empty.endsCleanly());

    std::string runaway(FolderListingParser::MAX_NAME_LENGTH + 1, 'n');
    FolderListingParser parser([](const FolderEntry&) {});
    EXPECT_FALSE(parser.feed(runaway.data(), runaway.size()));
    EXPECT_TRUE(parser.malformed());
    EXPECT_FALSE(parser.endsCleanly());
}
