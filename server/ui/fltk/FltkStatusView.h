// The status window drawn with FLTK.
#pragma once

#include "server/ui/StatusView.h"
#include "server/ui/fltk/DialogUnits.h"
#include "server/ui/fltk/Pictures.h"

#include <memory>
#include <string>

class Fl_Button;
class Fl_Image;
class Fl_Menu_Bar;
class Fl_Window;
class ListView;
class MainStatusDialog;
class StatusCanvas;

// Owned by the toolkit; every call on the window thread.
class FltkStatusView : public StatusView {
  public:
    FltkStatusView(MainStatusDialog& dialog, StatusPictures& pictures);
    ~FltkStatusView() override;

    void insertThreadRow(int position, const ThreadRow& row) override;
    void updateThreadRow(int position, const ThreadRow& row) override;
    void removeThreadRow(int position) override;
    std::vector<int> selectedThreadRows() override;
    void clearAddressRows() override;
    void addAddressRow(const std::string& label, const std::string& value) override;
    void drawUptime(const std::string& text) override;
    void drawFileCounter(int which, const std::string& text) override;
    bool createMenuBar() override;
    void setRestartEnabled(bool enable) override;
    void setTimer(uintptr_t identifier, uint32_t periodMilliseconds) override;
    void killTimer(uintptr_t identifier) override;
    void layoutLists() override;
    void repaint() override;
    void destroyWindow() override;
    void showMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) override;
    void runOptionsDialog() override;
    void runGettingStartedDialog() override;

    Fl_Window* frame() const { return window; }

  private:
    static void onTimer(void* view);
    // Draws text in a rectangle of the client area at once, outside the paint cycle.
    void drawLineNow(const std::string& text, int left, int top, int right, int bottom);

    MainStatusDialog& dialog;
    StatusPictures& pictures;
    DialogUnits units;
    int clientWidth = 0;
    int clientHeight = 0;
    Fl_Window* window = nullptr;
    StatusCanvas* canvas = nullptr;
    ListView* threadList = nullptr;
    ListView* addressList = nullptr;
    Fl_Menu_Bar* menuBar = nullptr;
    Fl_Button* restartButton = nullptr;
    std::unique_ptr<Fl_Image> restartButtonGreyed;
    uintptr_t timer = 0;
    uint32_t timerPeriod = 0;
};

// Shows a message box with no owner window and waits until it is dismissed.
void showFltkMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon);
