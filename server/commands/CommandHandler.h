// The operations that carry out the commands; stateless apart from the status window link.
#pragma once

#include "server/commands/FileCounters.h"

#include <atomic>
#include <cstdint>

class Connection;
class MainStatusDialog;
class ServerApp;

// Its operations may run on several workers at once; each writes its own reply (or none). Every
// path a command receives is resolved under the root folder (the --root option of the request's
// ServerApp) and can never lead out of it.
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

    // Set by start-up before the server runs and cleared before the window is destroyed. A
    // transfer only tests it: the counter redraw (MainStatusDialog::drawFileCounter) posts to
    // the window's queue and never reaches the window object, so a window that goes away while a
    // transfer ends is never touched.
    std::atomic<MainStatusDialog*> statusDialog{nullptr};

  private:
    void drawFileCounter(int which) const;
};

// The configuration reply (Get Configure) and the password check.
void sendConfiguration(ServerApp& app, Connection& connection);
void checkPassword(ServerApp& app, Connection& connection);
