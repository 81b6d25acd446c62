// kelvane-server's remote session operations: they run the sessions of libkelvane-remote.so,
// loaded at the first session request.
#include "platform/LibraryLoader.h"
#include "server/commands/CommandHandler.h"
#include "server/net/Connection.h"
#include "server/remote/InputEvent.h"
#include "server/remote/RemoteSessions.h"

namespace {

struct RemoteSessionLibrary {
    RemoteSessionEntry display = nullptr;
    RemoteSessionEntry control = nullptr;
};

// Loaded once, by the first session's worker; a worker asking meanwhile waits for that load. Never
// released: a session may still be running inside the module while the program ends. When the
// module is missing both entries stay null for the rest of the run.
const RemoteSessionLibrary& remoteSessionLibrary() {
    static const RemoteSessionLibrary library = [] {
        const platform::LibraryHandle handle =
            platform::loadLibrary(REMOTE_SESSION_LIBRARY_NAME, platform::LibrarySearch::ProgramFolderOnly);
        return RemoteSessionLibrary{
            .display = reinterpret_cast<RemoteSessionEntry>(
                platform::findLibraryEntry(handle, REMOTE_DISPLAY_ENTRY_NAME)),
            .control = reinterpret_cast<RemoteSessionEntry>(
                platform::findLibraryEntry(handle, REMOTE_CONTROL_ENTRY_NAME)),
        };
    }();
    return library;
}

} // namespace

void CommandHandler::remoteDisplaySession(Connection& connection) {
    if (const RemoteSessionEntry run = remoteSessionLibrary().display)
        return run(connection);
    // Without the module no screen can be captured: the desktop sees the reply header and then
    // the end, as when no capture backend opens.
    connection.writeResponseHeader(200, 0, 0);
}

void CommandHandler::remoteControlSession(Connection& connection) {
    if (const RemoteSessionEntry run = remoteSessionLibrary().control)
        return run(connection);
    // Without the module there is no input backend: the records are still read, so that the
    // desktop is not blocked, and the session ends with its closing reply as usual.
    uint8_t record[INPUT_EVENT_SIZE];
    while (connection.readInputEvent(record)) {
    }
    connection.writeResponseHeader(200, 0, 0);
    connection.sendWord(0);
}
