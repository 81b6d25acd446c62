// Display contexts, bitmap sections and the block copy, over the first capture backend that opens.
#include "platform/Screen.h"

#include "platform/linux/ScreenBackends.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace platform {

namespace {

constexpr uint32_t INFO_HEADER_SIZE = 40;
constexpr uint32_t PLAIN_RGB = 0;
constexpr uint32_t BIT_FIELDS = 3;

uint32_t readWord(const uint8_t* bytes) {
    return bytes[0] | (static_cast<uint32_t>(bytes[1]) << 8) | (static_cast<uint32_t>(bytes[2]) << 16) |
           (static_cast<uint32_t>(bytes[3]) << 24);
}

uint16_t readHalfWord(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

// Reads a description into a layout; false when it is not one this platform makes sections of.
bool layoutFromDescription(const uint8_t* description, SectionLayout& layout) {
    if (readWord(description) < INFO_HEADER_SIZE)
        return false;
    const auto width = static_cast<int32_t>(readWord(description + 4));
    const auto height = static_cast<int32_t>(readWord(description + 8));
    const uint16_t planes = readHalfWord(description + 12);
    const uint16_t bitsPerPixel = readHalfWord(description + 14);
    const uint32_t compression = readWord(description + 16);
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min() || planes != 1)
        return false;

    layout.width = width;
    layout.height = height > 0 ? height : -height;
    layout.bottomUp = height > 0;
    layout.bitsPerPixel = bitsPerPixel;
    if (compression == BIT_FIELDS && (bitsPerPixel == 16 || bitsPerPixel == 32)) {
        layout.redMask = readWord(description + INFO_HEADER_SIZE);
        layout.greenMask = readWord(description + INFO_HEADER_SIZE + 4);
        layout.blueMask = readWord(description + INFO_HEADER_SIZE + 8);
    } else if (compression == PLAIN_RGB && bitsPerPixel == 16) {
        layout.redMask = 0x7C00;
        layout.greenMask = 0x03E0;
        layout.blueMask = 0x001F;
    } else if (compression == PLAIN_RGB && (bitsPerPixel == 24 || bitsPerPixel == 32)) {
        layout.redMask = 0xFF0000;
        layout.greenMask = 0x00FF00;
        layout.blueMask = 0x0000FF;
    } else {
        return false;
    }

    const int64_t stride = ((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32) * 4;
    if (stride * layout.height > std::numeric_limits<int32_t>::max())
        return false;
    layout.stride = static_cast<int32_t>(stride);
    return true;
}

} // namespace

std::unique_ptr<ScreenContext> createScreenContext() {
    if (auto screen = openX11Screen())
        return screen;
    return openFramebufferScreen();
}

ScreenSize readScreenSize() {
    const auto screen = createScreenContext();
    if (!screen)
        return {};
    return {.width = screen->width(), .height = screen->height()};
}

std::unique_ptr<MemoryContext> createCompatibleContext(const ScreenContext* screen) {
    if (!screen)
        return nullptr;
    return std::unique_ptr<MemoryContext>(new (std::nothrow) MemoryContext());
}

std::unique_ptr<BitmapSection> createBitmapSection(ScreenContext& screen, const uint8_t* description,
                                                   uint8_t*& pixels) {
    pixels = nullptr;
    SectionLayout layout;
    if (!description || !layoutFromDescription(description, layout))
        return nullptr;
    if (!screen.prepareCopies(layout))
        return nullptr;
    const size_t size = static_cast<size_t>(layout.stride) * static_cast<size_t>(layout.height);
    std::unique_ptr<uint8_t[]> memory(new (std::nothrow) uint8_t[size]());
    if (!memory)
        return nullptr;
    std::unique_ptr<BitmapSection> section(new (std::nothrow) BitmapSection(layout, std::move(memory)));
    if (section)
        pixels = section->pixels();
    return section;
}

bool blockCopy(MemoryContext& destination, int32_t width, int32_t height, ScreenContext& source) {
    BitmapSection* section = destination.selectedSection();
    if (!section)
        return false;
    const SectionLayout& layout = section->layout();
    const int32_t copyWidth = std::min<int32_t>({width, layout.width, source.width()});
    const int32_t copyHeight = std::min<int32_t>({height, layout.height, source.height()});
    if (copyWidth <= 0 || copyHeight <= 0)
        return false;
    return source.copyScreen(layout, section->pixels(), copyWidth, copyHeight);
}

} // namespace platform
