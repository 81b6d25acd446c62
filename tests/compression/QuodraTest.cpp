// Tests of libquodra's Compress and Decompress entries.
#include "compression/Quodra.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>
#include <vector>
#include <zlib.h>

namespace {

using Bytes = std::vector<uint8_t>;

// Bytes past the room a call was given; they must come back untouched.
constexpr size_t GUARD_SIZE = 64;
constexpr uint8_t GUARD_BYTE = 0xA5;

Bytes randomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& byte : bytes)
        byte = static_cast<uint8_t>(generator());
    return bytes;
}

// A screen band of 16-bit pixels: black with a few coloured runs, as a desktop looks.
Bytes screenBand(int rows) {
    Bytes band(static_cast<size_t>(rows) * 480, 0);
    for (int row = 0; row < rows; ++row)
        for (int x = 20; x < 200; x += 3)
            band[static_cast<size_t>(row) * 480 + static_cast<size_t>(x) * 2] = static_cast<uint8_t>(x + row);
    return band;
}

Bytes textBytes() {
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "The quick brown fox jumps over the lazy dog " + std::to_string(i) + "\r\n";
    return Bytes(text.begin(), text.end());
}

// Compresses with the room the server gives: the source length.
Bytes compressed(const Bytes& source) {
    Bytes destination(source.size() + GUARD_SIZE, GUARD_BYTE);
    int32_t length = static_cast<int32_t>(source.size());
    const int32_t result =
        Compress(source.data(), destination.data(), static_cast<int32_t>(source.size()), &length);
    EXPECT_EQ(result, QUODRA_OK);
    if (result != QUODRA_OK)
        return {};
    destination.resize(static_cast<size_t>(length));
    return destination;
}

Bytes decompressed(const Bytes& stream, size_t room) {
    Bytes destination(room + GUARD_SIZE, GUARD_BYTE);
    int32_t length = static_cast<int32_t>(room);
    const int32_t result =
        Decompress(stream.data(), destination.data(), static_cast<int32_t>(stream.size()), &length);
    EXPECT_EQ(result, QUODRA_OK);
    for (size_t i = room; i < destination.size(); ++i)
        EXPECT_EQ(destination[i], GUARD_BYTE) << "Decompress wrote past its room at " << i;
    if (result != QUODRA_OK)
        return {};
    destination.resize(static_cast<size_t>(length));
    return destination;
}

struct RoundTripCase {
    const char* name;
    Bytes data;
};

std::vector<RoundTripCase> roundTripCases() {
    Bytes pattern(10000);
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<uint8_t>(i % 7);
    return {
        {.name = "one black 240-pixel row at 16 bits", .data = Bytes(480, 0)},
        {.name = "full 1920x1080 black frame at 32 bits", .data = Bytes(1920 * 1080 * 4, 0)},
        {.name = "sparse screen band", .data = screenBand(40)},
        {.name = "repeating pattern", .data = pattern},
        {.name = "text", .data = textBytes()},
        {.name = "two bytes alike", .data = Bytes(64, 0x41)},
    };
}

TEST(Quodra, RoundTripsAndShrinks) {
    for (const auto& testCase : roundTripCases()) {
        SCOPED_TRACE(testCase.name);
        const Bytes stream = compressed(testCase.data);
        ASSERT_FALSE(stream.empty());
        EXPECT_LT(stream.size(), testCase.data.size());
        EXPECT_EQ(decompressed(stream, testCase.data.size()), testCase.data);
    }
}

TEST(Quodra, StreamIsZlibFormat) {
    for (const auto& testCase : roundTripCases()) {
        SCOPED_TRACE(testCase.name);
        const Bytes stream = compressed(testCase.data);
        ASSERT_GE(stream.size(), 6u);
        EXPECT_EQ(stream[0] & 0x0F, 8) << "method must be deflate";
        EXPECT_EQ((stream[0] * 256 + stream[1]) % 31, 0) << "header check bits";
        // zlib itself reads it, and what zlib writes Decompress reads.
        Bytes viaZlib(testCase.data.size());
        uLongf produced = viaZlib.size();
        ASSERT_EQ(uncompress(viaZlib.data(), &produced, stream.data(), stream.size()), Z_OK);
        viaZlib.resize(produced);
        EXPECT_EQ(viaZlib, testCase.data);

        Bytes zlibStream(compressBound(testCase.data.size()));
        uLongf zlibLength = zlibStream.size();
        ASSERT_EQ(compress2(zlibStream.data(), &zlibLength, testCase.data.data(), testCase.data.size(), 6),
                  Z_OK);
        zlibStream.resize(zlibLength);
        EXPECT_EQ(decompressed(zlibStream, testCase.data.size()), testCase.data);
    }
}

TEST(Quodra, NeverWritesPastTheRoomItIsGiven) {
    struct Case {
        const char* name;
        Bytes data;
        int32_t room;
    };
    const Case cases[] = {
        {.name = "random bytes do not shrink", .data = randomBytes(4096, 1), .room = 4096},
        {.name = "random bytes with more room still fail", .data = randomBytes(4096, 2), .room = 8192},
        {.name = "single byte", .data = Bytes(1, 0), .room = 1},
        {.name = "room too small for a compressible band", .data = screenBand(10), .room = 8},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        Bytes destination(static_cast<size_t>(testCase.room) + GUARD_SIZE, GUARD_BYTE);
        int32_t length = testCase.room;
        EXPECT_EQ(Compress(testCase.data.data(), destination.data(),
                           static_cast<int32_t>(testCase.data.size()), &length),
                  QUODRA_NO_ROOM);
        // Failure leaves the length alone; the caller ignores it anyway.
        EXPECT_EQ(length, testCase.room);
        for (size_t i = static_cast<size_t>(testCase.room); i < destination.size(); ++i)
            ASSERT_EQ(destination[i], GUARD_BYTE) << "wrote past the room at " << i;
    }
}

