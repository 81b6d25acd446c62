// The remote control session: the desktop's input records become synthetic input on this screen.
#include "platform/Screen.h"
#include "platform/SyntheticInput.h"
#include "server/net/Connection.h"
#include "server/remote/InputEvent.h"
#include "server/remote/RemoteSessions.h"

void runRemoteControlSession(Connection& connection) {
    const platform::ScreenSize screen = platform::readScreenSize();
    // Without an input backend the records are still read, so that the desktop is not blocked.
    const auto input = platform::openSyntheticInput();

    // The wait for a record has no time-out; a record started but not finished within the
    // connection's time-out, a closed connection or an error ends the session.
    uint8_t record[INPUT_EVENT_SIZE];
    while (connection.readInputEvent(record)) {
        if (input)
            injectInputEvent(*input, decodeInputEvent(record), screen);
    }

    // The closing reply; the connection is often gone already, so its results do not matter.
    connection.writeResponseHeader(200, 0, 0);
    connection.sendWord(0);
}
