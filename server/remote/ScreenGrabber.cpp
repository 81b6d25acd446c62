// Whole-screen capture into a bottom-up bitmap, and the band of rows changed since the last capture.
#include "server/remote/ScreenGrabber.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr uint32_t INFO_HEADER_SIZE = 40;
constexpr int32_t DESCRIPTION_WITH_MASKS = 52;
constexpr int32_t DESCRIPTION_WITHOUT_MASKS = 44;
constexpr uint32_t PLAIN_RGB = 0;
constexpr uint32_t BIT_FIELDS = 3;

// Offsets of the description's fields.
constexpr size_t WIDTH_AT = 4;
constexpr size_t HEIGHT_AT = 8;
constexpr size_t PLANES_AT = 12;
constexpr size_t BITS_PER_PIXEL_AT = 14;
constexpr size_t COMPRESSION_AT = 16;
constexpr size_t IMAGE_SIZE_AT = 20;
constexpr size_t MASKS_AT = 40;

void storeWord(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void storeHalfWord(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

uint32_t loadWord(const uint8_t* at) {
    return at[0] | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
           (static_cast<uint32_t>(at[3]) << 24);
}

// The stride in 64 bits, so that a size too large for the description's fields can be refused.
int64_t wideStride(int64_t width, int64_t depth) {
    return ((width * depth + 31) / 32) * 4;
}

} // namespace

ScreenGrabber::ScreenGrabber() : ScreenGrabber(platform::createScreenContext()) {}

ScreenGrabber::ScreenGrabber(std::unique_ptr<platform::ScreenContext> screen) : screenDC(std::move(screen)) {
    memoryDC = platform::createCompatibleContext(screenDC.get());
}

ScreenGrabber::~ScreenGrabber() {
    release();
}

platform::BitmapSection* ScreenGrabber::createSurface() {
    if (bitmapSection)
        return bitmapSection.get();
    if (!screenDC)
        return nullptr;
    const int32_t width = screenDC->width();
    const int32_t height = screenDC->height();
    const auto depth = static_cast<uint16_t>(screenDC->bitsPerPixel() * screenDC->planes());
    if (!describeBitmap(width, height, depth))
        return nullptr;
    bitmapSection = platform::createBitmapSection(*screenDC, bitmapInfo.get(), pixels);
    if (!bitmapSection)
        return nullptr;
    std::memset(pixels, 0, static_cast<size_t>(imageSize()));
    return bitmapSection.get();
}

int ScreenGrabber::describeBitmap(int32_t width, int32_t height, int32_t depth) {
    if (bitmapInfo)
        return 1;
    firstChangedRow = 0;
    lastChangedRow = height - 1;
    if (depth <= 8)
        return 0; // palette displays are not captured
    // Sizes that the description's signed 32-bit fields cannot hold are refused rather than wrapped.
    if (width <= 0 || height <= 0 || wideStride(width, depth) * height > std::numeric_limits<int32_t>::max())
        return 0;

    const bool withMasks = depth == 16 || depth == 32;
    const int32_t size = withMasks ? DESCRIPTION_WITH_MASKS : DESCRIPTION_WITHOUT_MASKS;
    bitmapInfo.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]());
    if (!bitmapInfo)
        return 0;

    uint8_t* info = bitmapInfo.get();
    const int32_t stride = rowStride(width, depth);
    storeWord(info, INFO_HEADER_SIZE);
    storeWord(info + WIDTH_AT, static_cast<uint32_t>(width));
    storeWord(info + HEIGHT_AT, static_cast<uint32_t>(height)); // positive: rows stored bottom-up
    storeHalfWord(info + PLANES_AT, 1);
    storeHalfWord(info + BITS_PER_PIXEL_AT, static_cast<uint16_t>(depth));
    if (depth == 16) {
        storeWord(info + COMPRESSION_AT, BIT_FIELDS);
        storeWord(info + MASKS_AT, 0x7C00);
        storeWord(info + MASKS_AT + 4, 0x03E0);
        storeWord(info + MASKS_AT + 8, 0x001F);
    } else if (depth == 32) {
        storeWord(info + COMPRESSION_AT, BIT_FIELDS);
        storeWord(info + MASKS_AT, 0xFF0000);
        storeWord(info + MASKS_AT + 4, 0x00FF00);
        storeWord(info + MASKS_AT + 8, 0x0000FF);
    } else {
        storeWord(info + COMPRESSION_AT, PLAIN_RGB);
    }
    storeWord(info + IMAGE_SIZE_AT, static_cast<uint32_t>(stride * height));

    // Without it every capture reports the whole image as changed; that is not an error.
    previousFrame.reset(new (std::nothrow)
                            uint8_t[static_cast<size_t>(stride) * static_cast<size_t>(height)]);
    return 1;
}

