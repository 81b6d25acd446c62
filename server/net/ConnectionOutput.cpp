// The sending side of a Connection: whole sends, gathered reply pieces, file contents.
#include "server/net/Connection.h"

#include <cstring>

namespace {
// One file send asks for this much; the socket takes what fits and the rest follows.
constexpr size_t FILE_SEND_PIECE = 4 * 1024 * 1024;
// Reading and sending through the program, where the system cannot send the file itself.
constexpr size_t FILE_COPY_BUFFER_SIZE = 64 * 1024;
} // namespace

int64_t Connection::sendAll(const void* data, int64_t n) {
    if (n <= 0)
        return n;
    if (gathering) {
        if (n <= REPLY_GATHER_SIZE - gatheredLength) {
            std::memcpy(gatheredReply + gatheredLength, data, static_cast<size_t>(n));
            gatheredLength += static_cast<int32_t>(n);
            return n;
        }
        int32_t flushed = flushReply();
        if (flushed <= 0)
            return flushed;
        if (n <= REPLY_GATHER_SIZE) {
            std::memcpy(gatheredReply, data, static_cast<size_t>(n));
            gatheredLength = static_cast<int32_t>(n);
            return n;
        }
    }
    return sendNow(data, n);
}

int64_t Connection::sendNow(const void* data, int64_t n) {
    const auto* bytes = static_cast<const char*>(data);
    int64_t total = 0;
    while (total < n) {
        long sent = platform::sendSome(currentSocket(), bytes + total, static_cast<size_t>(n - total));
        if (sent == platform::SOCKET_WOULD_BLOCK) {
            if (!waitWritable())
                return -1;
            continue;
        }
        if (sent <= 0)
            return total;
        total += sent;
    }
    return n;
}

int64_t Connection::sendWord(uint32_t value) {
    unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                              static_cast<unsigned char>(value >> 16),
                              static_cast<unsigned char>(value >> 24)};
    return sendAll(bytes, 4);
}

void Connection::gatherReplies(bool on) {
    if (!on)
        flushReply();
    gathering = on;
}

int32_t Connection::flushReply() {
    int32_t length = gatheredLength;
    gatheredLength = 0;
    if (length == 0)
        return 1;
    int64_t sent = sendNow(gatheredReply, length);
    return sent == length ? 1 : (sent < 0 ? -1 : 0);
}

int32_t Connection::sendFileContents(platform::FileHandle file) {
    int32_t flushed = flushReply();
    if (flushed != 1)
        return flushed;
    for (;;) {
        long sent = platform::sendFileSome(currentSocket(), file, FILE_SEND_PIECE);
        if (sent == platform::SOCKET_WOULD_BLOCK) {
            if (!waitWritable())
                return -1;
            continue;
        }
        if (sent == platform::SEND_FILE_UNSUPPORTED)
            return sendFileByCopying(file);
        if (sent < 0)
            return 0;
        if (sent == 0)
            return 1;
    }
}

int32_t Connection::sendFileByCopying(platform::FileHandle file) {
    char buffer[FILE_COPY_BUFFER_SIZE];
    for (;;) {
        long count = platform::readFile(file, buffer, sizeof buffer);
        if (count == 0)
            return 1;
        if (count < 0)
            return 0;
        int64_t sent = sendNow(buffer, count);
        if (sent != count)
            return sent < 0 ? -1 : 0;
    }
}
