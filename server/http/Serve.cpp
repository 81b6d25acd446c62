// One request on one accepted connection: request line, header block, dispatch, close.
#include "server/http/Dispatch.h"
#include "server/net/Connection.h"
#include "server/ui/ServerApp.h"

#include <cstring>

namespace {

bool isWhiteSpace(char character) {
    return character == ' ' || character == '\t';
}

// Copies the second white-space-separated word of the request line into url. A line with fewer
// than two words leaves an empty URL, never the URL of an earlier client.
void takeUrl(const char* line, char* url, size_t size) {
    const char* position = line;
    while (isWhiteSpace(*position))
        ++position;
    while (*position != '\0' && !isWhiteSpace(*position))
        ++position;
    while (isWhiteSpace(*position))
        ++position;
    size_t length = 0;
    while (position[length] != '\0' && !isWhiteSpace(position[length]))
        ++length;
    if (length > size - 1)
        length = size - 1;
    std::memcpy(url, position, length);
    url[length] = '\0';
}

} // namespace

int32_t Connection::serve(platform::SocketHandle client) {
    {
        std::lock_guard guard(socketLock);
        socket.store(client);
        // A restart that came between accept and here found no socket to end; end it now.
        if (isRetired())
            platform::shutdownSocket(client, platform::ShutdownDirection::Both);
    }
    resetRequestState();
    char line[REQUEST_LINE_SIZE];
    if (readLine(line, sizeof line) < 0) {
        closeSocket();
        return 0;
    }
    takeUrl(line, url, sizeof url);
    headers.clear();
    contentType[0] = '\0';
    if (headers.readHeaders() < 0) {
        closeSocket();
        return 0;
    }
    bodyStart = bytesReceived;
    declaredBodyLength = requestContentLength();
    // A reply's small pieces leave together; a session that pauses between pieces turns this off.
    gatherReplies(true);
    dispatchRequest(*app, *this);
    closeSocket();
    return 1;
}
