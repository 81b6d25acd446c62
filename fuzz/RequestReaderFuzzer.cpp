// Fuzz target: the request line and header block over arbitrary bytes, cut lines included.
// Input: one byte that picks the size of the first line's buffer, then the bytes of the stream.
// Besides crashes, it checks what the line reader promises: where each line ends, what the buffer
// keeps of a cut line, and that no byte after a line's CR LF is ever taken from the socket.
#include "server/net/Connection.h"
#include "support/FuzzSocket.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "request reader: %s\n", what);
        std::abort();
    }
}

// Index of the LF of the first CR LF that ends a line starting at start (the LF is never the
// line's first byte), or npos when the stream holds none.
size_t lineEnd(std::string_view stream, size_t start) {
    for (size_t i = start + 1; i < stream.size(); ++i)
        if (stream[i] == '\n' && stream[i - 1] == '\r')
            return i;
    return std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The server reads its lines with 1024 bytes (30 for the password); small sizes reach the
    // cut-line path with little input.
    const int32_t firstSize = data[0] < 128 ? REQUEST_LINE_SIZE : 1 + (data[0] & 63);
    std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

    FedSocket fed;
    if (!fed.feed(data + 1, size - 1))
        return 0;
    Connection connection(nullptr, 0);
    connection.socket.store(fed.serverEnd);

    char line[REQUEST_LINE_SIZE + 1];
    std::memset(line, 0x55, sizeof line);
    int32_t result = connection.readLine(line, firstSize);
    size_t end = lineEnd(stream, 0);
    if (end == std::string_view::npos) {
        require(result == -1, "a stream without CR LF must fail");
        connection.closeSocket();
        return 0;
    }
    if (end < static_cast<size_t>(firstSize)) {
        require(result == static_cast<int32_t>(end - 1), "a whole line gives its length");
        require(std::memcmp(line, stream.data(), end - 1) == 0 && line[end - 1] == '\0',
                "a whole line is kept with a NUL in place of its CR");
    } else {
        require(result == firstSize, "a cut line gives the buffer's size");
        require(std::memcmp(line, stream.data(), firstSize - 1) == 0 && line[firstSize - 1] == '\0',
                "a cut line keeps its first size - 1 bytes and a NUL");
    }
    require(line[firstSize] == 0x55, "the reader wrote past the buffer");

    // The header block: lines until the first empty one, each read with the server's buffer size.
    connection.headers.clear();
    int32_t headersResult = connection.headers.readHeaders();
    size_t position = end + 1;
    int32_t expectedCount = 0;
    bool blockEnded = false;
    for (;;) {
        size_t next = lineEnd(stream, position);
        if (next == std::string_view::npos)
            break;
        if (next == position + 1) {
            position = next + 1;
            blockEnded = true;
            break;
        }
        ++expectedCount;
        position = next + 1;
    }
    if (!blockEnded) {
        require(headersResult == -1, "a header block without its empty line must fail");
    } else {
        require(headersResult == 0, "a complete header block must be read");
        require(connection.headers.count == expectedCount, "every header line becomes one entry");
        // Whatever reads next (a body, a path line) must start right after the empty line.
        std::string_view rest = stream.substr(position);
        std::string next(rest.size() + 1, '\0');
        int64_t got = connection.receiveExact(next.data(), static_cast<int64_t>(next.size()));
        require(got == static_cast<int64_t>(rest.size()) && next.compare(0, rest.size(), rest) == 0,
                "the bytes after the header block must be what is read next");
    }

    // The lookups the dispatcher and the commands make, and a reply header over the same list.
    (void)connection.requestContentLength();
    (void)connection.requestCommandId();
    (void)connection.headers.findValue("Host");
    connection.setContentType(reinterpret_cast<const char*>(line));
    connection.writeResponseHeader(200, connection.requestCommandId(), connection.requestContentLength());
    connection.closeSocket();
    return 0;
}
