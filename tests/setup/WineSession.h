// One Wine environment for a whole test run: a private Xvfb, a fresh prefix and one persistent wineserver.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class WineSession {
  public:
    WineSession() = default;
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;
    ~WineSession() { stop(); }

    // Starts Xvfb on a free display, creates a fresh prefix under workDir and starts the wineserver.
    // Returns an empty string on success, else what failed.
    std::string start(const std::string& workDir);

    // Ends every Wine process of the prefix, the wineserver and Xvfb.
    void stop();

    // The Unix folder that the prefix maps to C:.
    std::string driveC() const { return prefix + "/drive_c"; }
    int displayNumber() const { return display; }
    const std::string& logFolder() const { return workFolder; }

    // Starts "wine ARGS..." with its output appended to logPath; returns the process id or -1.
    pid_t startWine(const std::vector<std::string>& arguments, const std::string& logPath) const;

  private:
    std::string startXvfb();
    void linkWineFonts() const;

    std::string workFolder;
    std::string prefix;
    int display = -1;
    pid_t xvfb = -1;
    bool wineserverRunning = false;
};
