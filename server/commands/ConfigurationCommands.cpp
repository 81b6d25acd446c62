// Get Configure (3000) and the password check (3013), both on the settings snapshot.
#include "server/commands/CommandHandler.h"
#include "server/commands/CommandProtocol.h"
#include "server/net/Connection.h"
#include "server/ui/ServerApp.h"

#include <cstring>

namespace {

void sendNarrowString(Connection& connection, const char* text) {
    connection.sendAll(text, static_cast<int64_t>(std::strlen(text)) + 1);
}

} // namespace

void sendConfiguration(ServerApp& app, Connection& connection) {
    // Nothing of the request body is read, and no send result changes what follows.
    connection.writeResponseHeader(200, 0, 0);
    connection.sendWord(1);
    connection.sendWord(static_cast<uint32_t>(app.usePass));
    sendNarrowString(connection, app.desktopInitPath);
    sendNarrowString(connection, app.pocketPcInitPath);
}

void checkPassword(ServerApp& app, Connection& connection) {
    char line[PASSWORD_LINE_SIZE];
    if (connection.readLine(line, PASSWORD_LINE_SIZE) < 0)
        return;
    connection.writeResponseHeader(200, 0, 0);
    // strcmp orders by unsigned bytes; only the sign of the word is promised.
    int order = std::strcmp(line, app.password);
    int32_t word = order < 0 ? -1 : order > 0 ? 1 : 0;
    connection.sendWord(static_cast<uint32_t>(word));
}
