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
// Request bytes looked at ahead of the line being read (see readLine).
inline constexpr int32_t LOOKAHEAD_SIZE = 2048;
// Reply pieces up to this size are gathered while a reply is being written (see gatherReplies).
inline constexpr int32_t REPLY_GATHER_SIZE = 2048;
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

    // n; fewer (possibly 0) when the peer closed or a send failed; -1 on time-out. While replies
    // are gathered, a small piece is only stored, and a failure to send it shows at a later send,
    // at flushReply or at the close.
    int64_t sendAll(const void* data, int64_t n);

    // While on, small reply pieces are kept and leave together, in one send, when the reply
    // continues with a large piece or a file, before the connection waits for the client, and at
    // the close. The bytes and their order on the wire do not change. Turning it off sends what
    // was kept. Sessions that pause between pieces of their reply must turn it off.
    void gatherReplies(bool on);
    // Sends the gathered pieces now: 1 when sent (or none was kept), 0 when the peer closed or a
    // send failed, -1 on time-out.
    int32_t flushReply();

    // Sends the rest of the file from its current position: 1 when the end of the file went out,
    // 0 when the peer closed, a send failed or the file could not be read, -1 when the peer took
    // nothing for 30 seconds. The bytes go from the file to the socket without a user-space copy
    // when the system allows it.
    int32_t sendFileContents(platform::FileHandle file);

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
    // A line that lies whole in the lookahead: its length, or -1 when none does.
    int32_t lineFromLookahead(char* buffer, int32_t size);
    int32_t readLineFromSocket(char* buffer, int32_t size);
    // Before anything else reads from or waits on the socket: sends the gathered reply pieces and
    // takes the lookahead bytes already used. False when that failed; nothing more is read then.
    bool prepareToRead();
    int64_t sendNow(const void* data, int64_t n);
    int32_t sendFileByCopying(platform::FileHandle file);
    void resetRequestState();

    uint32_t ioTimeoutMilliseconds;
    std::mutex socketLock;
    std::atomic<bool> retired{false};
    // Request body bookkeeping for the lingering close.
    int64_t bytesReceived = 0;
    int64_t bodyStart = -1;
    int64_t declaredBodyLength = 0;
    // Bytes peeked from the socket; the first lookaheadUsed of them were read as lines but are
    // still in the socket, to be taken in one receive.
    char lookahead[LOOKAHEAD_SIZE];
    int32_t lookaheadLength = 0;
    int32_t lookaheadUsed = 0;
    // Set when taking used lookahead bytes failed: the stream's position is unknown from then on.
    bool inputBroken = false;
    char gatheredReply[REPLY_GATHER_SIZE];
    int32_t gatheredLength = 0;
    bool gathering = false;
};
