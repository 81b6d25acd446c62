// Tests of ScreenGrabber on a private X server: depths, pixel layout, row order and changed band.
#include "server/remote/ScreenGrabber.h"
#include "tests/remote/DisplayTestSupport.h"

#include <gtest/gtest.h>

namespace {

class ScreenCaptureTest : public testing::TestWithParam<DisplayCase> {
  protected:
    void SetUp() override { ASSERT_TRUE(display.start(GetParam().screen, GetParam().sharedMemory)); }
    PrivateDisplay display;
};

TEST_P(ScreenCaptureTest, ScreenSizeAndDepthBecomeTheDescription) {
    const platform::ScreenSize size = platform::readScreenSize();
    EXPECT_EQ(size.width, 240);
    EXPECT_EQ(size.height, 320);

    ScreenGrabber grabber;
    ASSERT_NE(grabber.createSurface(), nullptr);
    EXPECT_EQ(grabber.bitmapWidth(), 240);
    EXPECT_EQ(grabber.bitmapHeight(), 320);
    EXPECT_EQ(grabber.bitmapBitsPerPixel(), GetParam().sectionBits);
    EXPECT_EQ(grabber.rowStride(0, 0), 240 * GetParam().sectionBits / 8);
}

TEST_P(ScreenCaptureTest, ColoursLandBottomUpInTheSectionLayout) {
    const uint16_t bits = GetParam().sectionBits;
    struct Colour {
        const char* name;
        uint8_t red;
        uint8_t green;
        uint8_t blue;
        int line; // screen line, from the top
    };
    const Colour colours[] = {
        {.name = "red", .red = 255, .green = 0, .blue = 0, .line = 10},
        {.name = "green", .red = 0, .green = 255, .blue = 0, .line = 11},
        {.name = "blue", .red = 0, .green = 0, .blue = 255, .line = 200},
        {.name = "white", .red = 255, .green = 255, .blue = 255, .line = 319},
    };
    for (const auto& colour : colours)
        display.client.fill(5, colour.line, 3, 1,
                            display.client.pixelOf(colour.red, colour.green, colour.blue));

    ScreenGrabber grabber;
    ASSERT_NE(grabber.createSurface(), nullptr);
    ASSERT_EQ(grabber.captureFrame(), 1);
    const int32_t stride = grabber.rowStride(0, 0);
    for (const auto& colour : colours) {
        SCOPED_TRACE(colour.name);
        const uint8_t* row =
            grabber.pixels + static_cast<size_t>(319 - colour.line) * static_cast<size_t>(stride);
        EXPECT_EQ(pixelAt(row, bits, 4), 0u);
        EXPECT_EQ(pixelAt(row, bits, 5), sectionPixel(bits, colour.red, colour.green, colour.blue));
        EXPECT_EQ(pixelAt(row, bits, 7), sectionPixel(bits, colour.red, colour.green, colour.blue));
        EXPECT_EQ(pixelAt(row, bits, 8), 0u);
    }
    // Compared with black, the band reaches from the lowest to the highest drawn row.
    EXPECT_EQ(grabber.firstChangedRow, 0);
    EXPECT_EQ(grabber.lastChangedRow, 319 - 10);
}

TEST_P(ScreenCaptureTest, LaterChangesGiveTheirOwnBand) {
    ScreenGrabber grabber;
    ASSERT_NE(grabber.createSurface(), nullptr);
    ASSERT_EQ(grabber.captureFrame(), 1);
    EXPECT_EQ(grabber.firstChangedRow, 319) << "a black screen is no change";

    const unsigned long white = display.client.pixelOf(255, 255, 255);
    struct Step {
        const char* name;
        int line;
        int32_t first;
        int32_t last;
    };
    const Step steps[] = {
        {.name = "one line", .line = 100, .first = 219, .last = 219},
        {.name = "nothing new", .line = -1, .first = 319, .last = 319},
        {.name = "top line only", .line = 0, .first = 319, .last = 319},
        {.name = "bottom line", .line = 319, .first = 0, .last = 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.line >= 0)
            display.client.fill(0, step.line, 240, 1, white);
        ASSERT_EQ(grabber.captureFrame(), 1);
        EXPECT_EQ(grabber.firstChangedRow, step.first);
        EXPECT_EQ(grabber.lastChangedRow, step.last);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Displays, ScreenCaptureTest,
    testing::Values(
        DisplayCase{.name = "Depth24Shared", .screen = "240x320x24", .sharedMemory = true, .sectionBits = 32},
        DisplayCase{.name = "Depth24Plain", .screen = "240x320x24", .sharedMemory = false, .sectionBits = 32},
        DisplayCase{.name = "Depth16Shared", .screen = "240x320x16", .sharedMemory = true, .sectionBits = 16},
        DisplayCase{.name = "Depth16Plain", .screen = "240x320x16", .sharedMemory = false, .sectionBits = 16},
        DisplayCase{
            .name = "Depth30Shared", .screen = "240x320x30", .sharedMemory = true, .sectionBits = 32}),
    displayCaseName);

TEST(ScreenCapturePalette, EightBitDisplayIsNotCaptured) {
    PrivateDisplay display;
    ASSERT_TRUE(display.start("240x320x8", true));
    ScreenGrabber grabber;
    EXPECT_EQ(grabber.createSurface(), nullptr);
    EXPECT_EQ(grabber.captureFrame(), 0);
}

TEST(ScreenCaptureNoDisplay, NoBackendMeansNoSurface) {
    if (pathExists("/dev/fb0"))
        GTEST_SKIP() << "this machine has a framebuffer, which is a backend";
    unsetenv("DISPLAY");
    ScreenGrabber grabber;
    EXPECT_EQ(grabber.screenDC, nullptr);
    EXPECT_EQ(grabber.createSurface(), nullptr);
    EXPECT_EQ(platform::readScreenSize().width, 0);
}

} // namespace
