// Conversion of pixel rows from a display's true-colour layout into a bitmap section's.
#pragma once

#include <cstdint>

namespace platform {

// A true-colour pixel layout: 16, 24 or 32 bits per pixel, one contiguous mask per channel.
struct PixelFormat {
    uint16_t bitsPerPixel = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    bool mostSignificantByteFirst = false;
};

// Converts rows from one layout into another. Chosen once, so that a row costs only the copy:
// identical layouts are copied as they are, 5-6-5 becomes 5-5-5 with one shift and mask per pixel,
// and every other pair goes channel by channel.
class PixelConverter {
  public:
    // False when either layout is not one that a row can be converted between; the converter is
    // then unusable.
    bool prepare(const PixelFormat& from, const PixelFormat& to);

    // Converts width pixels from source into destination; the rows must not overlap.
    void convertRow(const uint8_t* source, uint8_t* destination, int32_t width) const;

  private:
    enum class Path { Copy, Rgb565To555, Bgrx32To24, Bgr24To32, ByChannel };
    struct Channel {
        uint32_t fromShift = 0;
        uint32_t fromBits = 0;
        uint32_t toShift = 0;
        uint32_t toBits = 0;
    };

    void convertByChannel(const uint8_t* source, uint8_t* destination, int32_t width) const;

    Path path = Path::ByChannel;
    PixelFormat from;
    PixelFormat to;
    Channel channels[3];
};

} // namespace platform
