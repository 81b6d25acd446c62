// Local stream pairs that hold a fuzzer's bytes for the code under test.
#include "support/FuzzSocket.h"

#include <sys/socket.h>
#include <unistd.h>

FedSocket::~FedSocket() {
    if (clientEnd >= 0)
        ::close(clientEnd);
}

bool FedSocket::feed(const uint8_t* data, size_t size) {
    if (size > FED_SOCKET_CAPACITY)
        return false;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    serverEnd = ends[0];
    clientEnd = ends[1];
    // Room for the whole input and for a reply of the same order, so that neither side blocks.
    int room = 4 * 1024 * 1024;
    ::setsockopt(clientEnd, SOL_SOCKET, SO_SNDBUFFORCE, &room, sizeof room);
    ::setsockopt(serverEnd, SOL_SOCKET, SO_SNDBUFFORCE, &room, sizeof room);
    size_t sent = 0;
    while (sent < size) {
        ssize_t count = ::send(clientEnd, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count <= 0)
            return false;
        sent += static_cast<size_t>(count);
    }
    ::shutdown(clientEnd, SHUT_WR);
    return true;
}

std::string FedSocket::reply() const {
    std::string bytes;
    char buffer[16384];
    for (;;) {
        ssize_t count = ::recv(clientEnd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count <= 0)
            return bytes;
        bytes.append(buffer, static_cast<size_t>(count));
    }
}
