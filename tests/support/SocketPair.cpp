// Reading what the code under test sent to a socket pair.
#include "tests/support/SocketPair.h"

#include <poll.h>

std::string SocketPair::receiveAvailable() const {
    std::string received;
    char buffer[65536];
    for (;;) {
        pollfd entry{client, POLLIN, 0};
        if (::poll(&entry, 1, 200) <= 0)
            return received;
        ssize_t count = ::recv(client, buffer, sizeof buffer, 0);
        if (count <= 0)
            return received;
        received.append(buffer, static_cast<size_t>(count));
    }
}
