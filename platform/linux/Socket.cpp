// POSIX socket implementation of the platform's socket facility.
#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

SocketHandle createStreamSocket() {
    int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0)
        return INVALID_SOCKET_HANDLE;
    // A restarted server must be able to listen again while old connections linger in TIME_WAIT.
    int yes = 1;
    ::setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    return handle;
}

int bindToAnyAddress(SocketHandle socket, uint16_t port) {
    if (socket < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    return ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? 0 : -1;
}

int listenOn(SocketHandle socket, int backlog) {
    if (socket < 0)
        return -1;
    return ::listen(socket, backlog) == 0 ? 0 : -1;
}

SocketHandle acceptClient(SocketHandle listening, uint8_t clientAddress[4]) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    int client;
    do {
        // Clients are non-blocking: every transfer on them tries once and waits with a bound.
        client =
            ::accept4(listening, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
    } while (client < 0 && errno == EINTR);
    if (client < 0)
        return INVALID_SOCKET_HANDLE;
    std::memcpy(clientAddress, &peer.sin_addr.s_addr, 4);
    return client;
}

uint16_t localPort(SocketHandle socket) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

int waitSocket(SocketHandle socket, WaitFor what, int timeoutMilliseconds) {
    if (socket < 0)
        return -1;
    pollfd entry{};
    entry.fd = socket;
    entry.events = what == WaitFor::Readable ? POLLIN : POLLOUT;
    for (;;) {
        int result = ::poll(&entry, 1, timeoutMilliseconds);
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0)
            return -1;
        if (result == 0)
            return 0;
        // Like select, a socket that has failed or was closed by the peer counts as ready:
        // the receive or send that follows reports what happened.
        if (entry.revents & POLLNVAL)
            return -1;
        return 1;
    }
}

long receiveSome(SocketHandle socket, void* buffer, size_t size) {
    for (;;) {
        ssize_t result = ::recv(socket, buffer, size, MSG_DONTWAIT);
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return SOCKET_WOULD_BLOCK;
        return result < 0 ? -1 : static_cast<long>(result);
    }
}

long peekSome(SocketHandle socket, void* buffer, size_t size) {
    for (;;) {
        ssize_t result = ::recv(socket, buffer, size, MSG_PEEK | MSG_DONTWAIT);
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return SOCKET_WOULD_BLOCK;
        return result < 0 ? -1 : static_cast<long>(result);
    }
}

long sendSome(SocketHandle socket, const void* data, size_t size) {
    for (;;) {
        ssize_t result = ::send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return SOCKET_WOULD_BLOCK;
        return result < 0 ? -1 : static_cast<long>(result);
    }
}

namespace {

// sendfile has no MSG_NOSIGNAL: a peer that has gone would raise SIGPIPE, whose default action
// ends the process. The signal is ignored once, process-wide, before the first file is sent.
void ignoreBrokenPipeSignal() {
    static const bool ignored = [] {
        struct sigaction action {};
        action.sa_handler = SIG_IGN;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGPIPE, &action, nullptr) == 0;
    }();
    (void)ignored;
}

// sendfile waits on a blocking socket until everything is queued, past any time-out; sockets
// that did not come from acceptClient are made non-blocking first (every other transfer here
// passes MSG_DONTWAIT, so nothing else changes for them).
bool makeNonBlocking(SocketHandle socket) {
    int flags = ::fcntl(socket, F_GETFL);
    if (flags < 0)
        return false;
    return (flags & O_NONBLOCK) != 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

long sendFileSome(SocketHandle socket, FileHandle file, size_t size) {
    ignoreBrokenPipeSignal();
    if (!makeNonBlocking(socket))
        return -1;
    for (;;) {
        ssize_t result = ::sendfile(socket, file, nullptr, size);
        if (result >= 0)
            return static_cast<long>(result);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return SOCKET_WOULD_BLOCK;
        if (errno == EINVAL || errno == ENOSYS || errno == EOVERFLOW)
            return SEND_FILE_UNSUPPORTED;
        return -1;
    }
}

size_t pendingBytes(SocketHandle socket) {
    int count = 0;
    if (::ioctl(socket, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return static_cast<size_t>(count);
}

void shutdownSocket(SocketHandle socket, ShutdownDirection direction) {
    if (socket >= 0)
        ::shutdown(socket, direction == ShutdownDirection::Sending ? SHUT_WR : SHUT_RDWR);
}

void closeSocketHandle(SocketHandle socket) {
    if (socket >= 0)
        ::close(socket);
}

} // namespace platform
