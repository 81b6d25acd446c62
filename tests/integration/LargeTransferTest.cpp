// A 1 GiB file through the real server and back, compared by checksum, with constant memory.
#include "tests/integration/ServerFixture.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <xxhash.h>

using namespace kelvane::client;

namespace {
constexpr uint64_t GIBIBYTE = 1ULL << 30;

// A reproducible stream of pseudo-random bytes (xorshift64*), made as it is sent.
class GeneratedBytes {
  public:
    size_t fill(char* buffer, size_t capacity) {
        size_t words = capacity / 8;
        for (size_t i = 0; i < words; ++i) {
            state ^= state >> 12;
            state ^= state << 25;
            state ^= state >> 27;
            uint64_t value = state * 0x2545F4914F6CDD1DULL;
            std::memcpy(buffer + i * 8, &value, 8);
        }
        return words * 8;
    }

  private:
    uint64_t state = 0x9E3779B97F4A7C15ULL;
};

double megabytesPerSecond(uint64_t bytes, std::chrono::steady_clock::duration elapsed) {
    return static_cast<double>(bytes) / (1 << 20) / std::chrono::duration<double>(elapsed).count();
}
} // namespace

using LargeTransferTest = ServerFixture;

TEST_F(LargeTransferTest, OneGibibyteRoundTripIsByteForByte) {
    startServer();
    GeneratedBytes generator;
    XXH3_state_t* sentHash = XXH3_createState();
    XXH3_state_t* receivedHash = XXH3_createState();
    XXH3_64bits_reset(sentHash);
    XXH3_64bits_reset(receivedHash);

    auto start = std::chrono::steady_clock::now();
    auto up = client().uploadFile("big.bin", GIBIBYTE, [&](char* buffer, size_t capacity) {
        size_t count = generator.fill(buffer, capacity);
        XXH3_64bits_update(sentHash, buffer, count);
        return static_cast<int64_t>(count);
    });
    auto uploaded = std::chrono::steady_clock::now();
    ASSERT_TRUE(up.ok()) << up.message;
    EXPECT_EQ(up.value.word, 0u);
    EXPECT_EQ(up.value.bytesSent, GIBIBYTE);
    struct stat status {};
    ASSERT_EQ(::stat(root("big.bin").c_str(), &status), 0);
    EXPECT_EQ(static_cast<uint64_t>(status.st_size), GIBIBYTE);

    auto down = client().downloadFile("big.bin", [&](const char* data, size_t size) {
        XXH3_64bits_update(receivedHash, data, size);
        return true;
    });
    auto downloaded = std::chrono::steady_clock::now();
    ASSERT_TRUE(down.ok()) << down.message;
    EXPECT_EQ(down.value.bytes, GIBIBYTE);
    EXPECT_EQ(XXH3_64bits_digest(receivedHash), XXH3_64bits_digest(sentHash));
    XXH3_freeState(sentHash);
    XXH3_freeState(receivedHash);

    std::printf("upload %.0f MiB/s, download %.0f MiB/s\n", megabytesPerSecond(GIBIBYTE, uploaded - start),
                megabytesPerSecond(GIBIBYTE, downloaded - uploaded));
}
