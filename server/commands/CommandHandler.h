// The operations that carry out the commands; stateless apart from the status window link.
#pragma once

#include <atomic>

class Connection;
class MainStatusDialog;
class ServerApp;

// Its operations may run on several workers at once; each writes its own reply (or none).
class CommandHandler {
  public:
    void listFolder(Connection& connection);
    void downloadFile(Connection& connection);
    void uploadFile(Connection& connection);
    void deleteFile(Connection& connection);
    void deleteFolder(Connection& connection);
    void createFolder(Connection& connection);
    void checkDiskSpace(Connection& connection);
    void moveItem(Connection& connection);
    void remoteControlSession(Connection& connection);
    void remoteDisplaySession(Connection& connection);

    // Set by start-up before the server runs and cleared before the window is destroyed; workers
    // read it to redraw the file counters.
    std::atomic<MainStatusDialog*> statusDialog{nullptr};
};

// The configuration reply (Get Configure) and the password check.
void sendConfiguration(ServerApp& app, Connection& connection);
void checkPassword(ServerApp& app, Connection& connection);
