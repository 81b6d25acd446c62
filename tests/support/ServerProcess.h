// The real kelvane-server as a child process on a free loopback port.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

struct ServerProcessOptions {
    std::string root;     // --root; required
    std::string registry; // --registry; required
    std::vector<std::string> extraArguments;
    // Variables added to (or, with an empty value, removed from) the child's environment.
    std::vector<std::pair<std::string, std::string>> environment;
    // The program; default: kelvane-server in the build's bin folder.
    std::string program;
    bool headless = true;
};

class ServerProcess {
  public:
    // Starts the server with --port 0 and waits (up to 10 s) until it prints the address it serves.
    // Null when it did not start.
    static std::unique_ptr<ServerProcess> start(const ServerProcessOptions& options);

    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    uint16_t port() const { return listeningPort; }
    pid_t pid() const { return child; }

    // Sends SIGTERM and waits up to timeoutMilliseconds for the exit. Returns the exit status, or -1
    // when it had to be killed.
    int stop(int timeoutMilliseconds = 10000);

    // Everything the server wrote to standard output / standard error so far.
    std::string output() const;
    std::string errors() const;

  private:
    ServerProcess() = default;

    pid_t child = -1;
    uint16_t listeningPort = 0;
    std::string outputPath;
    std::string errorPath;
    bool stopped = false;
    int exitStatus = -1;
};

// The folder where the build puts programs (KELVANE_BIN_DIR, or the build's default).
std::string binaryFolder();

// Runs a program to its end with output to files; returns its exit status (-1 on failure).
int runProgram(const std::vector<std::string>& arguments, std::string* output = nullptr,
               std::string* errors = nullptr, int timeoutMilliseconds = 60000);
