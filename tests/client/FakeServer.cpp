// The scripted loopback server of the client tests.
#include "tests/client/FakeServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

FakeServer::FakeServer(Script script, int connections) {
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 8) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    listeningPort = ntohs(address.sin_port);
    thread = std::thread([this, script = std::move(script), connections] {
        for (int served = 0; served < connections; ++served) {
            // Bounded, so that a test whose client never connects still ends.
            pollfd entry{listener, POLLIN, 0};
            if (::poll(&entry, 1, 20000) <= 0)
                return;
            int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (socket < 0)
                return;
            script(socket);
            ::close(socket);
        }
    });
}

FakeServer::~FakeServer() {
    if (thread.joinable())
        thread.join();
    if (listener >= 0)
        ::close(listener);
}

std::string readRequestHead(int socket) {
    std::string head;
    char byte;
    while (head.size() < 65536 && ::recv(socket, &byte, 1, 0) == 1) {
        head.push_back(byte);
        if (head.size() >= 4 && head.compare(head.size() - 4, 4, "\r\n\r\n") == 0)
            return head;
    }
    return {};
}

std::string readBytes(int socket, size_t count) {
    std::string bytes(count, '\0');
    size_t done = 0;
    while (done < count) {
        ssize_t received = ::recv(socket, bytes.data() + done, count - done, 0);
        if (received <= 0)
            break;
        done += static_cast<size_t>(received);
    }
    bytes.resize(done);
    return bytes;
}

std::string readToEnd(int socket) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
        if (received <= 0)
            return bytes;
        bytes.append(buffer, static_cast<size_t>(received));
    }
}

void writeBytes(int socket, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
}

std::string replyHeader(int commandId) {
    return "HTTP/1.1 200 OK\r\nCache-Control: no-cache, must-revalidate\r\nContent-Type: text/html\r\n"
           "Connection: close\r\nCommand-ID: " +
           std::to_string(commandId) + "\r\n\r\n";
}

std::string word(uint32_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    return bytes;
}
