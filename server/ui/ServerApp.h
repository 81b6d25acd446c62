// The application object: command handler, settings snapshot and the status window link.
#pragma once

#include "server/commands/CommandHandler.h"

#include <cstdint>
#include <string>

class MainStatusDialog;
class WindowToolkit;

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
    // Takes the settings snapshot; the only time the running server reads its settings.
    explicit ServerApp(ServerOptions options = {});
    ServerApp(const ServerApp&) = delete;
    ServerApp& operator=(const ServerApp&) = delete;
    virtual ~ServerApp() = default;

    // Loads the compression library, creates the status window on toolkit (which starts the
    // server), runs the message loop until Exit and winds down. 1 when the loop ended normally,
    // 0 when start-up failed.
    virtual int startUp(WindowToolkit& toolkit);

    CommandHandler commandHandler;
    // The settings snapshot, taken once at construction; read-only afterwards.
    char password[PASSWORD_SIZE] = {};
    int32_t usePass = 0;
    char desktopInitPath[INIT_PATH_SIZE] = {};
    char pocketPcInitPath[INIT_PATH_SIZE] = {};
    // Owned; exists from start-up until the message loop has ended.
    MainStatusDialog* mainDialog = nullptr;

    const ServerOptions options;
    // What the program returns once startUp has returned 1.
    int exitStatus = 0;
};
