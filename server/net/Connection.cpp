// Socket primitives of a Connection: bounded waits, line reading, exact transfers, closing.
#include "server/net/Connection.h"

#include "platform/TickCount.h"
#include "server/http/DecimalFormat.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr char CR = '\r';
constexpr char LF = '\n';
// The discarding phase of a cut line peeks at most this many bytes at a time.
constexpr size_t DISCARD_CHUNK = 4096;
} // namespace

Connection::Connection(ServerApp* owner, int32_t index, uint32_t ioTimeoutMillisecondsValue)
    : headers(this), app(owner), slotIndex(index), ioTimeoutMilliseconds(ioTimeoutMillisecondsValue) {}

Connection::~Connection() {
    closeSocket();
}

bool Connection::waitFor(platform::WaitFor what, int timeoutMilliseconds) {
    return platform::waitSocket(currentSocket(), what, timeoutMilliseconds) > 0;
}

bool Connection::waitReadable() {
    if (!prepareToRead())
        return false;
    return waitFor(platform::WaitFor::Readable, static_cast<int>(ioTimeoutMilliseconds));
}

bool Connection::waitWritable() {
    return waitFor(platform::WaitFor::Writable, static_cast<int>(ioTimeoutMilliseconds));
}

int32_t Connection::readLine(char* buffer, int32_t size) {
    int32_t length = lineFromLookahead(buffer, size);
    if (length >= 0)
        return length;
    if (!prepareToRead())
        return -1;
    return readLineFromSocket(buffer, size);
}

int32_t Connection::lineFromLookahead(char* buffer, int32_t size) {
    if (inputBroken)
        return -1;
    // A request's lines usually arrive together: one peek sees them all, each line is cut from
    // that copy, and the bytes used are taken from the socket in one receive later. The socket
    // gives up nothing after the last line used.
    if (lookaheadUsed == lookaheadLength) {
        if (!prepareToRead())
            return -1;
        long peeked = platform::peekSome(currentSocket(), lookahead, sizeof lookahead);
        if (peeked <= 0)
            return -1;
        lookaheadLength = static_cast<int32_t>(peeked);
    }
    const char* start = lookahead + lookaheadUsed;
    int32_t available = lookaheadLength - lookaheadUsed;
    int32_t limit = available < size ? available : size;
    for (int32_t i = 1; i < limit; ++i) {
        if (start[i] == LF && start[i - 1] == CR) {
            std::memcpy(buffer, start, static_cast<size_t>(i - 1));
            buffer[i - 1] = '\0';
            lookaheadUsed += i + 1;
            bytesReceived += i + 1;
            return i - 1;
        }
    }
    return -1;
}

bool Connection::prepareToRead() {
    if (gatheredLength > 0 && flushReply() != 1)
        return false;
    if (inputBroken)
        return false;
    int32_t used = lookaheadUsed;
    lookaheadLength = 0;
    lookaheadUsed = 0;
    if (used == 0)
        return true;
    // These bytes were seen by a peek, so they are in the socket already: one receive takes them.
    if (platform::receiveSome(currentSocket(), lookahead, static_cast<size_t>(used)) != used)
        inputBroken = true;
    return !inputBroken;
}

int32_t Connection::readLineFromSocket(char* buffer, int32_t size) {
    platform::SocketHandle client = currentSocket();
    int32_t stored = 0;
    // Peek at what has arrived, then take exactly up to the line's CR LF, so that nothing after
    // the line leaves the socket; each wait is bounded as if every byte were received alone. Every
    // transfer below tries the socket first and waits (at most the time-out) only when it has
    // nothing to give or no room, which saves a system call per step on a busy connection.
    while (stored < size) {
        long peeked = platform::peekSome(client, buffer + stored, static_cast<size_t>(size - stored));
        if (peeked == platform::SOCKET_WOULD_BLOCK) {
            if (!waitReadable())
                return -1;
            continue;
        }
        if (peeked <= 0)
            return -1;
        long take = peeked;
        bool ended = false;
        for (int32_t i = stored; i < stored + peeked; ++i) {
            if (i > 0 && buffer[i] == LF && buffer[i - 1] == CR) {
                take = i - stored + 1;
                ended = true;
                break;
            }
        }
        long received = platform::receiveSome(client, buffer + stored, static_cast<size_t>(take));
        if (received != take)
            return -1;
        bytesReceived += received;
        stored += static_cast<int32_t>(received);
        if (ended) {
            buffer[stored - 2] = '\0';
            return stored - 2;
        }
    }

    // The line did not fit: keep its first size - 1 bytes and discard the rest up to its CR LF.
    char previous = buffer[size - 1];
    buffer[size - 1] = '\0';
    char scratch[DISCARD_CHUNK];
    for (;;) {
        long peeked = platform::peekSome(client, scratch, sizeof scratch);
        if (peeked == platform::SOCKET_WOULD_BLOCK) {
            if (!waitReadable())
                return -1;
            continue;
        }
        if (peeked <= 0)
            return -1;
        long take = peeked;
        bool ended = false;
        for (long i = 0; i < peeked; ++i) {
            if (scratch[i] == LF && previous == CR) {
                take = i + 1;
                ended = true;
                break;
            }
            previous = scratch[i];
        }
        long received = platform::receiveSome(client, scratch, static_cast<size_t>(take));
        if (received != take)
            return -1;
        bytesReceived += received;
        if (ended)
            return size;
    }
}

