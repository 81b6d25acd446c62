// Tests of ScreenGrabber over an in-memory screen: description, stride, changed band, lifecycle.
#include "server/remote/ScreenGrabber.h"

#include "tests/remote/FakeScreen.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <vector>

// Every allocation of this test program is counted, so that a capture can be shown to make none.
// The replacements pair malloc with free, which the compiler cannot see through.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<long> allocationCount{0};
}

void* operator new(size_t size) {
    ++allocationCount;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    ++allocationCount;
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, size_t) noexcept {
    std::free(memory);
}

namespace {

using Bytes = std::vector<uint8_t>;

ScreenGrabber grabberOn(int32_t width, int32_t height, uint16_t depth, FakeScreen** screen = nullptr) {
    auto fake = std::make_unique<FakeScreen>(width, height, depth);
    if (screen)
        *screen = fake.get();
    return ScreenGrabber(std::move(fake));
}

Bytes descriptionOf(const ScreenGrabber& grabber, size_t size) {
    return Bytes(grabber.bitmapInfo.get(), grabber.bitmapInfo.get() + size);
}

TEST(ScreenGrabberDescription, SixteenBitsIsFiftyTwoBytesWithFiveFiveFiveMasks) {
    ScreenGrabber grabber(nullptr);
    ASSERT_EQ(grabber.describeBitmap(240, 320, 16), 1);
    const Bytes expected = {
        40,   0,    0,    0,             // header size
        240,  0,    0,    0,             // width
        0x40, 0x01, 0,    0,             // height 320, positive: bottom-up
        1,    0,                         // planes
        16,   0,                         // bits per pixel
        3,    0,    0,    0,             // compression: colour masks follow
        0x00, 0x58, 0x02, 0,             // image size 480 x 320 = 153600
        0,    0,    0,    0, 0, 0, 0, 0, // resolutions
        0,    0,    0,    0, 0, 0, 0, 0, // colours used and important
        0x00, 0x7C, 0,    0,             // red mask
        0xE0, 0x03, 0,    0,             // green mask
        0x1F, 0x00, 0,    0,             // blue mask
    };
    EXPECT_EQ(descriptionOf(grabber, 52), expected);
    EXPECT_NE(grabber.previousFrame, nullptr);
}

TEST(ScreenGrabberDescription, DepthDecidesSizeCompressionAndMasks) {
    struct Case {
        int32_t depth;
        uint32_t compression;
        Bytes trailer; // the bytes after the 40-byte header: masks, or 4 zero bytes
        uint32_t imageSize;
    };
    const Case cases[] = {
        {.depth = 16,
         .compression = 3,
         .trailer = {0, 0x7C, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0, 0, 0},
         .imageSize = 480 * 320},
        {.depth = 24, .compression = 0, .trailer = {0, 0, 0, 0}, .imageSize = 720 * 320},
        {.depth = 32,
         .compression = 3,
         .trailer = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0},
         .imageSize = 960 * 320},
        {.depth = 12, .compression = 0, .trailer = {0, 0, 0, 0}, .imageSize = 360 * 320},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.depth);
        ScreenGrabber grabber(nullptr);
        ASSERT_EQ(grabber.describeBitmap(240, 320, testCase.depth), 1);
        const Bytes all = descriptionOf(grabber, 40 + testCase.trailer.size());
        EXPECT_EQ(Bytes(all.begin() + 40, all.end()), testCase.trailer);
        EXPECT_EQ(all[16], testCase.compression);
        EXPECT_EQ(grabber.bitmapBitsPerPixel(), testCase.depth);
        EXPECT_EQ(grabber.imageSize(), static_cast<int32_t>(testCase.imageSize));
        EXPECT_EQ(grabber.bitmapWidth(), 240);
        EXPECT_EQ(grabber.bitmapHeight(), 320);
    }
}

TEST(ScreenGrabberDescription, PaletteDepthsAndUnrepresentableSizesFail) {
    struct Case {
        int32_t width;
        int32_t height;
        int32_t depth;
    };
    const Case cases[] = {
        {.width = 240, .height = 320, .depth = 8},
        {.width = 240, .height = 320, .depth = 4},
        {.width = 240, .height = 320, .depth = 1},
        {.width = 65536, .height = 65536, .depth = 32}, // 16 GiB: beyond a 32-bit image size
        {.width = 0, .height = 320, .depth = 16},
        {.width = 240, .height = -1, .depth = 16},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testing::Message() << testCase.width << "x" << testCase.height << "x" << testCase.depth);
        ScreenGrabber grabber(nullptr);
        EXPECT_EQ(grabber.describeBitmap(testCase.width, testCase.height, testCase.depth), 0);
        EXPECT_EQ(grabber.bitmapInfo, nullptr);
        EXPECT_EQ(grabber.previousFrame, nullptr);
    }
    // The band is reset before the depth is checked.
    ScreenGrabber grabber(nullptr);
    grabber.firstChangedRow = 7;
    EXPECT_EQ(grabber.describeBitmap(240, 320, 8), 0);
    EXPECT_EQ(grabber.firstChangedRow, 0);
    EXPECT_EQ(grabber.lastChangedRow, 319);
}

