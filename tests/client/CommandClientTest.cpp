// Tests of the protocol client against a scripted loopback server: exact request bytes, reply
// handling, streamed uploads, and every way a reply can go wrong.
#include "client/lib/CommandClient.h"

#include "tests/client/FakeServer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kelvane::client;

namespace {
ClientOptions optionsFor(uint16_t port, int timeoutMilliseconds = 10000) {
    ClientOptions options;
    options.port = port;
    options.timeoutMilliseconds = timeoutMilliseconds;
    return options;
}

size_t contentLengthOf(const std::string& head) {
    size_t at = head.find("Content-Length: ");
    return at == std::string::npos ? 0 : std::stoul(head.substr(at + 16));
}

// The byte at position i of a generated upload.
char patternByte(uint64_t i) {
    return static_cast<char>((i * 2654435761u) >> 13);
}
} // namespace

TEST(CommandClient, SendsExactRequestsAndReadsTypedReplies) {
    struct Case {
        std::string name;
        int commandId;
        std::string body;
        std::string replyBody;
        std::function<void(const CommandClient&)> call;
    };
    const Case cases[] = {
        {"config", 3000, "", word(1) + word(1) + std::string("Users\\me\0My Documents\0", 22),
         [](const CommandClient& client) {
             auto outcome = client.getConfiguration();
             ASSERT_TRUE(outcome.ok()) << outcome.message;
             EXPECT_EQ(outcome.value.firstWord, 1u);
             EXPECT_TRUE(outcome.value.usePassword());
             EXPECT_EQ(outcome.value.desktopInitPath, "Users\\me");
             EXPECT_EQ(outcome.value.pocketPcInitPath, "My Documents");
             EXPECT_EQ(outcome.header.commandId(), 0);
         }},
        {"password", 3013, "Secret\r\n", word(static_cast<uint32_t>(-32)),
         [](const CommandClient& client) {
             auto outcome = client.checkPassword("Secret");
             ASSERT_TRUE(outcome.ok()) << outcome.message;
             EXPECT_EQ(outcome.value.word, -32);
             EXPECT_FALSE(outcome.value.matches());
         }},
        {"delete file", 3009, "a\\b.txt\r\n", word(4000),
         [](const CommandClient& client) {
             auto outcome = client.deleteFile("a\\b.txt");
             ASSERT_TRUE(outcome.ok()) << outcome.message;
             EXPECT_TRUE(outcome.value.is(ResultWord::Ok));
         }},
        {"delete folder", 3010, "a\r\n", word(4004),
         [](const CommandClient& client) {
             EXPECT_TRUE(client.deleteFolder("a").value.is(ResultWord::Failed));
         }},
        {"create folder", 3011, "new\r\n", word(4005),
         [](const CommandClient& client) {
             EXPECT_TRUE(client.createFolder("new").value.is(ResultWord::ExistsFolder));
         }},
        {"disk space", 3012, "\r\n", std::string("\x00\x00\x00\xC0\x01\x00\x00\x00", 8),
         [](const CommandClient& client) {
             auto outcome = client.checkDiskSpace("");
             ASSERT_TRUE(outcome.ok()) << outcome.message;
             EXPECT_EQ(outcome.value.freeBytes, 0x1C0000000ULL);
         }},
        {"move", 3014, "from\r\nto/there\r\n", word(1),
         [](const CommandClient& client) {
             auto outcome = client.moveItem("from", "to/there");
             ASSERT_TRUE(outcome.ok()) << outcome.message;
             EXPECT_TRUE(outcome.value.moved());
         }},
        {"download", 3005, "f.bin\r\n", std::string(70000, 'd'),
         [](const CommandClient& client) {
             std::string received;
             auto outcome = client.downloadFile("f.bin", [&](const char* data, size_t size) {
                 received.append(data, size);
                 return true;
             });
             ASSERT_TRUE(outcome.ok()) << outcome.message;
             EXPECT_EQ(outcome.value.bytes, 70000u);
             EXPECT_EQ(received, std::string(70000, 'd'));
         }},
    };
    for (const Case& row : cases) {
        std::string head, body;
        {
            FakeServer server([&](int socket) {
                head = readRequestHead(socket);
                body = readBytes(socket, contentLengthOf(head));
                writeBytes(socket, replyHeader(row.commandId == 3001 ? 3004 : 0) + row.replyBody);
            });
            row.call(CommandClient(optionsFor(server.port())));
            EXPECT_EQ(head, "POST / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                                "\r\nCommand-ID: " + std::to_string(row.commandId) +
                                "\r\nContent-Length: " + std::to_string(row.body.size()) + "\r\n\r\n")
                << row.name;
        }
        EXPECT_EQ(body, row.body) << row.name;
    }
}

