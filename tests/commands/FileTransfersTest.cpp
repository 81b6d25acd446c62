// Downloads and uploads: bytes, byte budgets, failures, counters and stalled or vanished clients.
#include "server/commands/FileCounters.h"
#include "tests/commands/CommandRig.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string REPLY_HEADER = "HTTP/1.1 200 OK\r\n"
                                 "Cache-Control: no-cache, must-revalidate\r\n"
                                 "Content-Type: text/html\r\n"
                                 "Connection: close\r\n"
                                 "Command-ID: 0\r\n"
                                 "\r\n";

std::string pattern(size_t size, unsigned seed = 1) {
    std::string bytes(size, '\0');
    uint32_t state = seed;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

// An upload request body: the path line and the file bytes, with the Content-length that
// announces exactly those bytes unless told otherwise. The client then ends its sending side, so
// that the server's closing never waits for more.
ClientScript upload(const std::string& path, const std::string& bytes) {
    ClientScript script;
    script.bytes = path + "\r\n" + bytes;
    script.closeAfterSending = true;
    script.contentLength = static_cast<int64_t>(script.bytes.size());
    return script;
}

TEST(DownloadTest, SendsTheFileExactlyAndCountsIt) {
    CommandRig rig;
    struct Case {
        const char* label;
        size_t size;
    };
    const Case cases[] = {
        {"empty file", 0}, {"2,500 bytes", 2500}, {"exactly one chunk", 1024}, {"3 MB", 3000000}};
    for (const Case& test : cases) {
        const std::string content = pattern(test.size);
        ASSERT_TRUE(writeTextFile(rig.inRoot("file.bin"), content));
        int32_t sentBefore = sentFileCount.load();
        CommandReply reply = rig.runLines(&CommandHandler::downloadFile, {"file.bin"});
        EXPECT_EQ(reply.header, REPLY_HEADER) << test.label;
        EXPECT_TRUE(reply.body == content) << test.label << ": " << reply.body.size() << " bytes";
        EXPECT_EQ(sentFileCount.load(), sentBefore + 1) << test.label;
    }
}

TEST(DownloadTest, NothingToSendGivesTheHeaderAloneAndNoCount) {
    CommandRig rig;
    std::filesystem::create_directories(rig.inRoot("folder"));
    ASSERT_EQ(::mkfifo(rig.inRoot("pipe").c_str(), 0600), 0);
    for (const std::string& line : {std::string("missing.bin"), std::string("folder"), std::string("pipe"),
                                    std::string(), std::string(1500, 'a')}) {
        int32_t sentBefore = sentFileCount.load();
        CommandReply reply = rig.runLines(&CommandHandler::downloadFile, {line});
        EXPECT_EQ(reply.raw, REPLY_HEADER) << line;
        EXPECT_EQ(sentFileCount.load(), sentBefore) << line;
    }
    CommandRig silent(300);
    EXPECT_EQ(silent.run(&CommandHandler::downloadFile, {.bytes = "file.bin"}).raw, "") << "no path line";
}

TEST(DownloadTest, ClientGoingAwayStopsTheTransferAndStillCounts) {
    CommandRig rig;
    ASSERT_TRUE(writeTextFile(rig.inRoot("large.bin"), pattern(20 << 20)));
    int32_t sentBefore = sentFileCount.load();
    auto start = std::chrono::steady_clock::now();
    CommandReply reply =
        rig.run(&CommandHandler::downloadFile, {.bytes = "large.bin\r\n", .closeAfterReading = 100000});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(reply.raw.size(), 100000u);
    EXPECT_EQ(sentFileCount.load(), sentBefore + 1);
}

TEST(UploadTest, StoresExactlyTheAnnouncedBytes) {
    struct Case {
        const char* label;
        std::string existing;               // content before the upload; "-" for no file
        std::string sent;                   // file bytes sent after the path line
        std::optional<int64_t> extraLength; // added to the exact Content-length; nullopt: no header
        std::string stored;
        uint32_t word;
    };
    const std::string data3000 = pattern(3000, 7);
    const Case cases[] = {
        {.label = "budget of 3000 bytes, more sent",
         .existing = "-",
         .sent = data3000 + "EXTRA BYTES",
         .extraLength = -11,
         .stored = data3000,
         .word = 0},
        {.label = "new empty file", .existing = "-", .sent = "", .extraLength = 0, .stored = "", .word = 0},
        {.label = "no Content-length, new name",
         .existing = "-",
         .sent = "ignored",
         .extraLength = std::nullopt,
         .stored = "",
         .word = 0},
        {.label = "no Content-length, existing file left alone",
         .existing = "keep me",
         .sent = "ignored",
         .extraLength = std::nullopt,
         .stored = "keep me",
         .word = 0},
        {.label = "Content-length shorter than the path line",
         .existing = "keep me",
         .sent = "",
         .extraLength = -3,
         .stored = "keep me",
         .word = 0},
        {.label = "10 bytes over a 100-byte file",
         .existing = std::string(100, 'o'),
         .sent = "0123456789",
         .extraLength = 0,
         .stored = "0123456789",
         .word = 0},
        {.label = "empty upload over an existing file",
         .existing = "old",
         .sent = "",
         .extraLength = 0,
         .stored = "",
         .word = 0},
        {.label = "large file",
         .existing = "-",
         .sent = pattern(5 << 20, 3),
         .extraLength = 0,
         .stored = pattern(5 << 20, 3),
         .word = 0},
    };
    for (const Case& test : cases) {
        CommandRig rig;
        if (test.existing != "-") {
            ASSERT_TRUE(writeTextFile(rig.inRoot("up.bin"), test.existing));
        }
        ClientScript script = upload("up.bin", test.sent);
        script.contentLength = test.extraLength
                                   ? std::optional<int64_t>(*script.contentLength + *test.extraLength)
                                   : std::nullopt;
        int32_t receivedBefore = receivedFileCount.load();
        CommandReply reply = rig.run(&CommandHandler::uploadFile, script);
        EXPECT_EQ(reply.raw, REPLY_HEADER + wordBytes(test.word)) << test.label;
        EXPECT_TRUE(std::filesystem::exists(rig.inRoot("up.bin"))) << test.label;
        EXPECT_TRUE(readTextFile(rig.inRoot("up.bin")) == test.stored) << test.label;
        EXPECT_EQ(receivedFileCount.load(), receivedBefore + 1) << test.label;
    }
}

TEST(UploadTest, FileThatCannotBeOpenedAnswersOne) {
    struct Case {
        const char* label;
        std::string path;
        std::string sent;
    };
    const Case cases[] = {
        {"missing folder, 2,000 bytes", "missing/up.bin", pattern(2000)},
        {"missing folder, no bytes", "missing/up.bin", ""},
        {"a folder's path", "folder", "abc"},
        {"the root", "", "abc"},
        {"a pipe", "pipe", "abc"},
        {"a cut path line", std::string(1500, 'p'), "abc"},
    };
    for (const Case& test : cases) {
        CommandRig rig;
        std::filesystem::create_directories(rig.inRoot("folder"));
        ASSERT_EQ(::mkfifo(rig.inRoot("pipe").c_str(), 0600), 0);
        int32_t receivedBefore = receivedFileCount.load();
        CommandReply reply = rig.run(&CommandHandler::uploadFile, upload(test.path, test.sent));
        EXPECT_EQ(reply.raw, REPLY_HEADER + wordBytes(1)) << test.label;
        EXPECT_FALSE(std::filesystem::exists(rig.inRoot("missing"))) << test.label;
        EXPECT_EQ(receivedFileCount.load(), receivedBefore + 1) << test.label;
    }
}

TEST(UploadTest, ShortBodiesKeepWhatArrived) {
    const std::string data = pattern(3000, 5);
    struct Case {
        const char* label;
        std::string sent;
        bool closes; // the client closes after sending; otherwise it falls silent
        std::string stored;
    };
    const Case cases[] = {
        {"client closes after 500 of 3000 bytes", data.substr(0, 500), true, data.substr(0, 500)},
        // Silence: the 1024-byte chunk under way is dropped, the whole chunk before it kept.
        {"client silent after 1500 of 3000 bytes", data.substr(0, 1500), false, data.substr(0, 1024)},
        {"client silent after 1000 of 3000 bytes", data.substr(0, 1000), false, ""},
        {"client silent after 2048 of 3000 bytes", data.substr(0, 2048), false, data.substr(0, 2048)},
    };
    for (const Case& test : cases) {
        CommandRig rig(300);
        ClientScript script = upload("up.bin", test.sent);
        *script.contentLength += static_cast<int64_t>(data.size() - test.sent.size());
        script.closeAfterSending = test.closes;
        CommandReply reply = rig.run(&CommandHandler::uploadFile, script);
        EXPECT_EQ(reply.raw, REPLY_HEADER + wordBytes(0)) << test.label;
        EXPECT_TRUE(readTextFile(rig.inRoot("up.bin")) == test.stored) << test.label;
    }
}

TEST(UploadTest, UnreadablePathLineGetsNoReplyAndNoCount) {
    CommandRig rig(300);
    int32_t receivedBefore = receivedFileCount.load();
    ClientScript script{.bytes = "up.bi", .closeAfterSending = true, .contentLength = 100};
    EXPECT_EQ(rig.run(&CommandHandler::uploadFile, script).raw, "");
    EXPECT_EQ(receivedFileCount.load(), receivedBefore);
    EXPECT_FALSE(std::filesystem::exists(rig.inRoot("up.bi")));
}

TEST(UploadTest, WriteFailureStopsAndAnswersOne) {
    // A file size limit makes the second kilobyte fail to be written; done in a child process so
    // that the limit stays there.
    CommandRig rig;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CommandReply reply = rig.run(&CommandHandler::uploadFile, upload("up.bin", pattern(5000)));
        bool answeredOne = reply.raw == REPLY_HEADER + wordBytes(1);
        ::_exit(answeredOne ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(std::filesystem::file_size(rig.inRoot("up.bin")), 1024u);
}

TEST(UploadTest, TwoUploadsAtOnceCountTwo) {
    CommandRig rig;
    for (int round = 0; round < 20; ++round) {
        int32_t receivedBefore = receivedFileCount.load();
        std::atomic<int> ready{0};
        auto one = [&](const std::string& name) {
            ready.fetch_add(1);
            while (ready.load() < 2) {
            }
            rig.run(&CommandHandler::uploadFile, upload(name, "content of " + name));
        };
        std::thread first(one, "first.txt"), second(one, "second.txt");
        first.join();
        second.join();
        EXPECT_EQ(receivedFileCount.load(), receivedBefore + 2);
        EXPECT_EQ(readTextFile(rig.inRoot("second.txt")), "content of second.txt");
    }
}

} // namespace
