// A private X server for display tests, and the X tools that drive and photograph its windows.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class XvfbDisplay {
  public:
    // Starts Xvfb on a free display number (with -noreset) and waits until it answers.
    XvfbDisplay();
    // Stops it by its process id.
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool running() const { return server > 0 && !name.empty(); }
    // ":N"
    const std::string& displayName() const { return name; }

    // Runs an X tool on this display; its standard output, or empty text on failure.
    std::string run(const std::vector<std::string>& arguments, int timeoutMilliseconds = 10000) const;

    // The windows whose name matches the pattern (xdotool search --name).
    std::vector<std::string> findWindows(const std::string& namePattern) const;
    // Waits up to timeoutMilliseconds for exactly one such window; empty text when none appeared.
    std::string waitForWindow(const std::string& namePattern, int timeoutMilliseconds = 10000) const;
    // Width and height of a window.
    bool windowSize(const std::string& window, int& width, int& height) const;

    // Clicks at a point of a window (window coordinates).
    void click(const std::string& window, int x, int y) const;
    // Gives the window the keyboard focus, then types keys (xdotool key names).
    void pressKeys(const std::string& window, const std::vector<std::string>& keys) const;
    void typeText(const std::string& window, const std::string& text) const;

    // Saves a PNG of the window; false on failure.
    bool screenshot(const std::string& window, const std::string& pngPath) const;

  private:
    pid_t server = -1;
    std::string name;
};

// An RGB picture read from a PNG file (through ImageMagick's PPM output).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // RGB, row by row

    static Picture load(const std::string& pngPath);
    uint32_t rgb(int x, int y) const; // 0xRRGGBB, 0 outside the picture
};
