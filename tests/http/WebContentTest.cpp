// The real program serving web content: start page, client package, files, commands without a
// reply, traversal attempts, the lingering close and the program's own options.
#include "tests/support/RawExchange.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TemporaryFolder.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string START_PAGE = "<html><title>[ip]</title><body>at [ip] and [IP] and [ip</body></html>[ip";

// A program folder of the test's own: a copy of the server with its web files, beside a secret
// that must never be served.
class WebContentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        programFolder = outer.file("program");
        fs::create_directories(programFolder + "/sub");
        fs::copy_file(binaryFolder() + "/kelvane-server", programFolder + "/kelvane-server");
        writeTextFile(programFolder + "/default.html", START_PAGE);
        writeTextFile(programFolder + "/Qormix.cab", std::string("CAB\0\x01\x02package", 14));
        writeTextFile(programFolder + "/logo.GIF", "GIF89a-logo");
        writeTextFile(programFolder + "/notes.txt", "plain notes");
        writeTextFile(programFolder + "/a", "short name");
        writeTextFile(programFolder + "/sub/inner.htm", "inner page");
        writeTextFile(outer.file("secret.txt"), "TOP-SECRET");
        fs::create_symlink(outer.file("secret.txt"), programFolder + "/link.txt");
        fs::create_symlink(outer.path(), programFolder + "/outside");
        fs::create_directories(root.path());
        server = ServerProcess::start({.root = root.path(),
                                       .registry = root.file("registry.reg"),
                                       .program = programFolder + "/kelvane-server"});
        ASSERT_NE(server, nullptr);
    }

    std::string get(const std::string& url, const std::string& extraHeaders = "Host: 10.1.2.3\r\n") {
        return exchange(server->port(), "GET " + url + " HTTP/1.1\r\n" + extraHeaders + "\r\n");
    }
    std::string startPageFor(const std::string& address) {
        return std::regex_replace(START_PAGE, std::regex(R"(\[ip\])"), address);
    }
    static std::string contentType(const std::string& reply) {
        std::smatch match;
        return std::regex_search(reply, match, std::regex("Content-Type: ([^\r]*)\r\n")) ? match[1].str()
                                                                                         : "";
    }

    TemporaryFolder outer;
    TemporaryFolder root;
    std::string programFolder;
    std::unique_ptr<ServerProcess> server;
};

TEST_F(WebContentTest, StartPageReplacesTheAddressToken) {
    std::string reply = get("/", "Host: 192.168.0.5\r\n");
    EXPECT_EQ(reply.substr(0, reply.find("\r\n\r\n") + 4),
              "HTTP/1.1 200 OK\r\nCache-Control: no-cache, must-revalidate\r\nContent-Type: text/html\r\n"
              "Connection: close\r\nCommand-ID: 0\r\n\r\n");
    EXPECT_EQ(replyBody(reply), startPageFor("192.168.0.5"));

    EXPECT_EQ(replyBody(get("/", "Host: abcdefghijklmnopqrst\r\n")), startPageFor("abcdefghijklmno"));
    EXPECT_EQ(replyBody(get("/", "Host: <b>x</b>\r\n")), startPageFor("bxb"))
        << "markup never enters the page";

    std::string withoutHost = replyBody(get("/", ""));
    EXPECT_EQ(withoutHost.find("[ip]"), std::string::npos) << "every whole token is replaced";
    EXPECT_EQ(withoutHost.substr(withoutHost.size() - 3), "[ip") << "a token cut off by the end stays";
    EXPECT_NE(withoutHost.find("[IP]"), std::string::npos);

    std::string post = exchange(server->port(), "POST / HTTP/1.1\r\nHost: 192.168.0.5\r\n\r\n");
    EXPECT_EQ(replyBody(post), startPageFor("192.168.0.5")) << "POST is answered like GET";
}

TEST_F(WebContentTest, ServesFilesWithTheirContentTypes) {
    struct Case {
        const char* url;
        const char* type;
        std::string body;
    };
    const Case cases[] = {
        {.url = "/QORMIX.CAB",
         .type = "application/octet-stream",
         .body = std::string("CAB\0\x01\x02package", 14)},
        {.url = "/logo.GIF", .type = "image/gif", .body = "GIF89a-logo"},
        {.url = "/notes.txt", .type = "application/octet-stream", .body = "plain notes"},
        {.url = "/a", .type = "text/html", .body = "short name"},
        {.url = "/sub/inner.htm", .type = "text/html", .body = "inner page"},
        {.url = "/sub\\inner.htm", .type = "text/html", .body = "inner page"},
        {.url = "/missing.html", .type = "text/html", .body = startPageFor("10.1.2.3")},
        {.url = "/sub", .type = "text/html", .body = startPageFor("10.1.2.3")},
    };
    for (const auto& test : cases) {
        std::string reply = get(test.url);
        EXPECT_EQ(contentType(reply), test.type) << test.url;
        EXPECT_EQ(replyBody(reply), test.body) << test.url;
        EXPECT_EQ(reply.find("Content-Length"), std::string::npos) << test.url;
    }
}

