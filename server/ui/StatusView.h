// The drawing side of the status window: a toolkit window, or the headless log.
#pragma once

#include "server/ui/StatusRows.h"

#include <cstdint>
#include <string>
#include <vector>

enum class MessageBoxIcon { Error, Information };

// Every call comes from the window thread. Positions are row positions of the lists.
class StatusView {
  public:
    virtual ~StatusView() = default;

    virtual void insertThreadRow(int position, const ThreadRow& row) = 0;
    virtual void updateThreadRow(int position, const ThreadRow& row) = 0;
    virtual void removeThreadRow(int position) = 0;
    // The selected rows of the thread list in row order; empty when none is selected.
    virtual std::vector<int> selectedThreadRows() = 0;

    virtual void clearAddressRows() = 0;
    virtual void addAddressRow(const std::string& label, const std::string& value) = 0;

    // Drawn at once, outside the paint cycle.
    virtual void drawUptime(const std::string& text) = 0;
    // which: 1 the sent-files counter, 0 the received-files counter.
    virtual void drawFileCounter(int which, const std::string& text) = 0;

    // Makes the menu bar with its restart button (created disabled); false when it cannot be made.
    virtual bool createMenuBar() = 0;
    // Does nothing when there is no menu bar.
    virtual void setRestartEnabled(bool enable) = 0;

    // A repeating timer whose ticks arrive as WM_TIMER with the identifier.
    virtual void setTimer(uintptr_t identifier, uint32_t periodMilliseconds) = 0;
    virtual void killTimer(uintptr_t identifier) = 0;

    // Places the two lists; then repaints at once.
    virtual void layoutLists() = 0;
    // Invalidates the whole window and repaints it at once.
    virtual void repaint() = 0;
    // Takes the window off the screen for good.
    virtual void destroyWindow() = 0;

    // Modal: returns once the user dismissed it.
    virtual void showMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) = 0;
    virtual void runOptionsDialog() = 0;
    virtual void runGettingStartedDialog() = 0;
};
