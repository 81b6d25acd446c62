// A TCP connection of the client with time-outs on every wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane::client {

class ClientSocket {
  public:
    enum class Status {
        Done,         // the bytes went out / some bytes arrived
        Closed,       // the peer closed the connection (receive only)
        ReplyArrived, // reply bytes arrived while sending, so the server stopped reading (send only)
        TimedOut,     // the time-out passed without progress
        Failed,       // the connection broke; see lastProblem()
    };

    ClientSocket() = default;
    ~ClientSocket();
    ClientSocket(ClientSocket&& other) noexcept;
    ClientSocket& operator=(ClientSocket&& other) noexcept;
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;

    // Connects to host:port (a name or a numeric IPv4/IPv6 address), trying every address the
    // name resolves to. timeoutMilliseconds bounds each later wait without progress as well.
    // Returns false with lastProblem() set when no address accepted the connection.
    bool connectTo(const std::string& host, uint16_t port, int timeoutMilliseconds);

    // Sends every byte. With watchForReply, stops early with ReplyArrived when the server has
    // begun to answer (it answers an upload it gave up on before reading the whole body).
    Status sendAll(std::string_view bytes, bool watchForReply = false);

    // Receives up to capacity bytes into buffer; received is set on Done.
    Status receiveSome(char* buffer, size_t capacity, size_t& received);

    // Tells the server that no more request bytes follow.
    void shutdownSending();

    const std::string& lastProblem() const { return problem; }

  private:
    void closeDescriptor();
    // Waits for the events; returns the ones that occurred, 0 on time-out, -1 on failure.
    int waitFor(short events);

    int descriptor = -1;
    int timeout = 30000;
    std::string problem;
};

} // namespace kelvane::client
