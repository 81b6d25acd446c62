// Where the real status window reads its values and which server operations it calls.
#include "platform/Network.h"
#include "platform/TickCount.h"
#include "server/net/Listener.h"
#include "server/net/ProcessState.h"
#include "server/ui/MainStatusDialog.h"

namespace {

// FIXME: switch to the command protocol's labelForCommand once it has landed.
std::string commandLabel(int32_t command) {
    switch (command) {
    case 3000:
        return "Get Configure.";
    case 3001:
    case 3002:
        return "";
    case 3003:
        return "User Logon.";
    case 3005:
        return "Download File.";
    case 3006:
        return "Upload File.";
    case 3007:
        return "Download Folder.";
    case 3008:
        return "Upload Folder.";
    case 3009:
        return "Delete File.";
    case 3010:
        return "Delete Folder.";
    case 3011:
        return "Create Folder.";
    case 3012:
        return "Check Disk Space.";
    case 3015:
        return "RAC Session";
    case 3016:
        return "RAD Session";
    default:
        return "Get Page.";
    }
}

// FIXME: read sentFileCount and receivedFileCount once the transfer commands have landed.
int32_t sentFiles() {
    return 0;
}
int32_t receivedFiles() {
    return 0;
}

uint32_t programStartTick() {
    return startTick.load(std::memory_order_relaxed);
}

int32_t startListening(ServerApp* app, uint16_t port) {
    return startServer(app, port);
}

} // namespace

StatusSources defaultStatusSources() {
    return StatusSources{
        .tickCount = platform::tickCount,
        .commandLabel = commandLabel,
        .sentFiles = sentFiles,
        .receivedFiles = receivedFiles,
        .addresses = platform::interfaceAddresses,
        .startTick = programStartTick,
    };
}

ServerControl defaultServerControl() {
    return ServerControl{
        .start = startListening,
        .stop = stopServer,
        .restart = restartWorker,
        .listeningPort = listeningPort,
    };
}
