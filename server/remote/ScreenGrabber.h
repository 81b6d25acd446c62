// Whole-screen capture into a bottom-up bitmap, and the band of rows changed since the last capture.
#pragma once

#include "platform/Screen.h"

#include <cstdint>
#include <memory>

// Rows are numbered in memory order: row 0 is the bottom screen line, row r shows screen line
// (height - 1 - r). Owned by one display session and used only on its worker thread; it takes no
// lock and shares nothing with other grabbers.
class ScreenGrabber {
  public:
    // Opens the display context and a memory context compatible with it. A failure shows later,
    // when createSurface finds a context missing.
    ScreenGrabber();
    // Takes the given display context instead of opening one (another backend, or a test image).
    explicit ScreenGrabber(std::unique_ptr<platform::ScreenContext> screen);
    virtual ~ScreenGrabber();

    ScreenGrabber(const ScreenGrabber&) = delete;
    ScreenGrabber& operator=(const ScreenGrabber&) = delete;

    // Describes the screen and creates the section that receives the captures, zero-filled so that
    // the first capture is compared with black. Returns the section, or null on failure (display of
    // 8 bits per pixel or less, no memory, no section). Made once; later calls return the same one.
    platform::BitmapSection* createSurface();

    // Fills bitmapInfo for a width x height image of depth bits per pixel and allocates
    // previousFrame. Returns 1, or 0 when depth is 8 or less or the description cannot be made.
    // Returns 1 and changes nothing when a description exists already.
    int describeBitmap(int32_t width, int32_t height, int32_t depth);

    // Bytes of one row, rounded up to a multiple of 4. When width or depth is 0, both come from the
    // description (0 when there is none).
    int32_t rowStride(int32_t width, int32_t depth) const;

    // Copies the screen into pixels and sets firstChangedRow and lastChangedRow to the band that
    // differs from the capture before. Returns 1, or 0 when the section or a context is missing.
    // Allocates nothing.
    int captureFrame();

    // Frees everything and leaves every field null or 0; harmless to call twice.
    void release();

    // The description's fields; 0 when there is no description.
    int32_t bitmapWidth() const;
    int32_t bitmapHeight() const;
    uint16_t bitmapBitsPerPixel() const;
    int32_t imageSize() const;

    // The section that receives each capture; null until createSurface succeeds.
    std::unique_ptr<platform::BitmapSection> bitmapSection;
    // The bitmap description: a 40-byte information header, then the three colour masks at 16 and
    // 32 bits per pixel (52 bytes), or 4 zero bytes at any other depth (44 bytes).
    std::unique_ptr<uint8_t[]> bitmapInfo;
    // The section's pixel memory, the current frame; belongs to the section.
    uint8_t* pixels = nullptr;
    // One image long: the frame before the current one while comparing, and between captures the
    // display session's output buffer for compression. Null when it could not be allocated.
    std::unique_ptr<uint8_t[]> previousFrame;
    std::unique_ptr<platform::MemoryContext> memoryDC;
    std::unique_ptr<platform::ScreenContext> screenDC;
    int32_t firstChangedRow = 0; // lowest changed row of the last capture
    int32_t lastChangedRow = 0;  // highest changed row of the last capture
};
