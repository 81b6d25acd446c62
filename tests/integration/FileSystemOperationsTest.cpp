// Delete, create, move and free space through the real server.
#include "tests/integration/ServerFixture.h"

#include <sys/statvfs.h>

using namespace kelvane::client;

class FileSystemOperationsTest : public ServerFixture {
  protected:
    void SetUp() override {
        ServerFixture::SetUp();
        makeFolder(root("folder"));
        writeFile(root("file.txt"), "file");
        startServer();
    }
};

TEST_F(FileSystemOperationsTest, CreateFolder) {
    struct Case {
        std::string path;
        ResultWord expected;
    };
    const Case cases[] = {
        {.path = "folder", .expected = ResultWord::ExistsFolder},
        {.path = "file.txt", .expected = ResultWord::ExistsFile},
        {.path = "folder\\new", .expected = ResultWord::Ok},
        {.path = "fresh", .expected = ResultWord::Ok},
        {.path = "missing\\child", .expected = ResultWord::Failed},
    };
    for (const Case& row : cases) {
        auto outcome = client().createFolder(row.path);
        ASSERT_TRUE(outcome.ok()) << row.path << ": " << outcome.message;
        EXPECT_EQ(outcome.value.word, static_cast<uint32_t>(row.expected)) << row.path;
        EXPECT_EQ(outcome.header.commandId(), 0);
    }
    EXPECT_TRUE(isFolder(root("folder/new")));
    EXPECT_TRUE(isFolder(root("fresh")));
    EXPECT_EQ(readFile(root("file.txt")), "file");
    EXPECT_FALSE(exists(root("missing")));
}

TEST_F(FileSystemOperationsTest, DeleteFile) {
    struct Case {
        std::string path;
        ResultWord expected;
    };
    const Case cases[] = {
        {.path = "missing.txt", .expected = ResultWord::Failed},
        {.path = "folder", .expected = ResultWord::Failed},
        {.path = "file.txt", .expected = ResultWord::Ok},
        {.path = "file.txt", .expected = ResultWord::Failed},
    };
    for (const Case& row : cases) {
        auto outcome = client().deleteFile(row.path);
        ASSERT_TRUE(outcome.ok()) << row.path << ": " << outcome.message;
        EXPECT_EQ(outcome.value.word, static_cast<uint32_t>(row.expected)) << row.path;
    }
    EXPECT_TRUE(isFolder(root("folder")));
    EXPECT_FALSE(exists(root("file.txt")));
}

TEST_F(FileSystemOperationsTest, DeleteFolderRemovesEverythingInside) {
    makeFolder(root("tree/empty"));
    makeFolder(root("tree/deep/deeper"));
    writeFile(root("tree/one.txt"), "1");
    writeFile(root("tree/.hidden"), "h");
    writeFile(root("tree/deep/deeper/two.txt"), "2");
    auto outcome = client().deleteFolder("tree");
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    EXPECT_TRUE(outcome.value.is(ResultWord::Ok));
    EXPECT_FALSE(exists(root("tree")));

    EXPECT_TRUE(client().deleteFolder("folder").value.is(ResultWord::Ok)); // an empty folder
    EXPECT_FALSE(exists(root("folder")));
}

TEST_F(FileSystemOperationsTest, DeleteFolderFailures) {
    // The top folder itself, in any of its spellings, is never deleted.
    makeFolder(root("folder/inner"));
    for (const char* path : {"missing", "", "file.txt", "\\", "/", ".", "folder\\..", ".."}) {
        auto outcome = client().deleteFolder(path);
        ASSERT_TRUE(outcome.ok()) << path << ": " << outcome.message;
        EXPECT_TRUE(outcome.value.is(ResultWord::Failed)) << "\"" << path << "\" gave " << outcome.value.word;
    }
    EXPECT_TRUE(isFolder(root("folder/inner")));
    EXPECT_EQ(readFile(root("file.txt")), "file");
}

TEST_F(FileSystemOperationsTest, Move) {
    writeFile(root("folder/target.txt"), "target");
    struct Case {
        std::string source, destination;
        uint32_t expected;
    };
    const Case cases[] = {
        {.source = "file.txt", .destination = "folder\\target.txt", .expected = 0}, // destination exists
        {.source = "missing.txt", .destination = "anything.txt", .expected = 0},
        {.source = "file.txt", .destination = "folder\\moved.txt", .expected = 1},
        {.source = "folder", .destination = "renamed", .expected = 1},
    };
    for (const Case& row : cases) {
        auto outcome = client().moveItem(row.source, row.destination);
        ASSERT_TRUE(outcome.ok()) << row.source << ": " << outcome.message;
        EXPECT_EQ(outcome.value.word, row.expected) << row.source << " -> " << row.destination;
    }
    EXPECT_EQ(readFile(root("renamed/target.txt")), "target");
    EXPECT_EQ(readFile(root("renamed/moved.txt")), "file");
    EXPECT_FALSE(exists(root("file.txt")));
    EXPECT_FALSE(exists(root("folder")));
}

TEST_F(FileSystemOperationsTest, CheckDiskSpace) {
    struct statvfs volume {};
    ASSERT_EQ(::statvfs(root().c_str(), &volume), 0);
    uint64_t expected = static_cast<uint64_t>(volume.f_bavail) * volume.f_frsize;
    uint64_t total = static_cast<uint64_t>(volume.f_blocks) * volume.f_frsize;
    for (const char* path : {"", "folder"}) {
        RawRequest request;
        request.commandId = 3012;
        request.body = std::string(path) + "\r\n";
        request.contentLength = static_cast<int64_t>(request.body.size());
        auto raw = client().sendRaw(request);
        ASSERT_TRUE(raw.ok()) << raw.message;
        EXPECT_EQ(raw.value.size(), 8u);

        auto outcome = client().checkDiskSpace(path);
        ASSERT_TRUE(outcome.ok()) << outcome.message;
        // Other work on the machine changes the free space a little between the two readings.
        uint64_t slack = 4ULL << 30;
        EXPECT_LE(outcome.value.freeBytes, total);
        EXPECT_GT(outcome.value.freeBytes + slack, expected) << path;
        EXPECT_LT(outcome.value.freeBytes, expected + slack) << path;
    }
    // A path whose volume cannot be asked gives eight zero bytes.
    auto missing = client().checkDiskSpace("no\\such\\folder");
    ASSERT_TRUE(missing.ok()) << missing.message;
    EXPECT_EQ(missing.value.freeBytes, 0u);
}
