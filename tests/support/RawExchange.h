// Raw byte exchanges with a server on loopback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Connects to 127.0.0.1:port; -1 on failure.
int connectLoopback(uint16_t port);

// Sends request and reads everything until the server closes (or timeoutMilliseconds pass
// without a byte). Sets closedByServer when the reply ended with the server's close.
std::string exchange(uint16_t port, std::string_view request, int timeoutMilliseconds = 10000,
                     bool* closedByServer = nullptr);

// Sends all bytes on a connected socket; false on failure.
bool sendBytes(int socket, std::string_view bytes);

// Reads until close or time-out.
std::string readUntilClosed(int socket, int timeoutMilliseconds = 10000, bool* closedByServer = nullptr);

// Receives exactly size bytes, waiting at most timeoutMilliseconds for each piece; false when the
// peer closed, failed or went silent first.
bool receiveExactly(int socket, void* buffer, size_t size, int timeoutMilliseconds = 5000);

// The reply's header block up to and including its empty line; empty when it did not arrive whole.
// Reads byte by byte, so that whatever follows the block stays unread.
std::string receiveHeaderBlock(int socket);

// The body of an HTTP reply (after the first empty line); empty when there is none.
std::string replyBody(const std::string& reply);
