// Raw byte exchanges with a server on loopback.
#pragma once

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

// The body of an HTTP reply (after the first empty line); empty when there is none.
std::string replyBody(const std::string& reply);