TEST(ScreenGrabberDescription, ASecondDescriptionChangesNothing) {
    ScreenGrabber grabber(nullptr);
    ASSERT_EQ(grabber.describeBitmap(240, 320, 16), 1);
    const Bytes before = descriptionOf(grabber, 52);
    grabber.firstChangedRow = 5;
    EXPECT_EQ(grabber.describeBitmap(100, 100, 32), 1);
    EXPECT_EQ(descriptionOf(grabber, 52), before);
    EXPECT_EQ(grabber.firstChangedRow, 5);
}

TEST(ScreenGrabberStride, RowsRoundUpToFourBytes) {
    struct Case {
        int32_t width;
        int32_t depth;
        int32_t stride;
    };
    const Case cases[] = {
        {.width = 240, .depth = 16, .stride = 480}, {.width = 241, .depth = 16, .stride = 484},
        {.width = 240, .depth = 24, .stride = 720}, {.width = 241, .depth = 24, .stride = 724},
        {.width = 1, .depth = 24, .stride = 4},     {.width = 3, .depth = 8, .stride = 4},
        {.width = 5, .depth = 8, .stride = 8},      {.width = 1920, .depth = 32, .stride = 7680},
        {.width = 33, .depth = 1, .stride = 8},
    };
    ScreenGrabber grabber(nullptr);
    for (const auto& testCase : cases)
        EXPECT_EQ(grabber.rowStride(testCase.width, testCase.depth), testCase.stride)
            << testCase.width << " pixels at " << testCase.depth << " bits";
    // Without a description, 0 and 0 give 0.
    EXPECT_EQ(grabber.rowStride(0, 0), 0);
}

TEST(ScreenGrabberStride, ZeroArgumentsReadTheDescription) {
    ScreenGrabber grabber = grabberOn(241, 320, 24);
    ASSERT_NE(grabber.createSurface(), nullptr);
    EXPECT_EQ(grabber.rowStride(0, 0), grabber.rowStride(241, 24));
    EXPECT_EQ(grabber.rowStride(0, 16), 724);
    EXPECT_EQ(grabber.rowStride(100, 0), 724);
}

TEST(ScreenGrabberSurface, DepthFromTheScreenDecidesWhetherASurfaceIsMade) {
    struct Case {
        uint16_t depth;
        bool made;
    };
    const Case cases[] = {
        {.depth = 16, .made = true}, {.depth = 24, .made = true},  {.depth = 32, .made = true},
        {.depth = 8, .made = false}, {.depth = 12, .made = false}, // described, but no section of 12 bits
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.depth);
        ScreenGrabber grabber = grabberOn(64, 48, testCase.depth);
        platform::BitmapSection* section = grabber.createSurface();
        EXPECT_EQ(section != nullptr, testCase.made);
        EXPECT_EQ(grabber.pixels != nullptr, testCase.made);
        if (section) {
            EXPECT_EQ(grabber.createSurface(), section) << "made once";
        }
    }
}

TEST(ScreenGrabberSurface, NoScreenContextMeansNoSurfaceAndNoCapture) {
    ScreenGrabber grabber(nullptr);
    EXPECT_EQ(grabber.memoryDC, nullptr);
    EXPECT_EQ(grabber.createSurface(), nullptr);
    EXPECT_EQ(grabber.captureFrame(), 0);
}

struct BandCase {
    const char* name;
    std::vector<int32_t> changedRows;
    int32_t first;
    int32_t last;
};

