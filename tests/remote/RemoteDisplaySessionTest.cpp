// Tests of the remote display session on a private X server, run in-process on a socket pair.
#include "compression/Quodra.h"
#include "server/net/ProcessState.h"
#include "tests/remote/DisplayTestSupport.h"
#include "tests/remote/SessionHarness.h"

#include <atomic>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int WIDTH = 240;
constexpr int HEIGHT = 320;
// Long enough for at least two capture passes of 200 ms.
constexpr int QUIET_MILLISECONDS = 700;

class RemoteDisplaySessionTest : public testing::TestWithParam<DisplayCase> {
  protected:
    void SetUp() override {
        compressFn = nullptr;
        ASSERT_TRUE(display.start(GetParam().screen, GetParam().sharedMemory));
    }
    void TearDown() override { compressFn = nullptr; }

    uint16_t bits() const { return GetParam().sectionBits; }
    int32_t stride() const { return WIDTH * bits() / 8; }
    unsigned long colour(uint8_t red, uint8_t green, uint8_t blue) const {
        return display.client.pixelOf(red, green, blue);
    }
    // Memory row of a screen line.
    static int32_t rowOf(int line) { return HEIGHT - 1 - line; }

    // Reads the reply header block and the screen header, checking both.
    void readHeaders(SessionHarness& session) {
        const std::string header = session.readHeaderBlock();
        ASSERT_EQ(header.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << header;
        EXPECT_NE(header.find("\r\nCommand-ID: 0\r\n"), std::string::npos) << header;
        EXPECT_EQ(header.find("Content-Length"), std::string::npos) << header;
        uint32_t words[3];
        for (auto& word : words)
            ASSERT_TRUE(session.readWord(word));
        EXPECT_EQ(words[0], static_cast<uint32_t>(WIDTH));
        EXPECT_EQ(words[1], static_cast<uint32_t>(HEIGHT));
        EXPECT_EQ(words[2], bits());
    }

    // The bytes of a captured row on which pixels from x to x + count - 1 hold value.
    Bytes rowWith(int x, int count, uint32_t value) const {
        Bytes row(static_cast<size_t>(stride()), 0);
        const int size = bits() / 8;
        for (int i = x; i < x + count; ++i)
            for (int b = 0; b < size; ++b)
                row[static_cast<size_t>(i * size + b)] = static_cast<uint8_t>(value >> (8 * b));
        return row;
    }

    PrivateDisplay display;
};

TEST_P(RemoteDisplaySessionTest, BlackScreenSendsTheHeadersAndNothingMore) {
    SessionHarness session(SessionHarness::Kind::Display);
    readHeaders(session);
    EXPECT_TRUE(session.silentFor(QUIET_MILLISECONDS));
}

TEST_P(RemoteDisplaySessionTest, FirstRecordCoversTheRowsThatDifferFromBlack) {
    display.client.fill(0, 100, WIDTH, 20, colour(255, 255, 255));
    display.client.fill(30, 150, 2, 1, colour(0, 0, 255));
    SessionHarness session(SessionHarness::Kind::Display);
    readHeaders(session);
    SessionHarness::Frame frame;
    ASSERT_TRUE(session.readFrame(frame, stride()));
    EXPECT_EQ(frame.firstRow, rowOf(150));
    EXPECT_EQ(frame.lastRow, rowOf(100));
    EXPECT_EQ(frame.length, 0u);
    // The band starts with its lowest row: the blue line.
    EXPECT_EQ(Bytes(frame.data.begin(), frame.data.begin() + stride()),
              rowWith(30, 2, sectionPixel(bits(), 0, 0, 255)));
    EXPECT_EQ(Bytes(frame.data.end() - stride(), frame.data.end()),
              rowWith(0, WIDTH, sectionPixel(bits(), 255, 255, 255)));
}

TEST_P(RemoteDisplaySessionTest, ChangesGiveTheirBandInBottomUpRows) {
    SessionHarness session(SessionHarness::Kind::Display);
    readHeaders(session);
    struct Step {
        const char* name;
        std::vector<int> lines; // drawn in one request, so that one capture sees them all
        int32_t first;
        int32_t last;
    };
    const Step steps[] = {
        {.name = "one line", .lines = {50}, .first = rowOf(50), .last = rowOf(50)},
        {.name = "bottom and top lines", .lines = {HEIGHT - 1, 0}, .first = 0, .last = HEIGHT - 1},
        {.name = "two lines apart", .lines = {200, 60}, .first = rowOf(200), .last = rowOf(60)},
    };
    uint8_t shade = 40;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        shade = static_cast<uint8_t>(shade + 60);
        display.client.fillLines(step.lines, colour(shade, shade, shade));
        SessionHarness::Frame frame;
        ASSERT_TRUE(session.readFrame(frame, stride()));
        EXPECT_EQ(frame.firstRow, step.first);
        EXPECT_EQ(frame.lastRow, step.last);
        EXPECT_EQ(frame.length, 0u);
        EXPECT_EQ(frame.data.size(),
                  static_cast<size_t>(step.last - step.first + 1) * static_cast<size_t>(stride()));
    }
}

