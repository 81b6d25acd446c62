// A scripted one-connection server on 127.0.0.1 for testing the client against exact bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

// Accepts connections on a free loopback port and hands each, in turn, to the script, which runs
// on the server's own thread. The destructor waits for the script to end.
class FakeServer {
  public:
    using Script = std::function<void(int socket)>;

    // connections: how many connections the script serves before the server stops accepting.
    explicit FakeServer(Script script, int connections = 1);
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    uint16_t port() const { return listeningPort; }

  private:
    int listener = -1;
    uint16_t listeningPort = 0;
    std::thread thread;
};

// Reads the request head up to and including its empty line; empty on failure.
std::string readRequestHead(int socket);
// Reads exactly count bytes (fewer when the peer closes first).
std::string readBytes(int socket, size_t count);
// Reads until the peer closes its sending side.
std::string readToEnd(int socket);
void writeBytes(int socket, std::string_view bytes);

// The reply header the server sends: status line, fixed fields, Command-ID and the empty line.
std::string replyHeader(int commandId);
// The 4 bytes of a little-endian word.
std::string word(uint32_t value);
