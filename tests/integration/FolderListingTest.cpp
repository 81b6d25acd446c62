// Folder listings through the real server.
#include "client/lib/FileTime.h"
#include "tests/integration/ServerFixture.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelvane::client;

namespace {
std::vector<std::string> sortedNames(const std::vector<FolderEntry>& entries) {
    std::vector<std::string> names;
    for (const FolderEntry& entry : entries)
        names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

const FolderEntry* findEntry(const std::vector<FolderEntry>& entries, const std::string& name) {
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const FolderEntry& entry) { return entry.name == name; });
    return it == entries.end() ? nullptr : &*it;
}
} // namespace

class FolderListingTest : public ServerFixture {
  protected:
    void SetUp() override {
        ServerFixture::SetUp();
        writeFile(root("a.txt"), "abc");
        writeFile(root(".hidden"), "h");
        makeFolder(root("sub/inner"));
        writeFile(root("sub/inner/deep.bin"), std::string(2500, 'd'));
        makeFolder(root("empty"));
        ASSERT_EQ(::mkfifo(root("pipe").c_str(), 0600), 0); // a system entry
        startServer();
    }
};

TEST_F(FolderListingTest, EmptyLineListsTheRootWithoutHiddenOrSystemEntries) {
    auto outcome = client().listFolder("");
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    EXPECT_EQ(outcome.header.commandId(), 3004);
    EXPECT_EQ(outcome.header.value("Content-Length"), std::nullopt);
    EXPECT_EQ(sortedNames(outcome.value), (std::vector<std::string>{"a.txt", "empty", "sub"}));

    const FolderEntry* file = findEntry(outcome.value, "a.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->kindWord, 3u);
    EXPECT_EQ(file->size, 3u);
    const FolderEntry* folder = findEntry(outcome.value, "sub");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->kindWord, 4u);
}

TEST_F(FolderListingTest, SubFoldersWithEitherSeparator) {
    for (const char* path : {"sub\\inner", "sub/inner", "\\sub\\inner"}) {
        auto outcome = client().listFolder(path);
        ASSERT_TRUE(outcome.ok()) << path << ": " << outcome.message;
        ASSERT_EQ(outcome.value.size(), 1u) << path;
        EXPECT_EQ(outcome.value[0].name, "deep.bin");
        EXPECT_EQ(outcome.value[0].size, 2500u);
    }
}

TEST_F(FolderListingTest, HeaderOnlyForAFileAMissingFolderAndAnEmptyFolder) {
    for (const char* path : {"a.txt", "missing", "sub\\missing", "empty"}) {
        RawRequest request;
        request.commandId = 3001;
        request.body = std::string(path) + "\r\n";
        request.contentLength = static_cast<int64_t>(request.body.size());
        auto outcome = client().sendRaw(request);
        ASSERT_TRUE(outcome.ok()) << path << ": " << outcome.message;
        EXPECT_EQ(outcome.header.commandId(), 3004) << path;
        EXPECT_EQ(outcome.value, "") << path;
    }
}

TEST_F(FolderListingTest, FiveBillionByteFileGivesHighThenLowSizeWords) {
    int descriptor = ::open(root("empty/big.bin").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(descriptor, 0);
    ASSERT_EQ(::ftruncate(descriptor, 5000000000LL), 0); // sparse: takes no disk space
    ::close(descriptor);

    RawRequest request;
    request.commandId = 3001;
    request.body = "empty\r\n";
    request.contentLength = 7;
    auto raw = client().sendRaw(request);
    ASSERT_TRUE(raw.ok()) << raw.message;
    ASSERT_EQ(raw.value.size(), 8u + 20u);
    EXPECT_EQ(raw.value.substr(0, 8), std::string("big.bin\0", 8));
    EXPECT_EQ(raw.value.substr(8, 12), std::string("\x03\0\0\0\x01\0\0\0\x00\xF2\x05\x2A", 12));

    auto typed = client().listFolder("empty");
    ASSERT_TRUE(typed.ok()) << typed.message;
    ASSERT_EQ(typed.value.size(), 1u);
    EXPECT_EQ(typed.value[0].size, 5000000000ULL);
}

TEST_F(FolderListingTest, LastWriteTimeIsTheFileTimeOfTheModificationTime) {
    // 2021-03-04 05:06:07.5 UTC
    timespec times[2] = {{1614834367, 500000000}, {1614834367, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, root("a.txt").c_str(), times, 0), 0);
    auto outcome = client().listFolder("");
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    const FolderEntry* file = findEntry(outcome.value, "a.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->lastWriteTime, FILE_TIME_UNIX_EPOCH + 16148343675000000ULL);
    EXPECT_EQ(std::chrono::system_clock::to_time_t(file->lastWrite()), 1614834367);
}
