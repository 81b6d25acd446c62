// Construction of the application object.
#include "server/ui/ServerApp.h"

#include "platform/Registry.h"

#include <cstring>
#include <utility>

ServerApp::ServerApp(ServerOptions serverOptions) : options(std::move(serverOptions)) {
    platform::setRegistryFile(options.registryPath);
    loadSettings();
}

void ServerApp::loadSettings() {
    SettingsSnapshot snapshot;
    ::loadSettings(snapshot);
    std::memcpy(password, snapshot.password, sizeof password);
    usePass = snapshot.usePass;
    std::memcpy(desktopInitPath, snapshot.desktopInitPath, sizeof desktopInitPath);
    std::memcpy(pocketPcInitPath, snapshot.pocketPcInitPath, sizeof pocketPcInitPath);
}
