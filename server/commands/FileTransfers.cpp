// File download (3005) and upload (3006), streamed through one fixed buffer each.
#include "server/commands/CommandHandler.h"
#include "server/commands/CommandPaths.h"
#include "server/net/Connection.h"
#include "server/ui/MainStatusDialog.h"

#include <algorithm>

namespace {

// The protocol moves files in 1024-byte chunks. The buffer is larger so that a transfer takes
// fewer system calls; the bytes on the wire and every stop condition stay those of 1024-byte
// chunks, and the memory of a transfer does not depend on the file's size.
constexpr int64_t CHUNK_SIZE = 1024;
constexpr int64_t TRANSFER_BUFFER_SIZE = 64 * CHUNK_SIZE;

// Receives and writes the upload's remaining file bytes. True when every write succeeded.
bool receiveIntoFile(Connection& connection, platform::FileHandle file, int64_t remaining) {
    char buffer[TRANSFER_BUFFER_SIZE];
    while (remaining > 0) {
        int64_t wanted = std::min(remaining, TRANSFER_BUFFER_SIZE);
        int64_t arrived = 0;
        int64_t received = connection.receiveExact(buffer, wanted, arrived);
        if (received < 0) {
            // 30 seconds without data: the 1024-byte chunk that was under way is dropped, the
            // chunks that arrived whole before it are kept.
            int64_t whole = arrived - arrived % CHUNK_SIZE;
            return whole == 0 || platform::writeFile(file, buffer, static_cast<size_t>(whole)) >= 0;
        }
        if (received == 0)
            return true;
        if (platform::writeFile(file, buffer, static_cast<size_t>(received)) < 0)
            return false;
        remaining -= received;
        if (received < wanted)
            return true; // the peer closed: what arrived is stored
    }
    return true;
}

} // namespace

void CommandHandler::drawFileCounter(int which) const {
    if (statusDialog.load(std::memory_order_acquire) != nullptr)
        MainStatusDialog::drawFileCounter(which);
}

void CommandHandler::downloadFile(Connection& connection) {
    PathLine line;
    if (!readPathLine(connection, line))
        return;
    if (connection.writeResponseHeader(200, 0, 0) < 0)
        return;
    std::unique_ptr<char16_t[]> path = toWidePath(line);
    platform::FileHandle file = platform::INVALID_FILE_HANDLE;
    if (path)
        file = platform::openFileForReadingIn(rootFolderOf(connection), path.get());
    path.reset();
    if (file == platform::INVALID_FILE_HANDLE)
        return; // the header alone; nothing is counted
    // Ends early when the peer is gone or took nothing for 30 seconds.
    connection.sendFileContents(file);
    // Every download whose file could be opened counts, finished or not.
    sentFileCount.fetch_add(1, std::memory_order_relaxed);
    drawFileCounter(1);
    platform::closeFile(file);
}

void CommandHandler::uploadFile(Connection& connection) {
    PathLine line;
    if (!readPathLine(connection, line))
        return;
    int64_t remaining = connection.requestContentLength() - (static_cast<int64_t>(line.length) + 2);
    std::unique_ptr<char16_t[]> path = toWidePath(line);
    // A request that announces its file bytes (none included) replaces the file's content, so an
    // overwritten file ends up exactly the uploaded bytes. One that announces too few (or no
    // Content-length) writes nothing and leaves an existing file as it was.
    platform::ExistingContent existing =
        remaining >= 0 ? platform::ExistingContent::Discard : platform::ExistingContent::Keep;
    platform::FileHandle file = platform::INVALID_FILE_HANDLE;
    if (path)
        file = platform::openFileForWritingIn(rootFolderOf(connection), path.get(), existing);
    path.reset();
    // A file that cannot be opened is a failed write, also when there are no bytes to write; its
    // body is left unread (the closing connection discards it).
    bool writesSucceeded =
        file != platform::INVALID_FILE_HANDLE && receiveIntoFile(connection, file, remaining);
    receivedFileCount.fetch_add(1, std::memory_order_relaxed);
    drawFileCounter(0);
    platform::closeFile(file);
    connection.writeResponseHeader(200, 0, 0);
    connection.sendWord(writesSucceeded ? 0 : 1);
}
