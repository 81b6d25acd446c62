// Starting and stopping the real server for integration tests.
#include "tests/support/ServerProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string makeTemporaryFile(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
    int handle = ::mkstemp(pattern.data());
    if (handle >= 0)
        ::close(handle);
    return pattern;
}

// Starts arguments[0] with stdin from /dev/null and output to the two files.
pid_t spawn(const std::vector<std::string>& arguments, const std::string& outputPath,
            const std::string& errorPath,
            const std::vector<std::pair<std::string, std::string>>& environment) {
    pid_t child = ::fork();
    if (child != 0)
        return child;
    int input = ::open("/dev/null", O_RDONLY);
    int output = ::open(outputPath.c_str(), O_WRONLY | O_TRUNC | O_CREAT, 0600);
    int errors = ::open(errorPath.c_str(), O_WRONLY | O_TRUNC | O_CREAT, 0600);
    ::dup2(input, 0);
    ::dup2(output, 1);
    ::dup2(errors, 2);
    for (const auto& [name, value] : environment) {
        if (value.empty())
            ::unsetenv(name.c_str());
        else
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

// Waits for the child up to timeoutMilliseconds; true and its status when it ended.
bool waitForExit(pid_t child, int timeoutMilliseconds, int& status) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    for (;;) {
        int raw = 0;
        pid_t result = ::waitpid(child, &raw, WNOHANG);
        if (result == child) {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return true;
        }
        if (result < 0)
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

std::string binaryFolder() {
    const char* folder = std::getenv("KELVANE_BIN_DIR");
    return folder != nullptr && *folder != '\0' ? folder : KELVANE_DEFAULT_BIN_DIR;
}

std::unique_ptr<ServerProcess> ServerProcess::start(const ServerProcessOptions& options) {
    std::unique_ptr<ServerProcess> server(new ServerProcess);
    server->outputPath = makeTemporaryFile("kelvane-server-out");
    server->errorPath = makeTemporaryFile("kelvane-server-err");
    std::vector<std::string> arguments{options.program.empty() ? binaryFolder() + "/kelvane-server"
                                                               : options.program,
                                       "--port",
                                       "0",
                                       "--root",
                                       options.root,
                                       "--registry",
                                       options.registry};
    if (options.headless)
        arguments.push_back("--headless");
    arguments.insert(arguments.end(), options.extraArguments.begin(), options.extraArguments.end());
    server->child = spawn(arguments, server->outputPath, server->errorPath, options.environment);
    if (server->child < 0)
        return nullptr;
    static const std::regex loopbackUrl(R"(http://127\.0\.0\.1:(\d+)/)");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::smatch match;
        std::string text = readWhole(server->outputPath);
        if (std::regex_search(text, match, loopbackUrl)) {
            server->listeningPort = static_cast<uint16_t>(std::stoi(match[1].str()));
            return server;
        }
        int status;
        if (waitForExit(server->child, 0, status)) {
            server->stopped = true;
            server->exitStatus = status;
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
}

int ServerProcess::stop(int timeoutMilliseconds) {
    if (stopped)
        return exitStatus;
    stopped = true;
    ::kill(child, SIGTERM);
    if (waitForExit(child, timeoutMilliseconds, exitStatus))
        return exitStatus;
    ::kill(child, SIGKILL);
    waitForExit(child, 5000, exitStatus);
    exitStatus = -1;
    return exitStatus;
}

ServerProcess::~ServerProcess() {
    if (child > 0)
        stop();
    ::unlink(outputPath.c_str());
    ::unlink(errorPath.c_str());
}

std::string ServerProcess::output() const {
    return readWhole(outputPath);
}

std::string ServerProcess::errors() const {
    return readWhole(errorPath);
}

int runProgram(const std::vector<std::string>& arguments, std::string* output, std::string* errors,
               int timeoutMilliseconds) {
    std::string outputPath = makeTemporaryFile("kelvane-run-out");
    std::string errorPath = makeTemporaryFile("kelvane-run-err");
    pid_t child = spawn(arguments, outputPath, errorPath, {});
    int status = -1;
    if (child > 0 && !waitForExit(child, timeoutMilliseconds, status)) {
        ::kill(child, SIGKILL);
        waitForExit(child, 5000, status);
        status = -1;
    }
    if (output != nullptr)
        *output = readWhole(outputPath);
    if (errors != nullptr)
        *errors = readWhole(errorPath);
    ::unlink(outputPath.c_str());
    ::unlink(errorPath.c_str());
    return status;
}
