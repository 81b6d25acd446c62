// The remote session operations of CommandHandler for programs that link the sessions in.
#include "server/commands/CommandHandler.h"
#include "server/remote/RemoteSessions.h"

void CommandHandler::remoteDisplaySession(Connection& connection) {
    runRemoteDisplaySession(connection);
}

void CommandHandler::remoteControlSession(Connection& connection) {
    runRemoteControlSession(connection);
}