int64_t Connection::receiveExact(void* buffer, int64_t n) {
    int64_t arrived = 0;
    return receiveExact(buffer, n, arrived);
}

int64_t Connection::receiveExact(void* buffer, int64_t n, int64_t& arrived) {
    arrived = 0;
    if (n <= 0)
        return n;
    if (!prepareToRead())
        return 0;
    auto* bytes = static_cast<char*>(buffer);
    while (arrived < n) {
        long received =
            platform::receiveSome(currentSocket(), bytes + arrived, static_cast<size_t>(n - arrived));
        if (received == platform::SOCKET_WOULD_BLOCK) {
            if (!waitReadable())
                return -1;
            continue;
        }
        if (received <= 0)
            return arrived;
        arrived += received;
        bytesReceived += received;
    }
    return n;
}

int32_t Connection::readInputEvent(uint8_t record[12]) {
    if (!prepareToRead())
        return 0;
    // The wait for the next input record has no time-out: a remote control session may stay idle.
    if (!waitFor(platform::WaitFor::Readable, -1))
        return 0;
    return receiveExact(record, 12) == 12 ? 1 : 0;
}

void Connection::closeSocket() {
    // What was gathered and the lookahead bytes used leave (or are taken) before the close.
    if (currentSocket() != platform::INVALID_SOCKET_HANDLE)
        prepareToRead();
    platform::SocketHandle client;
    {
        std::lock_guard guard(socketLock);
        client = socket.exchange(platform::INVALID_SOCKET_HANDLE);
    }
    if (client == platform::INVALID_SOCKET_HANDLE)
        return;
    bool bodyLeftUnread = bodyStart >= 0 && declaredBodyLength > bytesReceived - bodyStart;
    if (bodyLeftUnread || platform::pendingBytes(client) > 0)
        lingerAndClose(client);
    else
        platform::closeSocketHandle(client);
    resetRequestState();
}

void Connection::resetRequestState() {
    bytesReceived = 0;
    bodyStart = -1;
    declaredBodyLength = 0;
    lookaheadLength = 0;
    lookaheadUsed = 0;
    inputBroken = false;
    gatheredLength = 0;
    gathering = false;
}

void Connection::lingerAndClose(platform::SocketHandle client) {
    // Closing with unread bytes makes the kernel reset the connection, which can destroy reply
    // bytes the client has not read yet. End the sending side first, then discard what still
    // arrives for a short, bounded time; none of it is acted on.
    platform::shutdownSocket(client, platform::ShutdownDirection::Sending);
    uint32_t start = platform::tickCount();
    char scratch[DISCARD_CHUNK];
    for (;;) {
        uint32_t elapsed = platform::tickCount() - start;
        if (elapsed >= static_cast<uint32_t>(LINGER_MILLISECONDS))
            break;
        if (platform::waitSocket(client, platform::WaitFor::Readable,
                                 LINGER_MILLISECONDS - static_cast<int>(elapsed)) <= 0)
            break;
        long received = platform::receiveSome(client, scratch, sizeof scratch);
        if (received <= 0 && received != platform::SOCKET_WOULD_BLOCK)
            break;
    }
    platform::closeSocketHandle(client);
}

void Connection::abortSocket() {
    std::lock_guard guard(socketLock);
    platform::SocketHandle client = socket.load();
    if (client != platform::INVALID_SOCKET_HANDLE)
        platform::shutdownSocket(client, platform::ShutdownDirection::Both);
}

int64_t Connection::requestContentLength() const {
    const char* value = headers.findValue("Content-length");
    return value == nullptr ? 0 : parseDecimal64(value);
}

int32_t Connection::requestCommandId() const {
    const char* value = headers.findValue("Command-ID");
    return value == nullptr ? 0 : parseDecimal32(value);
}

void Connection::setContentType(const char* text) {
    size_t length = strnlen(text, CONTENT_TYPE_SIZE - 1);
    std::memcpy(contentType, text, length);
    contentType[length] = '\0';
}

int32_t Connection::writeResponseHeader(int32_t status, int32_t commandId, int64_t contentLength) {
    char line[128];
    int length = std::snprintf(line, sizeof line, "HTTP/1.1 %d OK\r\n", status);
    if (sendAll(line, length) < 0)
        return -1;
    headers.clear();
    headers.addLine("Cache-Control: no-cache, must-revalidate");
    if (contentType[0] == '\0') {
        headers.addLine("Content-Type: text/html");
    } else {
        std::snprintf(line, sizeof line, "Content-Type: %s", contentType);
        headers.addLine(line);
    }
    headers.addLine("Connection: close");
    if (contentLength > 0) {
        char digits[24];
        formatDecimal64(contentLength, digits);
        std::snprintf(line, sizeof line, "Content-Length: %s", digits);
        headers.addLine(line);
    }
    std::snprintf(line, sizeof line, "Command-ID: %d", commandId);
    headers.addLine(line);
    return headers.writeHeaders() < 0 ? -1 : 1;
}
