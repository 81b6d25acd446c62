// Where the real status window reads its values and which server operations it calls.
#include "platform/Network.h"
#include "platform/TickCount.h"
#include "server/commands/CommandProtocol.h"
#include "server/commands/FileCounters.h"
#include "server/net/Listener.h"
#include "server/net/ProcessState.h"
#include "server/ui/MainStatusDialog.h"
#include "server/ui/OptionsDialog.h"

namespace {

std::string commandLabel(int32_t command) {
    char16_t label[COMMAND_LABEL_SIZE] = {};
    labelForCommand(command, label);
    return utf8FromWide(label);
}

int32_t sentFiles() {
    return sentFileCount.load(std::memory_order_relaxed);
}

int32_t receivedFiles() {
    return receivedFileCount.load(std::memory_order_relaxed);
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