TEST(ScreenGrabberCapture, ChangedRowsGiveTheBandFromEachEnd) {
    constexpr int32_t HEIGHT = 8;
    const BandCase cases[] = {
        {.name = "no change", .changedRows = {}, .first = 7, .last = 7},
        {.name = "top line only", .changedRows = {7}, .first = 7, .last = 7},
        {.name = "one row", .changedRows = {3}, .first = 3, .last = 3},
        {.name = "bottom line only", .changedRows = {0}, .first = 0, .last = 0},
        {.name = "bottom and top lines", .changedRows = {0, 7}, .first = 0, .last = 7},
        {.name = "rows apart, unchanged rows between", .changedRows = {2, 5}, .first = 2, .last = 5},
        {.name = "a run of rows", .changedRows = {1, 2, 3, 4, 5, 6}, .first = 1, .last = 6},
        {.name = "a row and the top line", .changedRows = {4, 7}, .first = 4, .last = 7},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        FakeScreen* screen = nullptr;
        ScreenGrabber grabber = grabberOn(40, HEIGHT, 16, &screen);
        ASSERT_NE(grabber.createSurface(), nullptr);
        ASSERT_EQ(grabber.captureFrame(), 1); // the black screen against black: no change
        for (int32_t row : testCase.changedRows)
            screen->touchRow(row);
        ASSERT_EQ(grabber.captureFrame(), 1);
        EXPECT_EQ(grabber.firstChangedRow, testCase.first);
        EXPECT_EQ(grabber.lastChangedRow, testCase.last);
        EXPECT_EQ(std::memcmp(grabber.pixels, screen->image.data(), screen->image.size()), 0);
    }
}

TEST(ScreenGrabberCapture, FirstCaptureIsComparedWithBlack) {
    const BandCase cases[] = {
        {.name = "all black", .changedRows = {}, .first = 9, .last = 9},
        {.name = "rows 2 to 4 drawn", .changedRows = {2, 3, 4}, .first = 2, .last = 4},
        {.name = "everything drawn", .changedRows = {0, 5, 9}, .first = 0, .last = 9},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        FakeScreen* screen = nullptr;
        ScreenGrabber grabber = grabberOn(16, 10, 32, &screen);
        for (int32_t row : testCase.changedRows)
            screen->touchRow(row);
        ASSERT_NE(grabber.createSurface(), nullptr);
        ASSERT_EQ(grabber.captureFrame(), 1);
        EXPECT_EQ(grabber.firstChangedRow, testCase.first);
        EXPECT_EQ(grabber.lastChangedRow, testCase.last);
    }
}

TEST(ScreenGrabberCapture, OneRowScreenIsRowZeroWithoutComparing) {
    FakeScreen* screen = nullptr;
    ScreenGrabber grabber = grabberOn(16, 1, 16, &screen);
    ASSERT_NE(grabber.createSurface(), nullptr);
    ASSERT_EQ(grabber.captureFrame(), 1);
    EXPECT_EQ(grabber.firstChangedRow, 0);
    EXPECT_EQ(grabber.lastChangedRow, 0);
}

TEST(ScreenGrabberCapture, WithoutPreviousFrameEveryCaptureIsWhole) {
    ScreenGrabber grabber = grabberOn(16, 10, 16);
    ASSERT_NE(grabber.createSurface(), nullptr);
    grabber.previousFrame.reset(); // as when its allocation failed
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(grabber.captureFrame(), 1);
        EXPECT_EQ(grabber.firstChangedRow, 0);
        EXPECT_EQ(grabber.lastChangedRow, 9);
    }
}

TEST(ScreenGrabberCapture, CaptureAllocatesNothing) {
    FakeScreen* screen = nullptr;
    ScreenGrabber grabber = grabberOn(240, 320, 16, &screen);
    ASSERT_NE(grabber.createSurface(), nullptr);
    const long before = allocationCount.load();
    for (int i = 0; i < 5; ++i) {
        screen->touchRow(i * 10);
        ASSERT_EQ(grabber.captureFrame(), 1);
    }
    EXPECT_EQ(allocationCount.load(), before);
    EXPECT_EQ(screen->copies, 5);
}

TEST(ScreenGrabberLifecycle, ReleaseEmptiesEverythingAndMayBeRepeated) {
    ScreenGrabber grabber = grabberOn(16, 10, 16);
    ASSERT_NE(grabber.createSurface(), nullptr);
    ASSERT_EQ(grabber.captureFrame(), 1);
    for (int i = 0; i < 2; ++i) {
        grabber.release();
        EXPECT_EQ(grabber.bitmapSection, nullptr);
        EXPECT_EQ(grabber.bitmapInfo, nullptr);
        EXPECT_EQ(grabber.pixels, nullptr);
        EXPECT_EQ(grabber.previousFrame, nullptr);
        EXPECT_EQ(grabber.memoryDC, nullptr);
        EXPECT_EQ(grabber.screenDC, nullptr);
        EXPECT_EQ(grabber.firstChangedRow, 0);
        EXPECT_EQ(grabber.lastChangedRow, 0);
        EXPECT_EQ(grabber.captureFrame(), 0);
    }
}

} // namespace
