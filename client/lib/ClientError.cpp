// Names of the client's error kinds.
#include "client/lib/ClientError.h"

namespace kelvane::client {

const char* describeClientError(ClientError error) {
    switch (error) {
    case ClientError::None:
        return "success";
    case ClientError::BadArgument:
        return "bad argument";
    case ClientError::ConnectFailed:
        return "connect failed";
    case ClientError::SendFailed:
        return "send failed";
    case ClientError::ReceiveFailed:
        return "receive failed";
    case ClientError::TimedOut:
        return "timed out";
    case ClientError::NoReply:
        return "no reply";
    case ClientError::MalformedReply:
        return "malformed reply";
    case ClientError::ShortReply:
        return "short reply";
    case ClientError::LocalFailure:
        return "local failure";
    }
    return "unknown error";
}

} // namespace kelvane::client
