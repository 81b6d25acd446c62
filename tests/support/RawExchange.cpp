// Loopback socket helpers for tests.
#include "tests/support/RawExchange.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

int connectLoopback(uint16_t port) {
    int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(handle);
        return -1;
    }
    return handle;
}

bool sendBytes(int socket, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

std::string readUntilClosed(int socket, int timeoutMilliseconds, bool* closedByServer) {
    std::string reply;
    char buffer[65536];
    if (closedByServer != nullptr)
        *closedByServer = false;
    for (;;) {
        pollfd entry{socket, POLLIN, 0};
        int ready = ::poll(&entry, 1, timeoutMilliseconds);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return reply;
        ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0) {
            if (closedByServer != nullptr)
                *closedByServer = received == 0;
            return reply;
        }
        reply.append(buffer, static_cast<size_t>(received));
    }
}

std::string exchange(uint16_t port, std::string_view request, int timeoutMilliseconds, bool* closedByServer) {
    int socket = connectLoopback(port);
    if (socket < 0)
        return {};
    sendBytes(socket, request);
    std::string reply = readUntilClosed(socket, timeoutMilliseconds, closedByServer);
    ::close(socket);
    return reply;
}

std::string replyBody(const std::string& reply) {
    size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

bool receiveExactly(int socket, void* buffer, size_t size, int timeoutMilliseconds) {
    auto* bytes = static_cast<char*>(buffer);
    for (size_t have = 0; have < size;) {
        pollfd wait{.fd = socket, .events = POLLIN, .revents = 0};
        if (::poll(&wait, 1, timeoutMilliseconds) <= 0)
            return false;
        const ssize_t got = ::recv(socket, bytes + have, size - have, 0);
        if (got <= 0)
            return false;
        have += static_cast<size_t>(got);
    }
    return true;
}

std::string receiveHeaderBlock(int socket) {
    std::string block;
    char byte;
    while (block.size() < 4 || block.compare(block.size() - 4, 4, "\r\n\r\n") != 0) {
        if (!receiveExactly(socket, &byte, 1))
            return {};
        block += byte;
    }
    return block;
}
