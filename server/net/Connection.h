// Per-worker request object and its socket primitives.
#pragma once

#include "platform/Socket.h"
#include "server/http/HeaderList.h"

#include <atomic>
#include <cstdint>
#include <mutex>

class ServerApp;

inline constexpr uint32_t IO_TIMEOUT_SECONDS = 30;
inline constexpr int32_t REQUEST_LINE_SIZE = 1024;
inline constexpr int32_t URL_SIZE = 1024;
inline constexpr int32_t CONTENT_TYPE_SIZE = 64;
// How long a closing connection keeps discarding request bytes that were never read, so that the
// client receives the whole reply instead of a reset.
inline constexpr int LINGER_MILLISECONDS = 2000;

// Used by its own worker thread only; abortSocket is the one operation another thread may call.
class Connection {
  public:
    // ioTimeoutMilliseconds bounds every wait on the client; tests may shorten it, the server
    // always uses 30 seconds.
    Connection(ServerApp* owner, int32_t index, uint32_t ioTimeoutMilliseconds = IO_TIMEOUT_SECONDS * 1000);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    virtual ~Connection();

    // Handles one request on an accepted socket: 1 when it was dispatched, 0 when abandoned.
    int32_t serve(platform::SocketHandle client);

    // False on time-out (30 s) or error.
    bool waitReadable();
    bool waitWritable();

    // Reads one CR LF line into buffer: its length (0 for an empty line); size when the line did
    // not fit (the first size - 1 bytes are kept and the rest of the line is discarded); -1 on
    // failure. Never takes a byte after the line's CR LF from the socket.
    int32_t readLine(char* buffer, int32_t size);

    // n; fewer (possibly 0) when the peer closed or a receive failed; -1 on time-out.
    int64_t receiveExact(void* buffer, int64_t n);
    // The same; arrived tells how many bytes were stored in buffer, also after a time-out.
    int64_t receiveExact(void* buffer, int64_t n, int64_t& arrived);

    // n; fewer (possibly 0) when the peer closed or a send failed; -1 on time-out.
    int64_t sendAll(const void* data, int64_t n);

    // sendAll of the value's four bytes, least significant first.
    int64_t sendWord(uint32_t value);

    // Waits without a time-out for the next 12-byte input record: 1 when received, 0 otherwise.
    int32_t readInputEvent(uint8_t record[12]);

    // Closes the client socket (harmless when there is none).
    void closeSocket();

    // Called from another thread to end the current client's connection at once: the worker's
    // pending wait, receive or send fails, and the worker closes the socket itself.
    void abortSocket();

    // A connection whose worker was replaced by a restart; its worker ends at its next check.
    bool isRetired() const { return retired.load(std::memory_order_acquire); }
    void retire() { retired.store(true, std::memory_order_release); }

    // 64-bit value of the request's Content-length header; 0 when absent.
    int64_t requestContentLength() const;
    // 32-bit value of the request's Command-ID header; 0 when absent.
    int32_t requestCommandId() const;
    void setContentType(const char* text);
    // Writes the status line and the standard reply headers. 1 on success, -1 on failure.
    int32_t writeResponseHeader(int32_t status, int32_t commandId, int64_t contentLength);

    platform::SocketHandle currentSocket() const { return socket.load(std::memory_order_relaxed); }
    uint32_t ioTimeout() const { return ioTimeoutMilliseconds; }

    HeaderList headers;
    // Written by the worker; read by abortSocket under socketLock.
    std::atomic<platform::SocketHandle> socket{platform::INVALID_SOCKET_HANDLE};
    char url[URL_SIZE] = {};
    char contentType[CONTENT_TYPE_SIZE] = {};
    ServerApp* app;
    int32_t slotIndex;

  private:
    bool waitFor(platform::WaitFor what, int timeoutMilliseconds);
    void lingerAndClose(platform::SocketHandle client);

    uint32_t ioTimeoutMilliseconds;
    std::mutex socketLock;
    std::atomic<bool> retired{false};
    // Request body bookkeeping for the lingering close.
    int64_t bytesReceived = 0;
    int64_t bodyStart = -1;
    int64_t declaredBodyLength = 0;
};