TEST(CommandClient, UploadStreamsExactlyTheAnnouncedBytes) {
    constexpr uint64_t size = 20 * 1024 * 1024 + 17;
    std::string head, line;
    uint64_t received = 0, mismatches = 0;
    {
        FakeServer server([&](int socket) {
            head = readRequestHead(socket);
            line = readBytes(socket, 9);
            char buffer[65536];
            while (received < contentLengthOf(head) - 9) {
                ssize_t count = ::recv(socket, buffer, sizeof buffer, 0);
                if (count <= 0)
                    break;
                for (ssize_t i = 0; i < count; ++i)
                    mismatches += buffer[i] != patternByte(received + static_cast<uint64_t>(i));
                received += static_cast<uint64_t>(count);
            }
            writeBytes(socket, replyHeader(0) + word(0));
        });
        uint64_t produced = 0;
        auto outcome = CommandClient(optionsFor(server.port()))
                           .uploadFile("new.bin", size, [&](char* buffer, size_t capacity) {
                               for (size_t i = 0; i < capacity; ++i)
                                   buffer[i] = patternByte(produced + i);
                               produced += capacity;
                               return static_cast<int64_t>(capacity);
                           });
        ASSERT_TRUE(outcome.ok()) << outcome.message;
        EXPECT_TRUE(outcome.value.stored());
        EXPECT_FALSE(outcome.value.serverStoppedReading);
        EXPECT_EQ(outcome.value.bytesSent, size);
    }
    EXPECT_NE(head.find("Command-ID: 3006\r\n"), std::string::npos);
    EXPECT_EQ(contentLengthOf(head), size + 9);
    EXPECT_EQ(line, "new.bin\r\n");
    EXPECT_EQ(received, size);
    EXPECT_EQ(mismatches, 0u);
}

TEST(CommandClient, UploadTakesAnEarlyAnswer) {
    // A server that cannot open the file answers after one chunk and discards the rest for a while.
    FakeServer server([](int socket) {
        readRequestHead(socket);
        readBytes(socket, 1024);
        writeBytes(socket, replyHeader(0) + word(1));
        ::shutdown(socket, SHUT_WR);
        readToEnd(socket);
    });
    constexpr uint64_t size = 200 * 1024 * 1024;
    auto outcome = CommandClient(optionsFor(server.port()))
                       .uploadFile("missing\\x.bin", size,
                                   [](char*, size_t capacity) { return static_cast<int64_t>(capacity); });
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    EXPECT_EQ(outcome.value.word, 1u);
    EXPECT_FALSE(outcome.value.stored());
    EXPECT_TRUE(outcome.value.serverStoppedReading);
    EXPECT_LT(outcome.value.bytesSent, size);
}

TEST(CommandClient, UploadWhoseSourceEndsEarlyClosesTheBody) {
    std::string received;
    {
        FakeServer server([&](int socket) {
            readRequestHead(socket);
            received = readToEnd(socket); // ends only because the client closed its side
            writeBytes(socket, replyHeader(0) + word(0));
        });
        int calls = 0;
        auto outcome =
            CommandClient(optionsFor(server.port())).uploadFile("f", 5000, [&](char* buffer, size_t) {
                if (calls++ > 0)
                    return int64_t{0};
                std::fill(buffer, buffer + 1000, 'x');
                return int64_t{1000};
            });
        EXPECT_EQ(outcome.error, ClientError::LocalFailure);
        EXPECT_NE(outcome.message.find("1000 of 5000"), std::string::npos) << outcome.message;
        EXPECT_EQ(outcome.value.word, 0u);
        EXPECT_EQ(outcome.header.status, 200);
    }
    EXPECT_EQ(received, "f\r\n" + std::string(1000, 'x'));
}

