// Tests of the kelvane command line: option parsing, paths, units, the progress line, usage
// errors, and get's check of the size the listing announced.
#include "client/cli/CliOptions.h"
#include "client/cli/CommandTable.h"
#include "client/cli/HumanUnits.h"
#include "client/cli/ProgressMeter.h"
#include "client/cli/RemotePath.h"
#include "tests/client/FakeServer.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <stdlib.h>
#include <unistd.h>

using namespace kelvane::cli;

namespace {
struct CliRun {
    int status;
    std::string out;
    std::string err;
};

std::string readStream(std::FILE* stream) {
    std::rewind(stream);
    std::string text;
    char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        text.append(buffer, count);
    std::fclose(stream);
    return text;
}

CliRun runCli(const std::vector<std::string>& words) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::FILE* in = std::tmpfile();
    int status = runKelvane(words, out, err, in);
    std::fclose(in);
    return {status, readStream(out), readStream(err)};
}

std::string fileContent(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}
} // namespace

TEST(CliOptions, ParsesOptionsCommandAndArguments) {
    struct Case {
        std::vector<std::string> words;
        bool ok;
        std::string host;
        uint16_t port;
        std::string command;
        std::vector<std::string> arguments;
        bool help;
    };
    const Case cases[] = {
        {{"ls"}, true, "127.0.0.1", 80, "ls", {}, false},
        {{"--host", "localhost", "--port", "8080", "get", "a", "b"},
         true,
         "localhost",
         8080,
         "get",
         {"a", "b"},
         false},
        {{"--port=81", "put", "x", "y", "--host=::1"}, true, "::1", 81, "put", {"x", "y"}, false},
        {{"rm", "--help"}, true, "127.0.0.1", 80, "rm", {}, true},
        {{"rm", "--", "-odd-name"}, true, "127.0.0.1", 80, "rm", {"-odd-name"}, false},
        {{"--port", "0", "ls"}, false, "", 0, "", {}, false},
        {{"--port", "65536", "ls"}, false, "", 0, "", {}, false},
        {{"--port", "8o", "ls"}, false, "", 0, "", {}, false},
        {{"ls", "--port"}, false, "", 0, "", {}, false},
        {{"--verbose", "ls"}, false, "", 0, "", {}, false},
        {{"--timeout", "0", "ls"}, false, "", 0, "", {}, false},
    };
    for (const Case& row : cases) {
        CliParse parse = parseCommandLine(row.words);
        std::string where = ::testing::PrintToString(row.words);
        ASSERT_EQ(parse.ok, row.ok) << where << " " << parse.problem;
        if (!row.ok) {
            EXPECT_FALSE(parse.problem.empty()) << where;
            continue;
        }
        EXPECT_EQ(parse.invocation.client.host, row.host) << where;
        EXPECT_EQ(parse.invocation.client.port, row.port) << where;
        EXPECT_EQ(parse.invocation.command, row.command) << where;
        EXPECT_EQ(parse.invocation.arguments, row.arguments) << where;
        EXPECT_EQ(parse.invocation.help, row.help) << where;
    }
}

TEST(RemotePath, SplitsAtEitherSeparator) {
    struct Case {
        std::string path, parent, name;
    };
    const Case cases[] = {
        {"c.txt", "", "c.txt"},
        {"\\c.txt", "", "c.txt"},
        {"a\\b\\c.txt", "a\\b", "c.txt"},
        {"a/b/c.txt", "a/b", "c.txt"},
        {"a\\\\c.txt", "a", "c.txt"},
        {"a\\", "a", ""},
        {"", "", ""},
    };
    for (const Case& row : cases) {
        RemotePathParts parts = splitRemotePath(row.path);
        EXPECT_EQ(parts.parent, row.parent) << row.path;
        EXPECT_EQ(parts.name, row.name) << row.path;
    }
    EXPECT_TRUE(namesFolder(""));
    EXPECT_TRUE(namesFolder("docs\\"));
    EXPECT_FALSE(namesFolder("docs"));
    EXPECT_EQ(localBaseName("/tmp/dir/file.bin"), "file.bin");
    EXPECT_EQ(localBaseName("file.bin"), "file.bin");
}

TEST(HumanUnits, FormatsBytesRatesAndDurations) {
    EXPECT_EQ(formatBytes(0), "0 B");
    EXPECT_EQ(formatBytes(1023), "1023 B");
    EXPECT_EQ(formatBytes(1024), "1.00 KiB");
    EXPECT_EQ(formatBytes(5000000000ULL), "4.66 GiB");
    EXPECT_EQ(formatBytes(300ULL << 20), "300 MiB");
    EXPECT_EQ(formatRate(1.5 * 1024 * 1024), "1.50 MiB/s");
    EXPECT_EQ(formatDuration(7), "0:07");
    EXPECT_EQ(formatDuration(725), "12:05");
    EXPECT_EQ(formatDuration(3723), "1:02:03");
    EXPECT_EQ(formatDuration(-1), "--:--");
}

