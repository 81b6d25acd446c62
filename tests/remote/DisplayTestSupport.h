// Shared pieces of the display tests: a private X server per test, and the expected pixel values.
#pragma once

#include "tests/remote/XClient.h"
#include "tests/remote/XvfbServer.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

// One display layout that a test runs against.
struct DisplayCase {
    const char* name;
    const char* screen;   // Xvfb's -screen argument
    bool sharedMemory;    // false: MIT-SHM is switched off, so captures use plain XGetImage
    uint16_t sectionBits; // bits per pixel of the captured bitmap
};

inline void PrintTo(const DisplayCase& displayCase, std::ostream* out) {
    *out << displayCase.name;
}

inline std::string displayCaseName(const testing::TestParamInfo<DisplayCase>& info) {
    return info.param.name;
}

// The section's value for a colour given in 8-bit channels (exact for the primaries and white).
inline uint32_t sectionPixel(uint16_t bitsPerPixel, uint8_t red, uint8_t green, uint8_t blue) {
    if (bitsPerPixel == 16)
        return static_cast<uint32_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
    return (static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) | blue;
}

inline uint32_t pixelAt(const uint8_t* row, uint16_t bitsPerPixel, int x) {
    const int size = bitsPerPixel / 8;
    uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= static_cast<uint32_t>(row[x * size + i]) << (8 * i);
    return value;
}

inline bool pathExists(const char* path) {
    struct stat status;
    return stat(path, &status) == 0;
}

// Starts a private X server for the test and points DISPLAY at it; a test client draws on it.
class PrivateDisplay {
  public:
    bool start(const std::string& screen, bool sharedMemory) {
        if (!xvfbAvailable())
            return false;
        std::vector<std::string> extra;
        if (!sharedMemory)
            extra = {"-extension", "MIT-SHM"};
        if (!server.start(screen, extra))
            return false;
        server.useAsDisplay();
        return client.open(server.displayName());
    }

    XvfbServer server;
    XClient client;
};
