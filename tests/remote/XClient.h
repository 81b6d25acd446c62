// A test's own X client: draws on the root window of a test X server and reads the pointer back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Xlib's own header is kept out: its macros (None, Bool, Status) clash with GoogleTest's names.
struct _XDisplay;
struct _XGC;

class XClient {
  public:
    XClient() = default;
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;
    ~XClient();

    bool open(const std::string& displayName);

    // The pixel value of a colour given in 8-bit channels, in the display's own layout.
    unsigned long pixelOf(uint8_t red, uint8_t green, uint8_t blue) const;

    // Fills a rectangle of the root window (screen lines from the top) and waits until it is drawn.
    void fill(int x, int y, int width, int height, unsigned long pixel);
    // Fills whole screen lines, all in one request, so that no capture sees only some of them.
    void fillLines(const std::vector<int>& lines, unsigned long pixel);
    // Sets one screen line from x = 0 to the given pixel values.
    void putLine(int y, const std::vector<unsigned long>& pixels);

    struct Pointer {
        int x;
        int y;
        unsigned mask;
    };
    Pointer pointer() const;

    _XDisplay* display = nullptr;
    unsigned long root = 0; // the root window
    int width = 0;
    int height = 0;
    int depth = 0;

  private:
    _XGC* gc = nullptr;
};
