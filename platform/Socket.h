// Stream sockets and bounded waits, the shape the server's connection code expects.
#pragma once

#include "platform/File.h"

#include <cstddef>
#include <cstdint>

namespace platform {

using SocketHandle = int;
inline constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;

enum class WaitFor { Readable, Writable };

// Creates an IPv4 stream socket; INVALID_SOCKET_HANDLE on failure.
SocketHandle createStreamSocket();

// Binds to 0.0.0.0:port (port in host order). Returns 0, or -1 on failure.
int bindToAnyAddress(SocketHandle socket, uint16_t port);

// Returns 0, or -1 on failure.
int listenOn(SocketHandle socket, int backlog);

// Blocks until a client connects. Returns the client's socket and its IPv4 address in network
// byte order, or INVALID_SOCKET_HANDLE when the accept failed (for instance because the listening
// socket was shut down from another thread).
SocketHandle acceptClient(SocketHandle listening, uint8_t clientAddress[4]);

// The local port a bound socket uses (host order); 0 when unknown.
uint16_t localPort(SocketHandle socket);

// Waits until the socket is ready. timeoutMilliseconds < 0 waits without limit.
// Returns 1 when ready, 0 on time-out, -1 on error.
int waitSocket(SocketHandle socket, WaitFor what, int timeoutMilliseconds);

// Result of a receive or send that found nothing to take or no room; the caller waits again.
inline constexpr long SOCKET_WOULD_BLOCK = -2;

// One receive that never blocks: the count (> 0), 0 when the peer closed, -1 on error,
// SOCKET_WOULD_BLOCK when nothing is there yet.
long receiveSome(SocketHandle socket, void* buffer, size_t size);

// Like receiveSome, but leaves the bytes in the socket.
long peekSome(SocketHandle socket, void* buffer, size_t size);

// One send that never blocks and never raises SIGPIPE: the count (> 0), 0 or -1 when the send
// failed, SOCKET_WOULD_BLOCK when there is no room. A blocking send would wait until the whole
// buffer is queued, past any time-out, when the peer stops reading.
long sendSome(SocketHandle socket, const void* data, size_t size);

// Result of sendFileSome when the kernel cannot send this file straight to this socket; the
// caller reads and sends the bytes itself.
inline constexpr long SEND_FILE_UNSUPPORTED = -3;

// Sends up to size bytes from the file's current position straight to the socket, without
// copying them through the caller, and advances the position by the count sent. Never blocks and
// never raises SIGPIPE: the count (> 0), 0 at the end of the file, -1 when the socket or the file
// failed, SOCKET_WOULD_BLOCK when there is no room, SEND_FILE_UNSUPPORTED (nothing was sent).
long sendFileSome(SocketHandle socket, FileHandle file, size_t size);

// Number of bytes that can be received without waiting; 0 when unknown.
size_t pendingBytes(SocketHandle socket);

enum class ShutdownDirection { Sending, Both };

// Ends one or both directions; also wakes a thread blocked in accept, poll or recv on the socket.
void shutdownSocket(SocketHandle socket, ShutdownDirection direction);

void closeSocketHandle(SocketHandle socket);

} // namespace platform