TEST_P(RemoteDisplaySessionTest, AChangeOnTheTopLineAloneSendsNoRecord) {
    SessionHarness session(SessionHarness::Kind::Display);
    readHeaders(session);
    display.client.fill(0, 0, WIDTH, 1, colour(255, 255, 255));
    EXPECT_TRUE(session.silentFor(QUIET_MILLISECONDS));
    // The next change is sent on its own: the top line is already in the frame it is compared with.
    display.client.fill(0, 300, 10, 1, colour(255, 255, 255));
    SessionHarness::Frame frame;
    ASSERT_TRUE(session.readFrame(frame, stride()));
    EXPECT_EQ(frame.firstRow, rowOf(300));
    EXPECT_EQ(frame.lastRow, rowOf(300));
}

TEST_P(RemoteDisplaySessionTest, PrimaryColoursArriveInTheSectionLayout) {
    SessionHarness session(SessionHarness::Kind::Display);
    readHeaders(session);
    struct Colour {
        const char* name;
        uint8_t red;
        uint8_t green;
        uint8_t blue;
        uint32_t expected16; // the 5-5-5 value
    };
    const Colour colours[] = {
        {.name = "green", .red = 0, .green = 255, .blue = 0, .expected16 = 0x03E0},
        {.name = "red", .red = 255, .green = 0, .blue = 0, .expected16 = 0x7C00},
        {.name = "blue", .red = 0, .green = 0, .blue = 255, .expected16 = 0x001F},
    };
    int line = 40;
    for (const auto& c : colours) {
        SCOPED_TRACE(c.name);
        display.client.fill(7, line, 1, 1, colour(c.red, c.green, c.blue));
        SessionHarness::Frame frame;
        ASSERT_TRUE(session.readFrame(frame, stride()));
        ASSERT_EQ(frame.firstRow, rowOf(line));
        const uint32_t expected = bits() == 16 ? c.expected16 : sectionPixel(bits(), c.red, c.green, c.blue);
        EXPECT_EQ(pixelAt(frame.data.data(), bits(), 7), expected);
        EXPECT_EQ(frame.data, rowWith(7, 1, expected));
        line += 10;
    }
}

TEST_P(RemoteDisplaySessionTest, WithTheLibraryABandDecompressesToTheRawBand) {
    compressFn = Compress;
    SessionHarness session(SessionHarness::Kind::Display);
    readHeaders(session);
    const uint32_t white = sectionPixel(bits(), 255, 255, 255);
    display.client.fill(10, 50, 20, 3, colour(255, 255, 255));
    SessionHarness::Frame frame;
    ASSERT_TRUE(session.readFrame(frame, stride()));
    EXPECT_EQ(frame.firstRow, rowOf(52));
    EXPECT_EQ(frame.lastRow, rowOf(50));
    const size_t rawSize = 3 * static_cast<size_t>(stride());
    ASSERT_GT(frame.length, 0u);
    EXPECT_LT(frame.length, rawSize);

    Bytes raw(rawSize);
    int32_t produced = static_cast<int32_t>(rawSize);
    ASSERT_EQ(Decompress(frame.data.data(), raw.data(), static_cast<int32_t>(frame.length), &produced), 0);
    ASSERT_EQ(static_cast<size_t>(produced), rawSize);
    Bytes expected;
    for (int i = 0; i < 3; ++i) {
        const Bytes row = rowWith(10, 20, white);
        expected.insert(expected.end(), row.begin(), row.end());
    }
    EXPECT_EQ(raw, expected);
}

// Entries that stand in for the library, each failing in its own way, and counting its calls.
std::atomic<int> compressCalls{0};
int32_t failingCompress(const uint8_t*, uint8_t*, int32_t, int32_t*) {
    ++compressCalls;
    return 1;
}
int32_t emptyCompress(const uint8_t*, uint8_t*, int32_t, int32_t* length) {
    ++compressCalls;
    *length = 0;
    return 0;
}
int32_t overlongCompress(const uint8_t*, uint8_t*, int32_t sourceLength, int32_t* length) {
    ++compressCalls;
    *length = sourceLength + 1; // more than the room it was given
    return 0;
}

TEST_P(RemoteDisplaySessionTest, ABandTheLibraryDoesNotShrinkGoesRaw) {
    struct Case {
        const char* name;
        CompressEntry entry;
    };
    const Case cases[] = {
        {.name = "failure result", .entry = failingCompress},
        {.name = "success with length 0", .entry = emptyCompress},
        {.name = "a length beyond the band", .entry = overlongCompress},
    };
    int line = 30;
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        compressFn = testCase.entry;
        compressCalls = 0;
        SessionHarness session(SessionHarness::Kind::Display);
        readHeaders(session);
        SessionHarness::Frame frame;
        for (int band = 0; band < 2; ++band) {
            display.client.fill(0, line, 4, 1, colour(255, 0, 0));
            ASSERT_TRUE(session.readFrame(frame, stride()));
            EXPECT_EQ(frame.length, 0u);
            EXPECT_EQ(frame.data, rowWith(0, 4, sectionPixel(bits(), 255, 0, 0)));
            display.client.fill(0, line, 4, 1, colour(0, 0, 0));
            ASSERT_TRUE(session.readFrame(frame, stride()));
        }
        EXPECT_EQ(compressCalls.load(), 4) << "every band tries compression again";
        line += 5;
    }
}

