// The application object: command handler, settings snapshot and the status window link.
#pragma once

#include "server/commands/CommandHandler.h"
#include "server/settings/SettingsSnapshot.h"

#include <cstdint>
#include <string>

class MainStatusDialog;

// Where the program keeps its state; filled from the command line.
struct ServerOptions {
    uint16_t port = 80;
    std::string rootFolder = ".";
    std::string registryPath; // the settings store; empty: none (every setting reads as missing)
    bool headless = false;
};

class ServerApp {
  public:
    explicit ServerApp(ServerOptions options = {});
    ServerApp(const ServerApp&) = delete;
    ServerApp& operator=(const ServerApp&) = delete;
    virtual ~ServerApp() = default;

    // Fills the settings snapshot from the store; called once, by the constructor.
    void loadSettings();

    CommandHandler commandHandler;
    // The settings snapshot, taken once at construction; read-only afterwards.
    char password[PASSWORD_SIZE] = {};
    int32_t usePass = 0;
    char desktopInitPath[INIT_PATH_SIZE] = {};
    char pocketPcInitPath[INIT_PATH_SIZE] = {};
    MainStatusDialog* mainDialog = nullptr;

    const ServerOptions options;
};
