// Construction of the application object.
#include "server/ui/ServerApp.h"

#include <utility>

ServerApp::ServerApp(ServerOptions serverOptions) : options(std::move(serverOptions)) {}