TEST_P(RemoteDisplaySessionTest, RandomPixelsThatDoNotCompressGoRaw) {
    compressFn = Compress;
    std::mt19937 generator(7);
    std::vector<unsigned long> pixels(WIDTH);
    Bytes expected(static_cast<size_t>(stride()), 0);
    for (int x = 0; x < WIDTH; ++x) {
        const auto red = static_cast<uint8_t>(generator());
        const auto green = static_cast<uint8_t>(generator());
        const auto blue = static_cast<uint8_t>(generator());
        pixels[static_cast<size_t>(x)] = colour(red, green, blue);
        const uint32_t value = sectionPixel(bits(), red, green, blue);
        for (int b = 0; b < bits() / 8; ++b)
            expected[static_cast<size_t>(x * bits() / 8 + b)] = static_cast<uint8_t>(value >> (8 * b));
    }
    // Only meaningful for a band that really does not shrink; at 32 bits the pad bytes compress.
    Bytes room(expected.size());
    int32_t length = static_cast<int32_t>(expected.size());
    if (Compress(expected.data(), room.data(), length, &length) == 0)
        GTEST_SKIP() << "this layout's random row still compresses";

    SessionHarness session(SessionHarness::Kind::Display);
    readHeaders(session);
    display.client.putLine(120, pixels);
    SessionHarness::Frame frame;
    ASSERT_TRUE(session.readFrame(frame, stride()));
    EXPECT_EQ(frame.firstRow, rowOf(120));
    EXPECT_EQ(frame.length, 0u);
    EXPECT_EQ(frame.data, expected);
}

TEST_P(RemoteDisplaySessionTest, AClosedClientEndsTheSessionAtTheNextBand) {
    SessionHarness session(SessionHarness::Kind::Display);
    readHeaders(session);
    session.closeClient();
    EXPECT_FALSE(session.waitEnded(QUIET_MILLISECONDS)) << "nothing was sent, so nothing noticed the close";
    display.client.fill(0, 10, WIDTH, 40, colour(255, 255, 255));
    EXPECT_TRUE(session.waitEnded(3000));
}

TEST_P(RemoteDisplaySessionTest, ARestartedWorkerEndsItsSessionWhileTheScreenIsStill) {
    SessionHarness session(SessionHarness::Kind::Display);
    readHeaders(session);
    EXPECT_FALSE(session.waitEnded(QUIET_MILLISECONDS));
    session.retire();
    EXPECT_TRUE(session.waitEnded(1000));
}

TEST_P(RemoteDisplaySessionTest, SessionsAtOnceEachSendTheSameChange) {
    SessionHarness first(SessionHarness::Kind::Display);
    SessionHarness second(SessionHarness::Kind::Display);
    readHeaders(first);
    readHeaders(second);
    display.client.fill(0, 77, WIDTH, 1, colour(0, 255, 0));
    for (SessionHarness* session : {&first, &second}) {
        SessionHarness::Frame frame;
        ASSERT_TRUE(session->readFrame(frame, stride()));
        EXPECT_EQ(frame.firstRow, rowOf(77));
        EXPECT_EQ(frame.lastRow, rowOf(77));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Displays, RemoteDisplaySessionTest,
    testing::Values(
        DisplayCase{.name = "Depth24", .screen = "240x320x24", .sharedMemory = true, .sectionBits = 32},
        DisplayCase{.name = "Depth16", .screen = "240x320x16", .sharedMemory = true, .sectionBits = 16}),
    displayCaseName);

// Without a capture the session ends after its reply header block: no screen header follows.
void expectHeaderBlockOnly() {
    SessionHarness session(SessionHarness::Kind::Display);
    const std::string header = session.readHeaderBlock();
    EXPECT_EQ(header.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << header;
    EXPECT_TRUE(session.waitEnded(3000));
    EXPECT_TRUE(session.endsWithin(3000));
}

TEST(RemoteDisplaySessionFailure, EightBitDisplayEndsAfterTheReplyHeader) {
    PrivateDisplay display;
    ASSERT_TRUE(display.start("240x320x8", true));
    expectHeaderBlockOnly();
}

TEST(RemoteDisplaySessionFailure, NoDisplayBackendEndsAfterTheReplyHeader) {
    if (pathExists("/dev/fb0"))
        GTEST_SKIP() << "this machine has a framebuffer, which is a backend";
    unsetenv("DISPLAY");
    expectHeaderBlockOnly();
}

} // namespace
