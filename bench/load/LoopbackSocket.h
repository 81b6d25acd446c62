// Loopback connections of the load tool: connect, send everything, read to the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Connects to 127.0.0.1:port; -1 on failure.
int connectLoopback(uint16_t port);

// Sends all bytes; false when the connection failed.
bool sendAll(int socket, const void* data, size_t size);

// Sends count bytes of a fixed pattern; false when the connection failed.
bool sendPattern(int socket, uint64_t count);

// What a reply read to its end gave: every byte counted, and the bytes after the header block.
struct ReplyCount {
    uint64_t total = 0;
    uint64_t body = 0;
    bool closedCleanly = false; // ended by the server's close, not by an error or the time-out
};

// Reads until the server closes, or until timeoutMilliseconds pass without a byte. Without
// headerBlock every byte counts as body (a raw stream with no reply header).
ReplyCount readToEnd(int socket, int timeoutMilliseconds = 60000, bool headerBlock = true);

// The whole content of a file; empty when it cannot be read.
std::string readWholeFile(const std::string& path);
