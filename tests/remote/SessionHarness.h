// Runs a remote session in-process on one end of a socket pair; the test speaks on the other end.
#pragma once

#include "server/commands/CommandHandler.h"
#include "server/net/Connection.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class SessionHarness {
  public:
    enum class Kind { Display, Control };

    // Starts the session at once. ioTimeoutMilliseconds is the connection's wait bound.
    explicit SessionHarness(Kind kind, uint32_t ioTimeoutMilliseconds = 30000);
    SessionHarness(const SessionHarness&) = delete;
    SessionHarness& operator=(const SessionHarness&) = delete;
    // Ends the session (retiring the connection and closing the test's end) and waits for it.
    ~SessionHarness();

    // Bytes up to and including the empty line that ends the reply header block; empty on
    // time-out or end of stream.
    std::string readHeaderBlock(int timeoutMilliseconds = 5000);
    // Exactly size bytes; false on time-out or end of stream.
    bool readExact(void* buffer, size_t size, int timeoutMilliseconds = 5000);
    bool readWord(uint32_t& word, int timeoutMilliseconds = 5000);
    // True when nothing at all arrives within the time (not even the end of the stream).
    bool silentFor(int milliseconds);
    // True when the stream ends (the session's side closed) within the time, with no byte before.
    bool endsWithin(int milliseconds);

    void send(const void* data, size_t size);
    void sendRecord(uint32_t message, uint32_t wParam, uint32_t lParam);
    // Closes the test's end of the pair.
    void closeClient();
    // Ends the test's sending side only; the session then reads the end of the stream.
    void finishSending();

    // Marks the connection retired, as a restart from the status window does.
    void retire() { connection.retire(); }

    // True once the session's operation has returned.
    bool ended() const { return finished.load(); }
    // Waits until the session returns; false when it has not within the time.
    bool waitEnded(int milliseconds);

    struct Frame {
        int32_t firstRow = 0;
        int32_t lastRow = 0;
        uint32_t length = 0;
        std::vector<uint8_t> data;
    };
    // Reads one frame record; its raw data size comes from the stride. False on time-out.
    bool readFrame(Frame& frame, int32_t stride, int timeoutMilliseconds = 5000);

  private:
    int testEnd = -1;
    Connection connection;
    CommandHandler handler;
    std::atomic<bool> finished{false};
    std::thread session;
};
