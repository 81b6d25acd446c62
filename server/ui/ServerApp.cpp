// Construction of the application object.
#include "server/ui/ServerApp.h"

#include <utility>

ServerApp::ServerApp(ServerOptions serverOptions) : options(std::move(serverOptions)) {
    // FIXME: choose the registry file and call loadSettings once the settings store has landed.
}