TEST(ProgressMeter, LineShowsBarPercentRateAndTimeLeft) {
    ProgressSnapshot snapshot{
        .label = "big.bin", .done = 512ULL << 20, .total = 1ULL << 30, .elapsedSeconds = 2};
    for (size_t width : {40u, 79u, 200u}) {
        std::string line = formatProgressLine(snapshot, width);
        EXPECT_LE(line.size(), std::max<size_t>(width, 70)) << line;
        EXPECT_NE(line.find(" 50%"), std::string::npos) << line;
        EXPECT_NE(line.find("256 MiB/s"), std::string::npos) << line;
        EXPECT_NE(line.find("0:02 left"), std::string::npos) << line;
        EXPECT_NE(line.find("[#"), std::string::npos) << line;
    }
    EXPECT_EQ(formatProgressLine(snapshot, 200).size(), 200u);
    ProgressSnapshot unknown{.label = "x", .done = 2048, .total = std::nullopt, .elapsedSeconds = 1};
    EXPECT_EQ(formatProgressLine(unknown, 80), "x  2.00 KiB  2.00 KiB/s");
    ProgressSnapshot empty{.label = "e", .done = 0, .total = 0, .elapsedSeconds = 0};
    EXPECT_NE(formatProgressLine(empty, 80).find("100%"), std::string::npos);
}

TEST(KelvaneCli, UsageErrorsExitWithTwoAndHelpWithZero) {
    EXPECT_EQ(runCli({}).status, EXIT_BAD_USAGE);
    EXPECT_EQ(runCli({"frobnicate"}).status, EXIT_BAD_USAGE);
    EXPECT_EQ(runCli({"get"}).status, EXIT_BAD_USAGE);
    EXPECT_EQ(runCli({"mv", "a"}).status, EXIT_BAD_USAGE);
    EXPECT_EQ(runCli({"ls", "a", "b"}).status, EXIT_BAD_USAGE);
    EXPECT_EQ(runCli({"--port", "x", "ls"}).status, EXIT_BAD_USAGE);
    CliRun help = runCli({"--help"});
    EXPECT_EQ(help.status, EXIT_SUCCEEDED);
    for (const CliCommand& command : cliCommands()) {
        EXPECT_NE(help.out.find(command.name), std::string::npos) << command.name;
        CliRun commandHelp = runCli({command.name, "--help"});
        EXPECT_EQ(commandHelp.status, EXIT_SUCCEEDED) << command.name;
        EXPECT_NE(commandHelp.out.find(std::string("kelvane [--host HOST] [--port N] [--timeout SECONDS] ") +
                                       command.name),
                  std::string::npos)
            << commandHelp.out;
    }
}

TEST(KelvaneCli, GetReportsADownloadShorterThanTheListing) {
    char folder[] = "/tmp/kelvane-cli-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    std::string local = std::string(folder) + "/f.bin";
    { std::ofstream(local) << "previous content"; }

    std::string record = std::string("f.bin\0", 6) + word(3) + word(0) + word(100) + word(0) + word(0);
    std::vector<std::string> requests;
    FakeServer server(
        [&](int socket) {
            std::string head = readRequestHead(socket);
            size_t at = head.find("Content-Length: ");
            std::string body = readBytes(socket, std::stoul(head.substr(at + 16)));
            requests.push_back(head.substr(head.find("Command-ID: "), 16) + body);
            if (head.find("Command-ID: 3001") != std::string::npos)
                writeBytes(socket, replyHeader(3004) + record);
            else
                writeBytes(socket, replyHeader(0) + std::string(60, 'x'));
        },
        2);
    CliRun run = runCli({"--port", std::to_string(server.port()), "get", "docs\\f.bin", local});
    EXPECT_EQ(run.status, EXIT_OPERATION_FAILED);
    EXPECT_NE(run.err.find("produced 60 bytes, but the listing announced 100 bytes"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
    // The existing file is left as it was, and no partial file stays behind.
    EXPECT_EQ(fileContent(local), "previous content");
    EXPECT_NE(::access((local + ".kelvane-part").c_str(), F_OK), 0);
    EXPECT_EQ(requests,
              (std::vector<std::string>{"Command-ID: 3001docs\r\n", "Command-ID: 3005docs\\f.bin\r\n"}));
    std::remove(local.c_str());
    ::rmdir(folder);
}
