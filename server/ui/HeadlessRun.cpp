// The headless run: start, announce the addresses, wait for a termination request, stop.
#include "server/ui/HeadlessRun.h"

#include "platform/Network.h"
#include "platform/Signals.h"
#include "server/net/Listener.h"
#include "server/ui/ServerApp.h"

#include <cstdio>

int runHeadless(ServerApp& app) {
    platform::blockTerminationRequests();
    if (startServer(&app, app.options.port) == 0) {
        std::fprintf(stderr, "Can not start server. Make sure port 80 was not in use.\n");
        stopServer();
        return 1;
    }
    uint16_t port = listeningPort();
    for (const auto& address : platform::interfaceAddresses()) {
        char text[16];
        platform::formatAddress(address.data(), text);
        if (port == 80)
            std::printf("http://%s/\n", text);
        else
            std::printf("http://%s:%u/\n", text, port);
    }
    std::fflush(stdout);
    platform::waitForTerminationRequest();
    stopServer();
    return 0;
}
