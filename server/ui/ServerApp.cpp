// Construction of the application object: the settings snapshot is taken here, once.
#include "server/ui/ServerApp.h"

#include "platform/Registry.h"
#include "server/settings/SettingsSnapshot.h"

#include <cstring>
#include <utility>

static_assert(PASSWORD_SIZE == SNAPSHOT_PASSWORD_SIZE && INIT_PATH_SIZE == SNAPSHOT_INIT_PATH_SIZE);

ServerApp::ServerApp(ServerOptions serverOptions) : options(std::move(serverOptions)) {
    // The store the whole program reads and the Options dialog writes.
    platform::setRegistryFile(options.registryPath);
    SettingsSnapshot snapshot;
    loadSettings(snapshot);
    std::memcpy(password, snapshot.password, sizeof password);
    usePass = snapshot.usePass;
    std::memcpy(desktopInitPath, snapshot.desktopInitPath, sizeof desktopInitPath);
    std::memcpy(pocketPcInitPath, snapshot.pocketPcInitPath, sizeof pocketPcInitPath);
}
