// The status window's logic run without a display: its changes are logged to standard output.
#pragma once

#include "server/ui/HeadlessView.h"
#include "server/ui/WindowToolkit.h"

#include <cstdio>

class HeadlessToolkit : public WindowToolkit {
  public:
    explicit HeadlessToolkit(std::FILE* out = stdout, std::FILE* errors = stderr) : view(out, errors) {}

    StatusView& statusView(MainStatusDialog& dialog) override;
    // Exit status 1 when the server could not start (the message box went to standard error),
    // 0 after a termination request.
    int runMessageLoop(MainStatusDialog& dialog) override;
    void showMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) override;

  private:
    HeadlessView view;
};
