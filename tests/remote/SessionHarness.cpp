// Runs a remote session in-process on one end of a socket pair; the test speaks on the other end.
#include "tests/remote/SessionHarness.h"

#include <chrono>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

SessionHarness::SessionHarness(Kind kind, uint32_t ioTimeoutMilliseconds)
    : connection(nullptr, 0, ioTimeoutMilliseconds) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    connection.socket.store(ends[0]);
    testEnd = ends[1];
    session = std::thread([this, kind] {
        if (kind == Kind::Display)
            handler.remoteDisplaySession(connection);
        else
            handler.remoteControlSession(connection);
        connection.closeSocket(); // as the worker does after every command
        finished = true;
    });
}

SessionHarness::~SessionHarness() {
    connection.retire();
    if (testEnd >= 0)
        shutdown(testEnd, SHUT_RDWR);
    if (session.joinable())
        session.join();
    closeClient();
}

bool SessionHarness::readExact(void* buffer, size_t size, int timeoutMilliseconds) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    size_t have = 0;
    while (have < size) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{.fd = testEnd, .events = POLLIN, .revents = 0};
        if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            return false;
        const ssize_t got = recv(testEnd, bytes + have, size - have, 0);
        if (got <= 0)
            return false;
        have += static_cast<size_t>(got);
    }
    return true;
}

bool SessionHarness::readWord(uint32_t& word, int timeoutMilliseconds) {
    uint8_t bytes[4];
    if (!readExact(bytes, 4, timeoutMilliseconds))
        return false;
    word = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

std::string SessionHarness::readHeaderBlock(int timeoutMilliseconds) {
    std::string block;
    char byte;
    while (block.size() < 4 || block.compare(block.size() - 4, 4, "\r\n\r\n") != 0) {
        if (!readExact(&byte, 1, timeoutMilliseconds))
            return {};
        block += byte;
    }
    return block;
}

bool SessionHarness::silentFor(int milliseconds) {
    pollfd wait{.fd = testEnd, .events = POLLIN, .revents = 0};
    return poll(&wait, 1, milliseconds) == 0;
}

bool SessionHarness::endsWithin(int milliseconds) {
    pollfd wait{.fd = testEnd, .events = POLLIN, .revents = 0};
    if (poll(&wait, 1, milliseconds) <= 0)
        return false;
    char byte;
    return recv(testEnd, &byte, 1, 0) == 0;
}

void SessionHarness::send(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t sent = ::send(testEnd, bytes, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
}

void SessionHarness::sendRecord(uint32_t message, uint32_t wParam, uint32_t lParam) {
    uint8_t record[12];
    const uint32_t words[3] = {message, wParam, lParam};
    for (int i = 0; i < 12; ++i)
        record[i] = static_cast<uint8_t>(words[i / 4] >> (8 * (i % 4)));
    send(record, sizeof record);
}

void SessionHarness::closeClient() {
    if (testEnd >= 0)
        close(testEnd);
    testEnd = -1;
}

void SessionHarness::finishSending() {
    shutdown(testEnd, SHUT_WR);
}

bool SessionHarness::waitEnded(int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!finished.load()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool SessionHarness::readFrame(Frame& frame, int32_t stride, int timeoutMilliseconds) {
    uint32_t first;
    uint32_t last;
    if (!readWord(first, timeoutMilliseconds) || !readWord(last) || !readWord(frame.length))
        return false;
    frame.firstRow = static_cast<int32_t>(first);
    frame.lastRow = static_cast<int32_t>(last);
    const size_t size =
        frame.length ? frame.length
                     : static_cast<size_t>(frame.lastRow - frame.firstRow + 1) * static_cast<size_t>(stride);
    frame.data.assign(size, 0);
    return readExact(frame.data.data(), size);
}
