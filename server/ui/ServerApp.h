// The application object: command handler, settings snapshot and the status window link.
#pragma once

#include "server/commands/CommandHandler.h"

#include <cstdint>
#include <string>

class MainStatusDialog;

// Where the program keeps its state; filled from the command line.
struct ServerOptions {
    uint16_t port = 80;
    std::string rootFolder = ".";
    std::string registryPath;
    bool headless = false;
};

inline constexpr int32_t PASSWORD_SIZE = 21;
inline constexpr int32_t INIT_PATH_SIZE = 260;

class ServerApp {
  public:
    explicit ServerApp(ServerOptions options = {});
    ServerApp(const ServerApp&) = delete;
    ServerApp& operator=(const ServerApp&) = delete;
    virtual ~ServerApp() = default;

    CommandHandler commandHandler;
    // The settings snapshot, taken once at construction; read-only afterwards.
    char password[PASSWORD_SIZE] = {};
    int32_t usePass = 0;
    char desktopInitPath[INIT_PATH_SIZE] = {};
    char pocketPcInitPath[INIT_PATH_SIZE] = {};
    MainStatusDialog* mainDialog = nullptr;

    const ServerOptions options;
};
