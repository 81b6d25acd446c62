// The routing table of commands and web URLs.
#include "server/http/Dispatch.h"

#include "server/commands/CommandProtocol.h"
#include "server/http/WebContent.h"
#include "server/net/Connection.h"
#include "server/net/WorkerSlots.h"
#include "server/ui/ServerApp.h"

#include <strings.h>

namespace {

void recordCommand(Connection& connection, int32_t command) {
    if (connection.slotIndex < 0 || connection.slotIndex >= WORKER_COUNT)
        return;
    WorkerSlot& slot = workerSlots[connection.slotIndex];
    {
        std::lock_guard guard(slotWriteLock(connection.slotIndex));
        if (connection.isRetired())
            return;
        slot.command.store(command, std::memory_order_relaxed);
    }
    postSlotNotify(SLOT_CHANGED, slot);
}

void serveWebRequest(Connection& connection) {
    if (strcasecmp(connection.url, "/qormix.cab") == 0)
        sendClientPackage(connection);
    else if (strcasecmp(connection.url, "/") == 0)
        sendStartPage(connection);
    else
        sendFile(connection);
}

} // namespace

void dispatchRequest(ServerApp& app, Connection& connection) {
    int32_t command = connection.requestCommandId();
    recordCommand(connection, command);
    CommandHandler& handler = app.commandHandler;
    switch (command) {
    case CMD_GET_CONFIGURE:
        return sendConfiguration(app, connection);
    case CMD_LIST_FOLDER:
        return handler.listFolder(connection);
    case CMD_NOOP_3002:
    case CMD_USER_LOGON:
    case CMD_DOWNLOAD_FOLDER:
    case CMD_UPLOAD_FOLDER:
        return; // no reply: the connection closes right after the header block
    case CMD_DOWNLOAD_FILE:
        return handler.downloadFile(connection);
    case CMD_UPLOAD_FILE:
        return handler.uploadFile(connection);
    case CMD_DELETE_FILE:
        return handler.deleteFile(connection);
    case CMD_DELETE_FOLDER:
        return handler.deleteFolder(connection);
    case CMD_CREATE_FOLDER:
        return handler.createFolder(connection);
    case CMD_CHECK_DISK_SPACE:
        return handler.checkDiskSpace(connection);
    case CMD_CHECK_PASSWORD:
        return checkPassword(app, connection);
    case CMD_MOVE:
        return handler.moveItem(connection);
    case CMD_REMOTE_CONTROL:
        // Sessions pause between the pieces of their reply: each piece leaves at once.
        connection.gatherReplies(false);
        return handler.remoteControlSession(connection);
    case CMD_REMOTE_DISPLAY:
        connection.gatherReplies(false);
        return handler.remoteDisplaySession(connection);
    default:
        // 3004, 0 (no Command-ID) and every unknown number are web requests.
        return serveWebRequest(connection);
    }
}