int32_t ScreenGrabber::rowStride(int32_t width, int32_t depth) const {
    if (width == 0 || depth == 0) {
        width = bitmapWidth();
        depth = bitmapBitsPerPixel();
    }
    // Formed in 64 bits so that no argument can overflow; every size a description holds gives the
    // same value as 32-bit arithmetic.
    return static_cast<int32_t>(wideStride(width, depth));
}

int ScreenGrabber::captureFrame() {
    if (!bitmapSection || !screenDC || !memoryDC)
        return 0;
    const int32_t height = bitmapHeight();
    const size_t size = static_cast<size_t>(imageSize());
    if (previousFrame)
        std::memcpy(previousFrame.get(), pixels, size);

    // As with any device context, the section is selected only for the copy. The copy's result is
    // not needed: a failed copy leaves the frame as it was, which reads as no change.
    platform::BitmapSection* earlier = memoryDC->select(bitmapSection.get());
    platform::blockCopy(*memoryDC, bitmapWidth(), height, *screenDC);
    memoryDC->select(earlier);

    firstChangedRow = 0;
    lastChangedRow = height - 1;
    const size_t stride = static_cast<size_t>(rowStride(0, 0));
    if (!previousFrame)
        return 1;

    // Only the two ends are searched; rows inside the band are never compared. The forward search
    // never compares the top row, so a change there alone reads as no change.
    auto rowDiffers = [&](int32_t row) {
        const size_t offset = static_cast<size_t>(row) * stride;
        return std::memcmp(previousFrame.get() + offset, pixels + offset, stride) != 0;
    };
    while (firstChangedRow < height - 1 && !rowDiffers(firstChangedRow))
        ++firstChangedRow;
    while (lastChangedRow > firstChangedRow && !rowDiffers(lastChangedRow))
        --lastChangedRow;
    return 1;
}

void ScreenGrabber::release() {
    previousFrame.reset();
    bitmapInfo.reset();
    bitmapSection.reset();
    pixels = nullptr;
    screenDC.reset();
    memoryDC.reset();
    firstChangedRow = 0;
    lastChangedRow = 0;
}

int32_t ScreenGrabber::bitmapWidth() const {
    return bitmapInfo ? static_cast<int32_t>(loadWord(bitmapInfo.get() + WIDTH_AT)) : 0;
}

int32_t ScreenGrabber::bitmapHeight() const {
    return bitmapInfo ? static_cast<int32_t>(loadWord(bitmapInfo.get() + HEIGHT_AT)) : 0;
}

uint16_t ScreenGrabber::bitmapBitsPerPixel() const {
    return bitmapInfo ? static_cast<uint16_t>(bitmapInfo[BITS_PER_PIXEL_AT] |
                                              (bitmapInfo[BITS_PER_PIXEL_AT + 1] << 8))
                      : 0;
}

int32_t ScreenGrabber::imageSize() const {
    return bitmapInfo ? static_cast<int32_t>(loadWord(bitmapInfo.get() + IMAGE_SIZE_AT)) : 0;
}
