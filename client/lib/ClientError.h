// How a client operation ended: an error kind, a message in plain words, and the reply header.
#pragma once

#include "client/lib/ReplyHeader.h"

#include <string>

namespace kelvane::client {

enum class ClientError {
    None,
    BadArgument,    // the request cannot be expressed (a path with CR or LF, a path too long)
    ConnectFailed,  // no connection to the server
    SendFailed,     // the connection broke while the request was sent
    ReceiveFailed,  // the connection broke while the reply was read
    TimedOut,       // the server stayed silent longer than the time-out
    NoReply,        // the server closed the connection without sending a byte
    MalformedReply, // the reply does not follow the protocol
    ShortReply,     // the reply ended before its fixed part was complete
    LocalFailure,   // a local file or callback failed
};

// A short name of the error kind ("connect failed", "no reply", ...).
const char* describeClientError(ClientError error);

// The outcome of one command: value is meaningful only when ok().
template <typename T>
struct Outcome {
    ClientError error = ClientError::None;
    std::string message; // plain words, empty on success
    ReplyHeader header;  // the reply's header as far as it arrived
    T value{};

    bool ok() const { return error == ClientError::None; }
};

} // namespace kelvane::client
