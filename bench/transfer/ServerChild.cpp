// Starting, watching and stopping the benchmark's server child.
#include "bench/transfer/ServerChild.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

ServerChild::~ServerChild() {
    if (child <= 0)
        return;
    ::kill(child, SIGTERM);
    for (int waited = 0; waited < 100; ++waited) {
        if (::waitpid(child, nullptr, WNOHANG) == child)
            return;
        ::usleep(50000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

bool ServerChild::start(const std::string& program, const std::string& root, const std::string& registry) {
    // The server's standard output goes to a file: headless, it logs there for as long as it runs,
    // and a pipe nobody drains would stall it.
    std::string outputPath = root + ".out";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> words = {program, "--port",     "0",      "--root",
                                      root,    "--registry", registry, "--headless"};
    std::vector<char*> arguments;
    for (std::string& word : words)
        arguments.push_back(word.data());
    arguments.push_back(nullptr);
    int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        child = -1;
        reason = "cannot start " + program + ": " + std::strerror(spawned);
        return false;
    }
    // The server prints one URL per address; the loopback one gives the port.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (listeningPort == 0 && std::chrono::steady_clock::now() < deadline) {
        ::usleep(50000);
        std::ifstream file(outputPath);
        std::string line;
        while (std::getline(file, line)) {
            size_t at = line.find("http://127.0.0.1:");
            if (at != std::string::npos)
                listeningPort = static_cast<uint16_t>(std::stoi(line.substr(at + 17)));
        }
    }
    ::unlink(outputPath.c_str());
    if (listeningPort == 0)
        reason = "the server printed no loopback address";
    return listeningPort != 0;
}

long ServerChild::peakMemoryKilobytes() const {
    std::ifstream status("/proc/" + std::to_string(child) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

void ServerChild::resetPeakMemory() const {
    std::ofstream("/proc/" + std::to_string(child) + "/clear_refs") << "5";
}
