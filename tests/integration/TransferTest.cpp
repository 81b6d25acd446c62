// Downloads and uploads through the real server.
#include "tests/integration/ServerFixture.h"

#include <thread>

using namespace kelvane::client;

namespace {
Outcome<DownloadSummary> downloadInto(const CommandClient& client, const std::string& path,
                                      std::string& received) {
    return client.downloadFile(path, [&](const char* data, size_t size) {
        received.append(data, size);
        return true;
    });
}

Outcome<UploadReply> uploadBytes(const CommandClient& client, const std::string& path,
                                 const std::string& bytes) {
    size_t offset = 0;
    return client.uploadFile(path, bytes.size(), [&](char* buffer, size_t capacity) {
        size_t count = std::min(capacity, bytes.size() - offset);
        std::copy_n(bytes.data() + offset, count, buffer);
        offset += count;
        return static_cast<int64_t>(count);
    });
}

std::string patterned(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 10)) & 0xFF);
    return bytes;
}
} // namespace

class TransferTest : public ServerFixture {
  protected:
    void SetUp() override {
        ServerFixture::SetUp();
        startServer();
    }
};

TEST_F(TransferTest, DownloadsGiveTheFileBytesOrNothing) {
    const std::string content = patterned(2500, 1);
    writeFile(root("empty.bin"), "");
    writeFile(root("data.bin"), content);
    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {.path = "empty.bin", .expected = ""},
        {.path = "data.bin", .expected = content},
        {.path = "missing.bin", .expected = ""},
        {.path = "no\\such\\folder.bin", .expected = ""},
    };
    for (const Case& row : cases) {
        std::string received;
        auto outcome = downloadInto(client(), row.path, received);
        ASSERT_TRUE(outcome.ok()) << row.path << ": " << outcome.message;
        EXPECT_EQ(outcome.header.status, 200) << row.path;
        EXPECT_EQ(outcome.header.commandId(), 0) << row.path;
        EXPECT_EQ(outcome.header.value("Content-Length"), std::nullopt) << row.path;
        EXPECT_EQ(outcome.value.bytes, row.expected.size()) << row.path;
        EXPECT_TRUE(received == row.expected) << row.path;
    }
}

TEST_F(TransferTest, UploadStoresTheBytesAndCutsALongerFile) {
    const std::string content = patterned(2500, 2);
    auto created = uploadBytes(client(), "new.bin", content);
    ASSERT_TRUE(created.ok()) << created.message;
    EXPECT_EQ(created.value.word, 0u);
    EXPECT_EQ(created.header.commandId(), 0);
    EXPECT_EQ(readFile(root("new.bin")), content);

    writeFile(root("long.bin"), std::string(100, 'o'));
    auto overwritten = uploadBytes(client(), "long.bin", "0123456789");
    ASSERT_TRUE(overwritten.ok()) << overwritten.message;
    EXPECT_EQ(overwritten.value.word, 0u);
    EXPECT_EQ(readFile(root("long.bin")), "0123456789");

    // An empty upload onto an existing file leaves it empty, like any other overwrite.
    auto emptied = uploadBytes(client(), "long.bin", "");
    ASSERT_TRUE(emptied.ok()) << emptied.message;
    EXPECT_EQ(emptied.value.word, 0u);
    EXPECT_EQ(readFile(root("long.bin")), "");

    auto empty = uploadBytes(client(), "empty.bin", "");
    ASSERT_TRUE(empty.ok()) << empty.message;
    EXPECT_EQ(empty.value.word, 0u);
    EXPECT_TRUE(exists(root("empty.bin")));
    EXPECT_EQ(readFile(root("empty.bin")), "");
}

TEST_F(TransferTest, UploadTakesExactlyTheContentLengthsBudget) {
    const std::string path = "budget.bin";
    const std::string fileBytes = patterned(5000, 3);
    RawRequest request;
    request.commandId = 3006;
    request.body = path + "\r\n" + fileBytes;
    request.contentLength = static_cast<int64_t>(path.size() + 2 + 3000);
    auto outcome = client().sendRaw(request);
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    EXPECT_EQ(outcome.value, std::string(4, '\0'));
    EXPECT_EQ(readFile(root(path)), fileBytes.substr(0, 3000));
}

TEST_F(TransferTest, UploadWithoutContentLengthCreatesAnEmptyFile) {
    writeFile(root("kept.bin"), "kept");
    for (const char* path : {"fresh.bin", "kept.bin"}) {
        RawRequest request;
        request.commandId = 3006;
        request.body = std::string(path) + "\r\n";
        auto outcome = client().sendRaw(request);
        ASSERT_TRUE(outcome.ok()) << path << ": " << outcome.message;
        EXPECT_EQ(outcome.value, std::string(4, '\0')) << path;
    }
    EXPECT_TRUE(exists(root("fresh.bin")));
    EXPECT_EQ(readFile(root("fresh.bin")), "");
    EXPECT_EQ(readFile(root("kept.bin")), "kept"); // no bytes to write: an existing file stays as it was
}

TEST_F(TransferTest, UploadIntoAMissingFolderAnswersOne) {
    for (size_t size : {size_t{2000}, size_t{0}, size_t{3u << 20}}) {
        auto outcome = uploadBytes(client(), "missing\\x.bin", patterned(size, 4));
        ASSERT_TRUE(outcome.ok()) << size << ": " << outcome.message;
        EXPECT_EQ(outcome.value.word, 1u) << size;
        EXPECT_FALSE(exists(root("missing")));
    }
}

TEST_F(TransferTest, TwoUploadsAtOnce) {
    const std::string first = patterned(8u << 20, 5), second = patterned(8u << 20, 6);
    Outcome<UploadReply> firstOutcome, secondOutcome;
    std::thread other([&] { secondOutcome = uploadBytes(client(), "second.bin", second); });
    firstOutcome = uploadBytes(client(), "first.bin", first);
    other.join();
    ASSERT_TRUE(firstOutcome.ok()) << firstOutcome.message;
    ASSERT_TRUE(secondOutcome.ok()) << secondOutcome.message;
    EXPECT_EQ(firstOutcome.value.word, 0u);
    EXPECT_EQ(secondOutcome.value.word, 0u);
    EXPECT_TRUE(readFile(root("first.bin")) == first);
    EXPECT_TRUE(readFile(root("second.bin")) == second);
}

TEST_F(TransferTest, RoundTripThroughLocalFiles) {
    const std::string content = patterned(3u << 20, 7);
    writeFile(workspace.file("local.bin"), content);
    auto up = client().uploadFile("copy.bin", workspace.file("local.bin"));
    ASSERT_TRUE(up.ok()) << up.message;
    EXPECT_TRUE(up.value.stored());
    auto down = client().downloadFile("copy.bin", workspace.file("back.bin"));
    ASSERT_TRUE(down.ok()) << down.message;
    EXPECT_EQ(down.value.bytes, content.size());
    EXPECT_TRUE(readFile(workspace.file("back.bin")) == content);
}
