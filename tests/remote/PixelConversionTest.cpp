// Tests of the row conversion from a display's pixel layout into a section's.
#include "platform/linux/ScreenPixelConversion.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using platform::PixelConverter;
using platform::PixelFormat;
using Bytes = std::vector<uint8_t>;

const PixelFormat RGB565{.bitsPerPixel = 16, .redMask = 0xF800, .greenMask = 0x07E0, .blueMask = 0x001F};
const PixelFormat RGB555{.bitsPerPixel = 16, .redMask = 0x7C00, .greenMask = 0x03E0, .blueMask = 0x001F};
const PixelFormat BGRX32{
    .bitsPerPixel = 32, .redMask = 0xFF0000, .greenMask = 0x00FF00, .blueMask = 0x0000FF};
const PixelFormat BGR24{.bitsPerPixel = 24, .redMask = 0xFF0000, .greenMask = 0x00FF00, .blueMask = 0x0000FF};
const PixelFormat RGBX32{
    .bitsPerPixel = 32, .redMask = 0x0000FF, .greenMask = 0x00FF00, .blueMask = 0xFF0000};
const PixelFormat BGRX32_MSB_FIRST{.bitsPerPixel = 32,
                                   .redMask = 0xFF0000,
                                   .greenMask = 0x00FF00,
                                   .blueMask = 0x0000FF,
                                   .mostSignificantByteFirst = true};
const PixelFormat DEEP30{
    .bitsPerPixel = 32, .redMask = 0x3FF00000, .greenMask = 0x000FFC00, .blueMask = 0x000003FF};

struct Case {
    const char* name;
    PixelFormat from;
    PixelFormat to;
    Bytes source;
    Bytes expected;
};

TEST(PixelConversion, RowsComeOutInTheSectionLayout) {
    const Case cases[] = {
        {.name = "5-6-5 primaries and white to 5-5-5",
         .from = RGB565,
         .to = RGB555,
         .source = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF, 0x00, 0x00},
         .expected = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x00}},
        {.name = "5-5-5 copied as it is",
         .from = RGB555,
         .to = RGB555,
         .source = {0x34, 0x12, 0xFF, 0x7F},
         .expected = {0x34, 0x12, 0xFF, 0x7F}},
        {.name = "32 bits to 24 drops the pad byte",
         .from = BGRX32,
         .to = BGR24,
         .source = {1, 2, 3, 0xEE, 4, 5, 6, 0xEE},
         .expected = {1, 2, 3, 4, 5, 6}},
        {.name = "24 bits to 32 adds a zero pad byte",
         .from = BGR24,
         .to = BGRX32,
         .source = {1, 2, 3, 4, 5, 6},
         .expected = {1, 2, 3, 0, 4, 5, 6, 0}},
        {.name = "red-first 32 bits swaps red and blue",
         .from = RGBX32,
         .to = BGRX32,
         .source = {0x11, 0x22, 0x33, 0},
         .expected = {0x33, 0x22, 0x11, 0}},
        {.name = "most significant byte first",
         .from = BGRX32_MSB_FIRST,
         .to = BGRX32,
         .source = {0, 0x11, 0x22, 0x33},
         .expected = {0x33, 0x22, 0x11, 0}},
        {.name = "5-6-5 widened to 32 bits keeps full channels full",
         .from = RGB565,
         .to = BGRX32,
         .source = {0x00, 0xF8, 0xE0, 0x07, 0x10, 0x84},
         .expected = {0x00, 0x00, 0xFF, 0, 0x00, 0xFF, 0x00, 0, 0x84, 0x82, 0x84, 0}},
        {.name = "32 bits narrowed to 5-5-5",
         .from = BGRX32,
         .to = RGB555,
         .source = {0xFF, 0x00, 0x00, 0, 0x00, 0xFF, 0x00, 0, 0x08, 0x08, 0x08, 0},
         .expected = {0x1F, 0x00, 0xE0, 0x03, 0x21, 0x04}},
        {.name = "ten bits a channel to 32 bits",
         .from = DEEP30,
         .to = BGRX32,
         .source = {0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F},
         .expected = {0xFF, 0x00, 0x00, 0, 0x00, 0x00, 0xFF, 0}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        PixelConverter converter;
        ASSERT_TRUE(converter.prepare(testCase.from, testCase.to));
        const auto width = static_cast<int32_t>(testCase.source.size() / (testCase.from.bitsPerPixel / 8u));
        Bytes destination(testCase.expected.size() + 4, 0xAA);
        converter.convertRow(testCase.source.data(), destination.data(), width);
        EXPECT_EQ(
            Bytes(destination.begin(), destination.begin() + static_cast<long>(testCase.expected.size())),
            testCase.expected);
        EXPECT_EQ(destination.back(), 0xAA) << "wrote past the row";
    }
}

TEST(PixelConversion, RefusesLayoutsItCannotConvert) {
    struct Refused {
        const char* name;
        PixelFormat from;
        PixelFormat to;
    };
    const Refused cases[] = {
        {.name = "8 bits per pixel",
         .from = {.bitsPerPixel = 8, .redMask = 0xE0, .greenMask = 0x1C, .blueMask = 0x03},
         .to = RGB555},
        {.name = "a missing mask",
         .from = {.bitsPerPixel = 32, .redMask = 0xFF0000, .greenMask = 0, .blueMask = 0xFF},
         .to = BGRX32},
        {.name = "overlapping masks",
         .from = {.bitsPerPixel = 32, .redMask = 0xFF0000, .greenMask = 0xFFFF00, .blueMask = 0xFF},
         .to = BGRX32},
        {.name = "a mask with a gap",
         .from = {.bitsPerPixel = 32, .redMask = 0xF0F000, .greenMask = 0xF00, .blueMask = 0xFF},
         .to = BGRX32},
        {.name = "a mask outside the pixel",
         .from = {.bitsPerPixel = 16, .redMask = 0x1F0000, .greenMask = 0x07E0, .blueMask = 0x1F},
         .to = RGB555},
        {.name = "a big-endian target", .from = BGRX32, .to = BGRX32_MSB_FIRST},
    };
    for (const auto& testCase : cases) {
        PixelConverter converter;
        EXPECT_FALSE(converter.prepare(testCase.from, testCase.to)) << testCase.name;
    }
}

} // namespace
