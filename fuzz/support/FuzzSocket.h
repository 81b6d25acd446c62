// Hands a fuzzer's bytes to code that reads a socket: the bytes wait in a local stream pair whose
// sending end has already ended, so no read ever waits for more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The largest input that fits in the pair's buffer at once.
inline constexpr size_t FED_SOCKET_CAPACITY = 64 * 1024;

struct FedSocket {
    int serverEnd = -1; // given to the code under test, which may close it
    int clientEnd = -1; // the test's end; closed by the destructor

    FedSocket() = default;
    ~FedSocket();
    FedSocket(const FedSocket&) = delete;
    FedSocket& operator=(const FedSocket&) = delete;

    // Creates the pair, queues all bytes at the server end and ends the client's sending side.
    // False when the pair cannot be made or the bytes do not fit (more than FED_SOCKET_CAPACITY).
    bool feed(const uint8_t* data, size_t size);

    // Everything the server end sent, up to its close (the server end must be closed first).
    std::string reply() const;
};
