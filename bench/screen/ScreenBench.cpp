// Screen benchmark: times one capture, the change search and one compression, and counts the bytes
// per frame of three scripted changes, each screen on its own private X server.
#include "bench/screen/ScriptedChanges.h"
#include "compression/Quodra.h"
#include "server/remote/ScreenGrabber.h"
#include "tests/remote/XvfbServer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int TIMING_ROUNDS = 30;
constexpr int SCRIPT_STEPS = 20;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Work>
double medianMilliseconds(Work work) {
    std::vector<double> times;
    for (int i = 0; i < TIMING_ROUNDS; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(millisecondsSince(start));
    }
    return median(times);
}

// What the display session would send for the grabber's current band: 12 bytes of record header
// plus the compressed or raw band. Also returns the raw size and the time of the compression.
struct FrameCost {
    size_t recordBytes = 0;
    size_t rawBytes = 0;
    double compressMilliseconds = 0;
    bool sent = false;
};

FrameCost frameCost(ScreenGrabber& grabber, int32_t stride) {
    FrameCost cost;
    if (grabber.firstChangedRow >= grabber.bitmapHeight() - 1)
        return cost;
    cost.sent = true;
    const int32_t rawSize = (grabber.lastChangedRow - grabber.firstChangedRow + 1) * stride;
    cost.rawBytes = static_cast<size_t>(rawSize);
    int32_t length = rawSize;
    const auto start = Clock::now();
    const int32_t result = Compress(grabber.pixels + static_cast<size_t>(grabber.firstChangedRow) * stride,
                                    grabber.previousFrame.get(), rawSize, &length);
    cost.compressMilliseconds = millisecondsSince(start);
    cost.recordBytes = 12 + static_cast<size_t>(result == 0 && length >= 1 ? length : rawSize);
    return cost;
}

bool benchScreen(const char* screen) {
    XvfbServer server;
    if (!server.start(screen)) {
        std::fprintf(stderr, "Xvfb %s did not start\n", screen);
        return false;
    }
    server.useAsDisplay();
    XClient client;
    if (!client.open(server.displayName()))
        return false;

    ScreenGrabber grabber;
    if (!grabber.createSurface())
        return false;
    const int32_t stride = grabber.rowStride(0, 0);
    const size_t imageSize = static_cast<size_t>(grabber.imageSize());
    std::printf("\nScreen %s: bitmap %dx%d at %u bits per pixel, %zu bytes per image\n", screen,
                grabber.bitmapWidth(), grabber.bitmapHeight(), grabber.bitmapBitsPerPixel(), imageSize);

    grabber.captureFrame();
    const double blockCopy = medianMilliseconds([&] {
        grabber.memoryDC->select(grabber.bitmapSection.get());
        platform::blockCopy(*grabber.memoryDC, grabber.bitmapWidth(), grabber.bitmapHeight(),
                            *grabber.screenDC);
        grabber.memoryDC->select(nullptr);
    });
    const double frameCopy =
        medianMilliseconds([&] { std::memcpy(grabber.previousFrame.get(), grabber.pixels, imageSize); });
    // The worst case of the search: nothing changed, so every row but the top one is compared.
    volatile int differing = 0;
    const double search = medianMilliseconds([&] {
        for (int32_t row = 0; row < grabber.bitmapHeight() - 1; ++row) {
            const size_t offset = static_cast<size_t>(row) * static_cast<size_t>(stride);
            differing = differing + (std::memcmp(grabber.previousFrame.get() + offset,
                                                 grabber.pixels + offset, static_cast<size_t>(stride)) != 0);
        }
    });
    const double unchangedCapture = medianMilliseconds([&] { grabber.captureFrame(); });
    std::printf("  one capture (screen to bitmap, converted):  %8.3f ms\n", blockCopy);
    std::printf("  frame copy into previousFrame:               %8.3f ms\n", frameCopy);
    std::printf("  change search, unchanged screen (all rows):  %8.3f ms\n", search);
    std::printf("  captureFrame in all, unchanged screen:       %8.3f ms\n", unchangedCapture);

    // One compression of the whole image, as after a full repaint.
    FullRepaint repaint;
    repaint.prepare(client);
    repaint.step(client, 1);
    grabber.captureFrame();
    const FrameCost whole = frameCost(grabber, stride);
    std::printf("  one compression of the whole image:          %8.3f ms (%zu -> %zu bytes)\n",
                whole.compressMilliseconds, whole.rawBytes, whole.recordBytes - 12);

    std::unique_ptr<ScriptedChange> changes[] = {
        std::make_unique<MovingBox>(), std::make_unique<ScrollingText>(), std::make_unique<FullRepaint>()};
    std::printf("  %-26s %12s %14s %12s %14s\n", "bytes per frame", "band rows", "raw bytes", "sent bytes",
                "compress ms");
    for (auto& change : changes) {
        change->prepare(client);
        grabber.captureFrame();
        size_t rows = 0;
        size_t raw = 0;
        size_t sent = 0;
        double compress = 0;
        int frames = 0;
        for (int step = 0; step < SCRIPT_STEPS; ++step) {
            change->step(client, step + 100);
            grabber.captureFrame();
            const FrameCost cost = frameCost(grabber, stride);
            if (!cost.sent)
                continue;
            ++frames;
            rows += static_cast<size_t>(grabber.lastChangedRow - grabber.firstChangedRow + 1);
            raw += 12 + cost.rawBytes;
            sent += cost.recordBytes;
            compress += cost.compressMilliseconds;
        }
        if (frames == 0)
            frames = 1;
        std::printf("  %-26s %12zu %14zu %12zu %14.3f\n", change->name(), rows / frames, raw / frames,
                    sent / frames, compress / frames);
    }
    return true;
}

} // namespace

int main() {
    std::printf("Screen benchmark: medians of %d rounds; bytes per frame averaged over %d scripted steps\n",
                TIMING_ROUNDS, SCRIPT_STEPS);
    std::printf("(raw bytes: record with the band uncompressed; sent bytes: with libquodra)\n");
    bool good = benchScreen("1920x1080x24");
    good = benchScreen("240x320x16") && good;
    return good ? 0 : 1;
}
