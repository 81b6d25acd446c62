// Commands whose implementation has not landed yet: each ends the request without a reply.
#include "server/commands/CommandHandler.h"

void sendConfiguration(ServerApp&, Connection&) {}
void checkPassword(ServerApp&, Connection&) {}
void CommandHandler::listFolder(Connection&) {}
void CommandHandler::downloadFile(Connection&) {}
void CommandHandler::uploadFile(Connection&) {}
void CommandHandler::deleteFile(Connection&) {}
void CommandHandler::deleteFolder(Connection&) {}
void CommandHandler::createFolder(Connection&) {}
void CommandHandler::checkDiskSpace(Connection&) {}
void CommandHandler::moveItem(Connection&) {}
void CommandHandler::remoteControlSession(Connection&) {}
void CommandHandler::remoteDisplaySession(Connection&) {}
