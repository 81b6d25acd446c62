// Starts helper programs for the launcher's Wine tests with their output in a file, and waits for them.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Starts argv[0] (searched in PATH) with standard input from /dev/null and standard output and error
// appended to outputPath; a pipe is never used, since Wine's background processes would keep it open.
// When extraFd is not -1 it becomes the child's descriptor 3. Returns the process id, or -1.
pid_t startChild(const std::vector<std::string>& argv, const std::string& outputPath, int extraFd = -1);

// Waits up to timeoutMs for the child to end. Returns its exit code, 128 + signal when a signal ended it,
// or -1 when it still runs.
int waitForChild(pid_t pid, int timeoutMs);

// Sends SIGTERM, waits up to timeoutMs, then SIGKILL; always reaps the child.
void stopChild(pid_t pid, int timeoutMs);

// Runs a program to its end (at most timeoutMs, after which it is killed); returns its exit code or -1.
int runChild(const std::vector<std::string>& argv, const std::string& outputPath, int timeoutMs);

// Whether a program of that name is found in PATH.
bool programInPath(const std::string& name);
