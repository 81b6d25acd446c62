// The client's TCP connection: non-blocking socket, poll for every wait.
#include "client/lib/ClientSocket.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace kelvane::client {

ClientSocket::~ClientSocket() {
    closeDescriptor();
}

ClientSocket::ClientSocket(ClientSocket&& other) noexcept
    : descriptor(std::exchange(other.descriptor, -1)), timeout(other.timeout),
      problem(std::move(other.problem)) {}

ClientSocket& ClientSocket::operator=(ClientSocket&& other) noexcept {
    if (this != &other) {
        closeDescriptor();
        descriptor = std::exchange(other.descriptor, -1);
        timeout = other.timeout;
        problem = std::move(other.problem);
    }
    return *this;
}

void ClientSocket::closeDescriptor() {
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

int ClientSocket::waitFor(short events) {
    pollfd entry{descriptor, events, 0};
    for (;;) {
        int ready = ::poll(&entry, 1, timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            problem = std::string("poll: ") + std::strerror(errno);
            return -1;
        }
        return ready == 0 ? 0 : entry.revents;
    }
}

bool ClientSocket::connectTo(const std::string& host, uint16_t port, int timeoutMilliseconds) {
    closeDescriptor();
    timeout = timeoutMilliseconds;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    std::string service = std::to_string(port);
    int resolved = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses);
    if (resolved != 0) {
        problem = "cannot resolve " + host + ": " + ::gai_strerror(resolved);
        return false;
    }
    problem = "no address for " + host;
    for (addrinfo* address = addresses; address; address = address->ai_next) {
        descriptor = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                              address->ai_protocol);
        if (descriptor < 0) {
            problem = std::string("socket: ") + std::strerror(errno);
            continue;
        }
        int connected = ::connect(descriptor, address->ai_addr, address->ai_addrlen);
        if (connected != 0 && errno == EINPROGRESS) {
            int events = waitFor(POLLOUT);
            int error = 0;
            socklen_t length = sizeof error;
            if (events > 0 && ::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &error, &length) == 0) {
                connected = error == 0 ? 0 : -1;
                errno = error;
            } else if (events == 0) {
                errno = ETIMEDOUT;
            }
        }
        if (connected == 0) {
            int on = 1;
            // Request heads are small and followed by a wait for the reply; send them at once.
            ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            ::freeaddrinfo(addresses);
            problem.clear();
            return true;
        }
        problem = "cannot connect to " + host + " port " + service + ": " + std::strerror(errno);
        closeDescriptor();
    }
    ::freeaddrinfo(addresses);
    return false;
}

ClientSocket::Status ClientSocket::sendAll(std::string_view bytes, bool watchForReply) {
    while (!bytes.empty()) {
        int events = waitFor(static_cast<short>(POLLOUT | (watchForReply ? POLLIN : 0)));
        if (events < 0)
            return Status::Failed;
        if (events == 0) {
            problem = "the server accepted no data for " + std::to_string(timeout) + " ms";
            return Status::TimedOut;
        }
        if (watchForReply && (events & POLLIN))
            return Status::ReplyArrived;
        ssize_t sent = ::send(descriptor, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            problem = std::string("send: ") + std::strerror(errno);
            return Status::Failed;
        }
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return Status::Done;
}

ClientSocket::Status ClientSocket::receiveSome(char* buffer, size_t capacity, size_t& received) {
    received = 0;
    for (;;) {
        ssize_t count = ::recv(descriptor, buffer, capacity, 0);
        if (count > 0) {
            received = static_cast<size_t>(count);
            return Status::Done;
        }
        if (count == 0)
            return Status::Closed;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            problem = std::string("receive: ") + std::strerror(errno);
            return Status::Failed;
        }
        int events = waitFor(POLLIN);
        if (events < 0)
            return Status::Failed;
        if (events == 0) {
            problem = "the server sent nothing for " + std::to_string(timeout) + " ms";
            return Status::TimedOut;
        }
    }
}

void ClientSocket::shutdownSending() {
    if (descriptor >= 0)
        ::shutdown(descriptor, SHUT_WR);
}

} // namespace kelvane::client