TEST(Quodra, RejectsBadArguments) {
    uint8_t source[16] = {};
    uint8_t destination[16] = {};
    struct Case {
        const char* name;
        const uint8_t* source;
        uint8_t* destination;
        int32_t sourceLength;
        int32_t room;
        bool nullLength;
    };
    const Case cases[] = {
        {.name = "null source",
         .source = nullptr,
         .destination = destination,
         .sourceLength = 16,
         .room = 16,
         .nullLength = false},
        {.name = "null destination",
         .source = source,
         .destination = nullptr,
         .sourceLength = 16,
         .room = 16,
         .nullLength = false},
        {.name = "null length",
         .source = source,
         .destination = destination,
         .sourceLength = 16,
         .room = 16,
         .nullLength = true},
        {.name = "zero source length",
         .source = source,
         .destination = destination,
         .sourceLength = 0,
         .room = 16,
         .nullLength = false},
        {.name = "negative source length",
         .source = source,
         .destination = destination,
         .sourceLength = -5,
         .room = 16,
         .nullLength = false},
        {.name = "zero room",
         .source = source,
         .destination = destination,
         .sourceLength = 16,
         .room = 0,
         .nullLength = false},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        int32_t length = testCase.room;
        int32_t* lengthPointer = testCase.nullLength ? nullptr : &length;
        EXPECT_EQ(Compress(testCase.source, testCase.destination, testCase.sourceLength, lengthPointer),
                  QUODRA_BAD_ARGUMENT);
        EXPECT_EQ(Decompress(testCase.source, testCase.destination, testCase.sourceLength, lengthPointer),
                  QUODRA_BAD_ARGUMENT);
    }
}

TEST(Quodra, DecompressReportsDamageAndShortRoom) {
    const Bytes original = screenBand(20);
    const Bytes stream = compressed(original);
    ASSERT_FALSE(stream.empty());

    Bytes small(100 + GUARD_SIZE, GUARD_BYTE);
    int32_t length = 100;
    EXPECT_EQ(Decompress(stream.data(), small.data(), static_cast<int32_t>(stream.size()), &length),
              QUODRA_NO_ROOM);
    for (size_t i = 100; i < small.size(); ++i)
        ASSERT_EQ(small[i], GUARD_BYTE);

    Bytes room(original.size());
    struct Case {
        const char* name;
        Bytes input;
    };
    Bytes damaged = stream;
    damaged[damaged.size() - 1] ^= 0xFF; // the Adler-32 checksum no longer matches
    const Case cases[] = {
        {.name = "checksum damaged", .input = damaged},
        {.name = "stream cut short", .input = Bytes(stream.begin(), stream.begin() + 4)},
        {.name = "not a zlib stream", .input = textBytes()},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        int32_t produced = static_cast<int32_t>(room.size());
        EXPECT_EQ(Decompress(testCase.input.data(), room.data(), static_cast<int32_t>(testCase.input.size()),
                             &produced),
                  QUODRA_BAD_DATA);
    }
}

TEST(Quodra, ThreadsCompressAtOnce) {
    constexpr int THREADS = 4;
    std::array<bool, THREADS> allGood{};
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([t, &allGood] {
            bool good = true;
            for (int round = 0; round < 50; ++round) {
                const Bytes original = screenBand(5 + (t * 50 + round) % 30);
                Bytes stream(original.size());
                int32_t length = static_cast<int32_t>(original.size());
                good = good && Compress(original.data(), stream.data(), length, &length) == QUODRA_OK;
                Bytes back(original.size());
                int32_t produced = static_cast<int32_t>(back.size());
                good = good && Decompress(stream.data(), back.data(), length, &produced) == QUODRA_OK;
                good = good && back == original;
            }
            allGood[static_cast<size_t>(t)] = good;
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < THREADS; ++t)
        EXPECT_TRUE(allGood[static_cast<size_t>(t)]) << "thread " << t;
}

// The desktop client decodes the frames in the browser with DecompressionStream('deflate');
// Node carries the same Compression Streams implementation.
TEST(Quodra, BrowserDecompressionStreamReadsIt) {
    if (std::system("node --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "node is not installed";
    const Bytes original = screenBand(30);
    const Bytes stream = compressed(original);
    const auto folder = std::filesystem::temp_directory_path() / ("quodra-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const auto streamPath = folder / "band.z";
    const auto outputPath = folder / "band.raw";
    std::ofstream(streamPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
    const std::string script =
        "const fs=require('fs');"
        "const input=new Blob([fs.readFileSync(process.argv[1])]).stream();"
        "new Response(input.pipeThrough(new DecompressionStream('deflate'))).arrayBuffer()"
        ".then(b=>fs.writeFileSync(process.argv[2],Buffer.from(b)));";
    const std::string command =
        "node -e \"" + script + "\" " + streamPath.string() + " " + outputPath.string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream output(outputPath, std::ios::binary);
    const Bytes decoded((std::istreambuf_iterator<char>(output)), std::istreambuf_iterator<char>());
    EXPECT_EQ(decoded, original);
    std::filesystem::remove_all(folder);
}

} // namespace
