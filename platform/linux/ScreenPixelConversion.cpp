// Conversion of pixel rows from a display's true-colour layout into a bitmap section's.
#include "platform/linux/ScreenPixelConversion.h"

#include <bit>
#include <cstring>

namespace platform {

namespace {

bool supportedDepth(uint16_t bitsPerPixel) {
    return bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
}

// A usable mask is one run of set bits inside the pixel.
bool contiguousMask(uint32_t mask, uint16_t bitsPerPixel) {
    if (mask == 0)
        return false;
    const uint32_t run = mask >> std::countr_zero(mask);
    const bool oneRun = (run & (run + 1)) == 0;
    const bool insidePixel = bitsPerPixel >= 32 || (mask >> bitsPerPixel) == 0;
    return oneRun && insidePixel;
}

bool usable(const PixelFormat& format) {
    const bool masksApart = (format.redMask & format.greenMask) == 0 &&
                            (format.redMask & format.blueMask) == 0 &&
                            (format.greenMask & format.blueMask) == 0;
    return supportedDepth(format.bitsPerPixel) && masksApart &&
           contiguousMask(format.redMask, format.bitsPerPixel) &&
           contiguousMask(format.greenMask, format.bitsPerPixel) &&
           contiguousMask(format.blueMask, format.bitsPerPixel);
}

bool sameLayout(const PixelFormat& a, const PixelFormat& b) {
    return a.bitsPerPixel == b.bitsPerPixel && a.redMask == b.redMask && a.greenMask == b.greenMask &&
           a.blueMask == b.blueMask && !a.mostSignificantByteFirst && !b.mostSignificantByteFirst;
}

bool isLittleEndian(const PixelFormat& format, uint16_t bitsPerPixel, uint32_t red, uint32_t green,
                    uint32_t blue) {
    return !format.mostSignificantByteFirst && format.bitsPerPixel == bitsPerPixel && format.redMask == red &&
           format.greenMask == green && format.blueMask == blue;
}

// Widens or narrows a channel value; widening repeats the high bits so that full stays full.
uint32_t scaleChannel(uint32_t value, uint32_t fromBits, uint32_t toBits) {
    if (toBits <= fromBits)
        return value >> (fromBits - toBits);
    uint64_t repeated = 0;
    uint32_t filled = 0;
    while (filled < toBits) {
        repeated = (repeated << fromBits) | value;
        filled += fromBits;
    }
    return static_cast<uint32_t>(repeated >> (filled - toBits));
}

uint32_t readPixel(const uint8_t* bytes, uint32_t size, bool mostSignificantFirst) {
    uint32_t value = 0;
    for (uint32_t i = 0; i < size; ++i) {
        const uint32_t shift = mostSignificantFirst ? 8 * (size - 1 - i) : 8 * i;
        value |= static_cast<uint32_t>(bytes[i]) << shift;
    }
    return value;
}

} // namespace

bool PixelConverter::prepare(const PixelFormat& fromFormat, const PixelFormat& toFormat) {
    if (!usable(fromFormat) || !usable(toFormat) || toFormat.mostSignificantByteFirst)
        return false;
    from = fromFormat;
    to = toFormat;
    const uint32_t fromMasks[3] = {from.redMask, from.greenMask, from.blueMask};
    const uint32_t toMasks[3] = {to.redMask, to.greenMask, to.blueMask};
    for (int i = 0; i < 3; ++i) {
        channels[i].fromShift = static_cast<uint32_t>(std::countr_zero(fromMasks[i]));
        channels[i].fromBits = static_cast<uint32_t>(std::popcount(fromMasks[i]));
        channels[i].toShift = static_cast<uint32_t>(std::countr_zero(toMasks[i]));
        channels[i].toBits = static_cast<uint32_t>(std::popcount(toMasks[i]));
    }
    const bool toBgr24 = isLittleEndian(to, 24, 0xFF0000, 0xFF00, 0xFF);
    const bool toBgrx32 = isLittleEndian(to, 32, 0xFF0000, 0xFF00, 0xFF);
    if (sameLayout(from, to))
        path = Path::Copy;
    else if (isLittleEndian(from, 16, 0xF800, 0x07E0, 0x001F) &&
             isLittleEndian(to, 16, 0x7C00, 0x03E0, 0x001F))
        path = Path::Rgb565To555;
    else if (isLittleEndian(from, 32, 0xFF0000, 0xFF00, 0xFF) && toBgr24)
        path = Path::Bgrx32To24;
    else if (isLittleEndian(from, 24, 0xFF0000, 0xFF00, 0xFF) && toBgrx32)
        path = Path::Bgr24To32;
    else
        path = Path::ByChannel;
    return true;
}

void PixelConverter::convertRow(const uint8_t* source, uint8_t* destination, int32_t width) const {
    const size_t count = width > 0 ? static_cast<size_t>(width) : 0;
    switch (path) {
    case Path::Copy:
        std::memcpy(destination, source, count * (from.bitsPerPixel / 8u));
        return;
    case Path::Rgb565To555:
        for (size_t i = 0; i < count; ++i) {
            const uint32_t pixel = source[2 * i] | (static_cast<uint32_t>(source[2 * i + 1]) << 8);
            const uint32_t converted = ((pixel >> 1) & 0x7FE0) | (pixel & 0x001F);
            destination[2 * i] = static_cast<uint8_t>(converted);
            destination[2 * i + 1] = static_cast<uint8_t>(converted >> 8);
        }
        return;
    case Path::Bgrx32To24:
        for (size_t i = 0; i < count; ++i)
            std::memcpy(destination + 3 * i, source + 4 * i, 3);
        return;
    case Path::Bgr24To32:
        for (size_t i = 0; i < count; ++i) {
            std::memcpy(destination + 4 * i, source + 3 * i, 3);
            destination[4 * i + 3] = 0;
        }
        return;
    case Path::ByChannel:
        convertByChannel(source, destination, width);
        return;
    }
}

void PixelConverter::convertByChannel(const uint8_t* source, uint8_t* destination, int32_t width) const {
    const uint32_t fromSize = from.bitsPerPixel / 8u;
    const uint32_t toSize = to.bitsPerPixel / 8u;
    for (int32_t x = 0; x < width; ++x) {
        const uint32_t pixel =
            readPixel(source + static_cast<size_t>(x) * fromSize, fromSize, from.mostSignificantByteFirst);
        uint32_t converted = 0;
        for (const Channel& channel : channels) {
            const uint32_t value = (pixel >> channel.fromShift) & ((1u << channel.fromBits) - 1u);
            converted |= scaleChannel(value, channel.fromBits, channel.toBits) << channel.toShift;
        }
        uint8_t* out = destination + static_cast<size_t>(x) * toSize;
        for (uint32_t i = 0; i < toSize; ++i)
            out[i] = static_cast<uint8_t>(converted >> (8 * i));
    }
}

} // namespace platform
