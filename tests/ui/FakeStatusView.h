// A status view that records what the window logic asks it to show.
#pragma once

#include "server/ui/MainStatusDialog.h"
#include "server/ui/StatusView.h"

#include <string>
#include <utility>
#include <vector>

class FakeStatusView : public StatusView {
  public:
    explicit FakeStatusView(MainStatusDialog* paintedDialog = nullptr) : dialog(paintedDialog) {}

    void insertThreadRow(int position, const ThreadRow& row) override;
    void updateThreadRow(int position, const ThreadRow& row) override;
    void removeThreadRow(int position) override;
    std::vector<int> selectedThreadRows() override { return selection; }
    void clearAddressRows() override { addressRows.clear(); }
    void addAddressRow(const std::string& label, const std::string& value) override {
        addressRows.emplace_back(label, value);
    }
    void drawUptime(const std::string& text) override { drawn.push_back(text); }
    void drawFileCounter(int, const std::string& text) override { drawn.push_back(text); }
    bool createMenuBar() override { return menuBarPossible; }
    void setRestartEnabled(bool enable) override { restartButton.push_back(enable); }
    void setTimer(uintptr_t identifier, uint32_t period) override { timers.emplace_back(identifier, period); }
    void killTimer(uintptr_t identifier) override { killedTimers.push_back(identifier); }
    void layoutLists() override { ++layouts; }
    // Paints like a window: the logic then posts its counter redraw.
    void repaint() override;
    void destroyWindow() override { destroyed = true; }
    void showMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon) override {
        messageBoxes.emplace_back(text, caption);
    }
    void runOptionsDialog() override { ++optionsRuns; }
    void runGettingStartedDialog() override { ++gettingStartedRuns; }

    MainStatusDialog* dialog;
    bool menuBarPossible = true;
    std::vector<ThreadRow> rows;
    std::vector<int> selection;
    std::vector<std::pair<std::string, std::string>> addressRows;
    std::vector<std::string> drawn;
    std::vector<bool> restartButton;
    std::vector<std::pair<uintptr_t, uint32_t>> timers;
    std::vector<uintptr_t> killedTimers;
    std::vector<std::pair<std::string, std::string>> messageBoxes;
    int layouts = 0;
    int repaints = 0;
    int rowChanges = 0;
    int optionsRuns = 0;
    int gettingStartedRuns = 0;
    bool destroyed = false;
};

// Handles every queued message; returns true when the quit message was among them.
bool drainMessages(MainStatusDialog& dialog);
