// A screen context over an image in memory, for testing the grabber without a display.
#pragma once

#include "platform/Screen.h"

#include <cstring>
#include <vector>

// The image is held in the section's own layout (bottom-up rows of stride bytes), so a test sets a
// row by its memory index. Copies count how often the grabber asked for one.
class FakeScreen : public platform::ScreenContext {
  public:
    FakeScreen(int32_t width, int32_t height, uint16_t bitsPerPixel)
        : screenWidth(width), screenHeight(height), depth(bitsPerPixel),
          stride(((width * bitsPerPixel + 31) / 32) * 4),
          image(static_cast<size_t>(stride) * static_cast<size_t>(height), 0) {}

    int32_t width() const override { return screenWidth; }
    int32_t height() const override { return screenHeight; }
    uint16_t bitsPerPixel() const override { return depth; }

    bool prepareCopies(const platform::SectionLayout& layout) override { return layout.stride == stride; }

    bool copyScreen(const platform::SectionLayout&, uint8_t* pixels, int32_t, int32_t) override {
        ++copies;
        std::memcpy(pixels, image.data(), image.size());
        return true;
    }

    // Changes one byte of a row (memory order), so that the row differs from before.
    void touchRow(int32_t row) { ++image[static_cast<size_t>(row) * static_cast<size_t>(stride)]; }

    const int32_t screenWidth;
    const int32_t screenHeight;
    const uint16_t depth;
    const int32_t stride;
    std::vector<uint8_t> image;
    int copies = 0;
};
