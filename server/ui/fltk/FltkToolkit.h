// The FLTK window toolkit: the display, the status window's view and the message loop.
#pragma once

#include "server/ui/WindowToolkit.h"
#include "server/ui/fltk/FltkStatusView.h"
#include "server/ui/fltk/Pictures.h"

#include <memory>

class FltkToolkit : public WindowToolkit {
  public:
    // Opens the display; null when there is none to open.
    static std::unique_ptr<FltkToolkit> open();
    ~FltkToolkit() override;

    StatusView& statusView(MainStatusDialog& dialog) override;
    int runMessageLoop(MainStatusDialog& dialog) override;
    void showMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) override;

  private:
    FltkToolkit() = default;
    // Hands the queued messages to the window; runs inside every Fl::wait, modal loops included.
    static void drainQueue(void* toolkit);

    std::unique_ptr<StatusPictures> pictures;
    std::unique_ptr<FltkStatusView> view;
    MainStatusDialog* dialog = nullptr;
    bool quit = false;
};
