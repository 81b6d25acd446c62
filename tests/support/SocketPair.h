// A connected pair of local stream sockets for feeding parsers without a server.
#pragma once

#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

struct SocketPair {
    int server = -1; // handed to the code under test
    int client = -1; // the test's end

    SocketPair() {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0) {
            server = ends[0];
            client = ends[1];
        }
    }
    ~SocketPair() {
        if (client >= 0)
            ::close(client);
    }
    SocketPair(const SocketPair&) = delete;
    SocketPair& operator=(const SocketPair&) = delete;

    void send(std::string_view bytes) const {
        while (!bytes.empty()) {
            ssize_t sent = ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return;
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
    }
    void closeClient() {
        ::close(client);
        client = -1;
    }
    // Everything available at the test's end without waiting more than a moment.
    std::string receiveAvailable() const;
};
