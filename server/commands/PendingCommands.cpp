// Commands whose implementation has not landed yet: each ends the request without a reply.
#include "server/commands/CommandHandler.h"

void CommandHandler::remoteControlSession(Connection&) {}
void CommandHandler::remoteDisplaySession(Connection&) {}
