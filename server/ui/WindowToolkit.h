// What start-up needs from a window toolkit: the status window's view and the message loop.
#pragma once

#include "server/ui/StatusView.h"

#include <string>

class MainStatusDialog;
class ServerApp;

class WindowToolkit {
  public:
    virtual ~WindowToolkit() = default;

    // The view the status window is created on; it lives as long as the toolkit.
    virtual StatusView& statusView(MainStatusDialog& dialog) = 0;

    // Takes the status window's messages in order and hands them to it until the quit message.
    // Returns the program's exit status.
    virtual int runMessageLoop(MainStatusDialog& dialog) = 0;

    // A message box with no owner window, for failures before the status window exists.
    virtual void showMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) = 0;
};
