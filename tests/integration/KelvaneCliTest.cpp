// The kelvane program against the real server: one run of each command, failures and exit statuses.
#include "tests/integration/ServerFixture.h"

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
struct CliRun {
    int status;
    std::string out;
    std::string err;
};
} // namespace

class KelvaneCliTest : public ServerFixture {
  protected:
    void SetUp() override {
        ServerFixture::SetUp();
        startServer(registryText("\"UsePass\"=dword:00000001\n\"Password\"=\"Secret\"\n"
                                 "\"PInitPath\"=\"\\\\My Documents\\\\\""));
    }

    CliRun kelvane(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(),
                         {binaryFolder() + "/kelvane", "--port", std::to_string(server->port())});
        CliRun run;
        run.status = runProgram(arguments, &run.out, &run.err);
        return run;
    }
};

TEST_F(KelvaneCliTest, EveryCommandEndToEnd) {
    std::string content(300000, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7 + (i >> 8));
    writeFile(workspace.file("local.bin"), content);

    CliRun config = kelvane({"config"});
    EXPECT_EQ(config.status, 0) << config.err;
    EXPECT_NE(config.out.find("Password required:       yes"), std::string::npos) << config.out;
    EXPECT_NE(config.out.find("Handheld initial folder: My Documents\n"), std::string::npos) << config.out;

    EXPECT_EQ(kelvane({"check-password", "Secret"}).status, 0);
    CliRun wrong = kelvane({"check-password", "secret"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("does not match"), std::string::npos) << wrong.err;

    EXPECT_EQ(kelvane({"mkdir", "docs"}).status, 0);
    EXPECT_TRUE(isFolder(root("docs")));
    CliRun again = kelvane({"mkdir", "docs"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already exists as a folder"), std::string::npos) << again.err;

    CliRun put = kelvane({"put", workspace.file("local.bin"), "docs\\data.bin"});
    EXPECT_EQ(put.status, 0) << put.err;
    EXPECT_EQ(put.err, ""); // no progress bar when standard error is not a terminal
    EXPECT_TRUE(readFile(root("docs/data.bin")) == content);
    EXPECT_EQ(kelvane({"put", workspace.file("local.bin"), "docs\\"}).status, 0);
    EXPECT_TRUE(exists(root("docs/local.bin")));

    CliRun list = kelvane({"ls", "docs"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("300000  "), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(" data.bin\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(" local.bin\n"), std::string::npos) << list.out;
    CliRun top = kelvane({"ls"});
    EXPECT_NE(top.out.find("d "), std::string::npos) << top.out;
    EXPECT_NE(top.out.find(" docs\n"), std::string::npos) << top.out;

    CliRun get = kelvane({"get", "docs\\data.bin", workspace.file("back.bin")});
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(get.err, "");
    EXPECT_TRUE(readFile(workspace.file("back.bin")) == content);
    CliRun missing = kelvane({"get", "docs\\missing.bin", workspace.file("missing.bin")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("was not found"), std::string::npos) << missing.err;
    EXPECT_FALSE(exists(workspace.file("missing.bin")));

    EXPECT_EQ(kelvane({"mv", "docs\\data.bin", "docs\\renamed.bin"}).status, 0);
    EXPECT_TRUE(exists(root("docs/renamed.bin")));
    CliRun moveOnto = kelvane({"mv", "docs\\local.bin", "docs\\renamed.bin"});
    EXPECT_EQ(moveOnto.status, 1);
    EXPECT_NE(moveOnto.err.find("cannot move"), std::string::npos) << moveOnto.err;

    EXPECT_EQ(kelvane({"rm", "docs\\renamed.bin"}).status, 0);
    EXPECT_FALSE(exists(root("docs/renamed.bin")));
    EXPECT_EQ(kelvane({"rm", "docs\\renamed.bin"}).status, 1);

    CliRun df = kelvane({"df"});
    EXPECT_EQ(df.status, 0) << df.err;
    EXPECT_NE(df.out.find(" bytes free ("), std::string::npos) << df.out;

    EXPECT_EQ(kelvane({"rmdir", "docs"}).status, 0);
    EXPECT_FALSE(exists(root("docs")));
    EXPECT_EQ(kelvane({"rmdir", "docs"}).status, 1);

    CliRun nowhere = kelvane({"put", workspace.file("local.bin"), "no-folder\\x.bin"});
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_NE(nowhere.err.find("could not store"), std::string::npos) << nowhere.err;

    EXPECT_EQ(kelvane({"put", workspace.file("local.bin")}).status, 2);
    EXPECT_EQ(kelvane({"get", "--help"}).status, 0);
}

TEST_F(KelvaneCliTest, ProgressBarOnATerminal) {
    writeFile(workspace.file("local.bin"), std::string(1 << 20, 'p'));
    std::vector<std::string> words = {binaryFolder() + "/kelvane",    "--port",
                                      std::to_string(server->port()), "put",
                                      workspace.file("local.bin"),    "shown.bin"};
    std::vector<char*> arguments;
    for (std::string& word : words)
        arguments.push_back(word.data());
    arguments.push_back(nullptr);

    int terminal = -1;
    pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execv(arguments[0], arguments.data());
        ::_exit(127);
    }
    std::string screen;
    char buffer[4096];
    for (;;) {
        pollfd entry{terminal, POLLIN, 0};
        if (::poll(&entry, 1, 20000) <= 0)
            break;
        ssize_t count = ::read(terminal, buffer, sizeof buffer);
        if (count <= 0)
            break; // the program ended and the terminal closed
        screen.append(buffer, static_cast<size_t>(count));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
    EXPECT_NE(screen.find("local.bin"), std::string::npos) << screen;
    EXPECT_NE(screen.find("100%"), std::string::npos) << screen;
    EXPECT_NE(screen.find("/s"), std::string::npos) << screen;
    EXPECT_NE(screen.find("left"), std::string::npos) << screen;
    EXPECT_EQ(readFile(root("shown.bin")).size(), 1u << 20);
}