TEST_F(WebContentTest, CommandsWithoutAReplyAndUnknownNumbers) {
    for (int command : {3002, 3003, 3007, 3008}) {
        bool closed = false;
        std::string reply =
            exchange(server->port(), "GET / HTTP/1.1\r\nCommand-ID: " + std::to_string(command) + "\r\n\r\n",
                     5000, &closed);
        EXPECT_EQ(reply, "") << command;
        EXPECT_TRUE(closed) << command;
    }
    for (const char* command : {"3004", "3017", "99999", "abc", "-1"}) {
        std::string reply = get("/", std::string("Host: 10.1.2.3\r\nCommand-ID: ") + command + "\r\n");
        EXPECT_EQ(replyBody(reply), startPageFor("10.1.2.3")) << command;
        EXPECT_NE(reply.find("Command-ID: 0\r\n"), std::string::npos) << command;
    }
}

TEST_F(WebContentTest, UrlsNeverLeaveTheProgramFolder) {
    const std::string attempts[] = {
        "/../secret.txt",
        "/../../../../../../etc/passwd",
        "/sub/../../secret.txt",
        "/%2e%2e/secret.txt",
        "/%2E%2E%2Fsecret.txt",
        "/..\\secret.txt",
        "\\..\\..\\secret.txt",
        "//etc/passwd",
        "/link.txt",
        "/outside/secret.txt",
        "/outside/program/default.html",
        "/./../secret.txt",
        "..",
        "/sub/./../../program/../secret.txt",
        "/" + std::string(1200, 'a'),
    };
    for (const std::string& attempt : attempts) {
        std::string reply = get(attempt);
        EXPECT_EQ(replyBody(reply), startPageFor("10.1.2.3")) << attempt;
        EXPECT_EQ(reply.find("TOP-SECRET"), std::string::npos) << attempt;
        EXPECT_EQ(reply.find("root:"), std::string::npos) << attempt;
    }
    EXPECT_EQ(replyBody(exchange(server->port(), "GARBAGE\r\nHost: 10.1.2.3\r\n\r\n")),
              startPageFor("10.1.2.3"))
        << "a request line with one word has no URL";
}

TEST_F(WebContentTest, UnreadRequestBodyDoesNotCostTheReply) {
    // The server reads no body for the start page; closing on unread bytes must not reset the
    // connection before the client has the whole page.
    int client = connectLoopback(server->port());
    ASSERT_GE(client, 0);
    std::string body(4 * 1024 * 1024, 'x');
    std::string request =
        "POST / HTTP/1.1\r\nHost: 10.9.8.7\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    std::thread sender([&] { sendBytes(client, request + body); });
    bool closed = false;
    std::string reply = readUntilClosed(client, 10000, &closed);
    sender.join();
    EXPECT_TRUE(closed) << "ended by an orderly close, not a reset";
    EXPECT_EQ(replyBody(reply), startPageFor("10.9.8.7"));
    ::close(client);
}

TEST_F(WebContentTest, TerminationStopsTheServerEvenWhileAClientIsConnected) {
    int client = connectLoopback(server->port());
    ASSERT_GE(client, 0);
    sendBytes(client, "GET / HT");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(server->stop(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    ::close(client);
}

TEST(ServerProgramTest, PortInUseIsReportedAndExitsWithOne) {
    TemporaryFolder root;
    auto first = ServerProcess::start({.root = root.path(), .registry = root.file("r.reg")});
    ASSERT_NE(first, nullptr);
    std::string output, errors;
    int status =
        runProgram({binaryFolder() + "/kelvane-server", "--headless", "--port", std::to_string(first->port()),
                    "--root", root.path(), "--registry", root.file("r.reg")},
                   &output, &errors, 10000);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors.find("Can not start server. Make sure port 80 was not in use."), std::string::npos)
        << errors;
}

TEST(ServerProgramTest, HelpVersionAndBadOptions) {
    std::string output, errors;
    EXPECT_EQ(runProgram({binaryFolder() + "/kelvane-server", "--help"}, &output, &errors), 0);
    EXPECT_NE(output.find("--root"), std::string::npos);
    EXPECT_EQ(runProgram({binaryFolder() + "/kelvane-server", "--version"}, &output, &errors), 0);
    EXPECT_NE(output.find("kelvane-server"), std::string::npos);
    EXPECT_EQ(runProgram({binaryFolder() + "/kelvane-server", "--port", "banana"}, &output, &errors), 2);
    EXPECT_EQ(runProgram({binaryFolder() + "/kelvane-server", "--frobnicate"}, &output, &errors), 2);
}

} // namespace
