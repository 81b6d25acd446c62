// The remote display session: the screen header, then every 200 ms the band of rows that changed.
#include "platform/Thread.h"
#include "server/net/Connection.h"
#include "server/net/ProcessState.h"
#include "server/remote/RemoteSessions.h"
#include "server/remote/ScreenGrabber.h"

namespace {

constexpr uint32_t FRAME_INTERVAL_MILLISECONDS = 200;

// Sends one frame record for the grabber's changed band: compressed into previousFrame when the
// compression library is there and gains something, raw otherwise. False when the data did not
// all go out, which ends the session.
bool sendFrameRecord(Connection& connection, ScreenGrabber& grabber, int32_t stride) {
    const int32_t firstRow = grabber.firstChangedRow;
    const int32_t lastRow = grabber.lastChangedRow;
    connection.sendWord(static_cast<uint32_t>(firstRow));
    connection.sendWord(static_cast<uint32_t>(lastRow));

    const int32_t rawSize = (lastRow - firstRow + 1) * stride;
    const uint8_t* band = grabber.pixels + static_cast<size_t>(firstRow) * static_cast<size_t>(stride);

    // previousFrame is free between captures: the next capture refills it before comparing.
    const CompressEntry compress = compressFn.load(std::memory_order_acquire);
    if (compress && grabber.previousFrame) {
        int32_t length = rawSize;
        const int32_t result = compress(band, grabber.previousFrame.get(), rawSize, &length);
        // A length beyond the room the library was given would read past the buffer; such a
        // result is treated as a failure, like any other.
        if (result == 0 && length >= 1 && length <= rawSize) {
            connection.sendWord(static_cast<uint32_t>(length));
            return connection.sendAll(grabber.previousFrame.get(), length) == length;
        }
    }
    connection.sendWord(0);
    return connection.sendAll(band, rawSize) == rawSize;
}

} // namespace

void runRemoteDisplaySession(Connection& connection) {
    connection.writeResponseHeader(200, 0, 0);

    ScreenGrabber grabber;
    if (!grabber.createSurface())
        return; // no screen header: the desktop sees the reply header and then the end

    connection.sendWord(static_cast<uint32_t>(grabber.bitmapWidth()));
    connection.sendWord(static_cast<uint32_t>(grabber.bitmapHeight()));
    connection.sendWord(grabber.bitmapBitsPerPixel());

    const int32_t stride = grabber.rowStride(0, 0);
    const int32_t height = grabber.bitmapHeight();
    // A worker restarted from the status window ends here as well, even while the screen is still.
    while (!connection.isRetired()) {
        if (!grabber.captureFrame())
            break;
        // A band that reaches only the top row reads as no change and is not sent.
        if (grabber.firstChangedRow < height - 1 && !sendFrameRecord(connection, grabber, stride))
            break;
        platform::sleepMilliseconds(FRAME_INTERVAL_MILLISECONDS);
    }
}
