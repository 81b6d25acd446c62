// Starts helper programs for the launcher's Wine tests with their output in a file, and waits for them.
#include "tests/setup/ChildProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

pid_t startChild(const std::vector<std::string>& argv, const std::string& outputPath, int extraFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (extraFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, extraFd, 3);
    }
    std::vector<char*> arguments;
    for (const std::string& argument : argv) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    arguments.push_back(nullptr);
    pid_t pid = -1;
    const int status = posix_spawnp(&pid, arguments[0], &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return status == 0 ? pid : -1;
}

int waitForChild(pid_t pid, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (done < 0 || std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void stopChild(pid_t pid, int timeoutMs) {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    if (waitForChild(pid, timeoutMs) < 0) {
        kill(pid, SIGKILL);
        waitForChild(pid, 5000);
    }
}

int runChild(const std::vector<std::string>& argv, const std::string& outputPath, int timeoutMs) {
    const pid_t pid = startChild(argv, outputPath);
    if (pid < 0) {
        return -1;
    }
    const int code = waitForChild(pid, timeoutMs);
    if (code < 0) {
        stopChild(pid, 2000);
    }
    return code;
}

bool programInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) {
            end = folders.size();
        }
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}
