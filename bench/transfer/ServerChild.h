// kelvane-server started as a child process for the benchmark, with its port and peak memory.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

class ServerChild {
  public:
    ServerChild() = default;
    ~ServerChild();
    ServerChild(const ServerChild&) = delete;
    ServerChild& operator=(const ServerChild&) = delete;

    // Starts program --port 0 --root root --registry registry --headless and waits (up to 10 s)
    // for the loopback address it prints. False with problem() set on failure.
    bool start(const std::string& program, const std::string& root, const std::string& registry);
    uint16_t port() const { return listeningPort; }
    pid_t pid() const { return child; }
    const std::string& problem() const { return reason; }

    // Peak resident memory (VmHWM) in KiB since start or the last resetPeakMemory; -1 if unknown.
    long peakMemoryKilobytes() const;
    // Starts the peak over from the present resident size.
    void resetPeakMemory() const;

  private:
    pid_t child = -1;
    uint16_t listeningPort = 0;
    std::string reason;
};