TEST(CommandClient, ReportsBrokenReplies) {
    struct Case {
        std::string name;
        std::string reply;
        ClientError expected;
    };
    const Case cases[] = {
        {"nothing", "", ClientError::NoReply},
        {"cut header", "HTTP/1.1 200 OK\r\nCommand-ID: 0\r\n", ClientError::ShortReply},
        {"not HTTP", "hello\r\n\r\n", ClientError::MalformedReply},
        {"other status", "HTTP/1.1 404 Not Found\r\n\r\n", ClientError::MalformedReply},
        {"header only", replyHeader(0), ClientError::ShortReply},
        {"half a word", replyHeader(0) + "\xA0\x0F", ClientError::ShortReply},
        {"word and more", replyHeader(0) + word(4000) + "x", ClientError::MalformedReply},
    };
    for (const Case& row : cases) {
        FakeServer server([&](int socket) {
            std::string head = readRequestHead(socket);
            readBytes(socket, contentLengthOf(head));
            writeBytes(socket, row.reply);
        });
        auto outcome = CommandClient(optionsFor(server.port())).deleteFile("x");
        EXPECT_EQ(outcome.error, row.expected) << row.name << ": " << outcome.message;
        EXPECT_FALSE(outcome.message.empty()) << row.name;
    }
}

TEST(CommandClient, ListingExposesItsCommandIdAndNoticesACutRecord) {
    std::string record = std::string("a.txt\0", 6) + word(3) + word(0) + word(3) + word(0) + word(0);
    FakeServer server([&](int socket) {
        std::string head = readRequestHead(socket);
        readBytes(socket, contentLengthOf(head));
        writeBytes(socket, replyHeader(3004) + record + record.substr(0, 10));
    });
    std::vector<std::string> names;
    auto outcome = CommandClient(optionsFor(server.port())).listFolder("", [&](const FolderEntry& entry) {
        names.push_back(entry.name);
    });
    EXPECT_EQ(outcome.error, ClientError::ShortReply);
    EXPECT_EQ(outcome.value.entryCount, 1u);
    EXPECT_EQ(names, std::vector<std::string>{"a.txt"});
    EXPECT_EQ(outcome.header.commandId(), 3004);
}

TEST(CommandClient, TimesOutOnASilentServer) {
    FakeServer server([](int socket) {
        readRequestHead(socket);
        ::usleep(1500 * 1000);
    });
    auto outcome = CommandClient(optionsFor(server.port(), 300)).getConfiguration();
    EXPECT_EQ(outcome.error, ClientError::TimedOut);
}

TEST(CommandClient, StopsADownloadWhenTheSinkFails) {
    FakeServer server([](int socket) {
        std::string head = readRequestHead(socket);
        readBytes(socket, contentLengthOf(head));
        writeBytes(socket, replyHeader(0) + std::string(300000, 'z'));
    });
    auto outcome =
        CommandClient(optionsFor(server.port())).downloadFile("f", [](const char*, size_t) { return false; });
    EXPECT_EQ(outcome.error, ClientError::LocalFailure);
}

TEST(CommandClient, RefusesUnsendablePathsWithoutConnecting) {
    CommandClient client(optionsFor(1));
    EXPECT_EQ(client.deleteFile("a\r\nb").error, ClientError::BadArgument);
    EXPECT_EQ(client.moveItem("a", std::string(1024, 'x')).error, ClientError::BadArgument);
    EXPECT_EQ(client.listFolder(std::string("a\nb")).error, ClientError::BadArgument);
    EXPECT_EQ(client.deleteFile("fine").error, ClientError::ConnectFailed);
}
