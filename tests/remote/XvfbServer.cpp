// A private X server for display tests: Xvfb on a free display number, stopped by its process id.
#include "tests/remote/XvfbServer.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr int START_TIMEOUT_MILLISECONDS = 15000;
}

bool xvfbAvailable() {
    return std::system("command -v Xvfb >/dev/null 2>&1") == 0;
}

bool XvfbServer::start(const std::string& screen, const std::vector<std::string>& extraArguments) {
    stop();
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return false;
    // Xvfb picks a free display number itself and writes it to the descriptor once it listens.
    std::vector<std::string> arguments = {
        "Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", screen, "-noreset", "-nolisten",
        "tcp",  "-br"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid = fork();
    if (pid == 0) {
        fcntl(ready[1], F_SETFD, 0); // the one descriptor Xvfb must keep
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        dup2(quiet, STDOUT_FILENO);
        execvp("Xvfb", argv.data());
        _exit(127);
    }
    close(ready[1]);
    if (pid < 0) {
        close(ready[0]);
        return false;
    }
    std::string number;
    pollfd waitFor{.fd = ready[0], .events = POLLIN, .revents = 0};
    while (poll(&waitFor, 1, START_TIMEOUT_MILLISECONDS) > 0) {
        char digit;
        if (read(ready[0], &digit, 1) != 1 || digit == '\n')
            break;
        number += digit;
    }
    close(ready[0]);
    if (number.empty()) {
        stop();
        return false;
    }
    name = ":" + number;
    return true;
}

void XvfbServer::stop() {
    if (pid > 0) {
        kill(pid, SIGTERM);
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    pid = -1;
    name.clear();
}

void XvfbServer::useAsDisplay() const {
    setenv("DISPLAY", name.c_str(), 1);
}
