// Loopback connections of the load tool.
#include "bench/load/LoopbackSocket.h"

#include <arpa/inet.h>
#include <cstring>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr size_t READ_BUFFER_SIZE = 256 * 1024;
constexpr size_t PATTERN_SIZE = 1024 * 1024;
} // namespace

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
    int yes = 1;
    ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    return handle;
}

bool sendAll(int socket, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t sent = ::send(socket, bytes, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

bool sendPattern(int socket, uint64_t count) {
    static const std::vector<char> pattern = [] {
        std::vector<char> bytes(PATTERN_SIZE);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
        return bytes;
    }();
    while (count > 0) {
        size_t piece = count < pattern.size() ? static_cast<size_t>(count) : pattern.size();
        if (!sendAll(socket, pattern.data(), piece))
            return false;
        count -= piece;
    }
    return true;
}

ReplyCount readToEnd(int socket, int timeoutMilliseconds, bool headerBlock) {
    ReplyCount count;
    std::vector<char> buffer(READ_BUFFER_SIZE);
    // The header block ends at the first CR LF CR LF; keep the last three bytes to find it across reads.
    char tail[3] = {0, 0, 0};
    bool inBody = !headerBlock;
    for (;;) {
        pollfd entry{.fd = socket, .events = POLLIN, .revents = 0};
        if (::poll(&entry, 1, timeoutMilliseconds) <= 0)
            return count;
        ssize_t received = ::recv(socket, buffer.data(), buffer.size(), 0);
        if (received < 0)
            return count;
        if (received == 0) {
            count.closedCleanly = true;
            return count;
        }
        count.total += static_cast<uint64_t>(received);
        if (inBody) {
            count.body += static_cast<uint64_t>(received);
            continue;
        }
        for (ssize_t i = 0; i < received; ++i) {
            char byte = buffer[static_cast<size_t>(i)];
            if (tail[0] == '\r' && tail[1] == '\n' && tail[2] == '\r' && byte == '\n') {
                inBody = true;
                count.body += static_cast<uint64_t>(received - i - 1);
                break;
            }
            tail[0] = tail[1];
            tail[1] = tail[2];
            tail[2] = byte;
        }
    }
}

std::string readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}
