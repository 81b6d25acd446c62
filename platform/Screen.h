// Display device contexts, bitmap sections and the whole-screen block copy that screen capture uses.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

// The display's size in pixels, as the system metrics report it; 0 x 0 when no display opens.
struct ScreenSize {
    int32_t width = 0;
    int32_t height = 0;
};
ScreenSize readScreenSize();

// How the pixels of a bitmap section lie in memory: each pixel a little-endian word of 16, 24 or
// 32 bits holding the three channels under their masks (24 bits: blue, green, red bytes).
struct SectionLayout {
    int32_t width = 0;
    int32_t height = 0;
    bool bottomUp = true; // row 0 in memory is the bottom screen line
    uint16_t bitsPerPixel = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    int32_t stride = 0; // bytes per row, a multiple of 4
};

// A device context for the whole display. Each is backed by one capture backend and used by one
// thread at a time; several may be open at once.
class ScreenContext {
  public:
    virtual ~ScreenContext() = default;

    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    // The device's bits-per-pixel and planes capabilities: how its own memory holds a pixel.
    virtual uint16_t bitsPerPixel() const = 0;
    virtual uint16_t planes() const { return 1; }

    // Gets ready to copy the screen into sections of this layout: whatever the copies need is
    // allocated here. False when the backend cannot produce the layout.
    virtual bool prepareCopies(const SectionLayout& layout) = 0;
    // Copies width x height pixels from the screen's origin into pixels, converted into layout.
    // Allocates nothing (once prepareCopies succeeded). False when the copy failed.
    virtual bool copyScreen(const SectionLayout& layout, uint8_t* pixels, int32_t width, int32_t height) = 0;
};

// Pixel memory in a section layout, owned by the section.
class BitmapSection {
  public:
    BitmapSection(const SectionLayout& layout, std::unique_ptr<uint8_t[]> pixelMemory)
        : sectionLayout(layout), memory(std::move(pixelMemory)) {}

    const SectionLayout& layout() const { return sectionLayout; }
    uint8_t* pixels() const { return memory.get(); }

  private:
    SectionLayout sectionLayout;
    std::unique_ptr<uint8_t[]> memory;
};

// A memory device context: the target of block copies, into whichever section is selected.
class MemoryContext {
  public:
    // Selects section (which may be null) and returns the one selected before.
    BitmapSection* select(BitmapSection* section) {
        BitmapSection* earlier = selected;
        selected = section;
        return earlier;
    }
    BitmapSection* selectedSection() const { return selected; }

  private:
    BitmapSection* selected = nullptr;
};

// A device context for the whole display from the first capture backend that opens (X11, then the
// framebuffer). Null when none does.
std::unique_ptr<ScreenContext> createScreenContext();

// A memory context compatible with screen; null when screen is null.
std::unique_ptr<MemoryContext> createCompatibleContext(const ScreenContext* screen);

// Creates a section on screen from a bitmap description (a 40-byte little-endian information
// header, followed by three colour masks when its compression field is 3) and returns its pixel
// memory, zero-filled, through pixels. Null (and pixels null) when the description is not one of
// 16, 24 or 32 bits per pixel, is too large, or the screen cannot copy into it.
std::unique_ptr<BitmapSection> createBitmapSection(ScreenContext& screen, const uint8_t* description,
                                                   uint8_t*& pixels);

// Copies width x height pixels from source's origin into the section selected in destination, at
// its origin (a plain source copy). False when nothing is selected or the copy failed.
bool blockCopy(MemoryContext& destination, int32_t width, int32_t height, ScreenContext& source);

} // namespace platform
