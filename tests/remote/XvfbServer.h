// A private X server for display tests: Xvfb on a free display number, stopped by its process id.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class XvfbServer {
  public:
    XvfbServer() = default;
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer() { stop(); }

    // Starts Xvfb with one screen ("240x320x16"), a black root window and no reset when its last
    // client leaves, plus extraArguments; waits until it takes connections. False on failure.
    bool start(const std::string& screen, const std::vector<std::string>& extraArguments = {});

    // Stops the server (harmless when it is not running).
    void stop();

    // ":N", for DISPLAY.
    const std::string& displayName() const { return name; }

    // Makes DISPLAY name this server for the code under test.
    void useAsDisplay() const;

  private:
    pid_t pid = -1;
    std::string name;
};

// True when the Xvfb program is installed.
bool xvfbAvailable();
