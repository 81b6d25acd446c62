// The status window without a display: every change it shows becomes one line of text.
#pragma once

#include "server/ui/StatusView.h"

#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

class MainStatusDialog;

// Keeps what a window would show and prints each change to out; message boxes go to errors.
// Nothing is printed before startPrinting, so that the served addresses come first.
class HeadlessView : public StatusView {
  public:
    HeadlessView(std::FILE* out, std::FILE* errors) : output(out), errorOutput(errors) {}

    void insertThreadRow(int position, const ThreadRow& row) override;
    void updateThreadRow(int position, const ThreadRow& row) override;
    void removeThreadRow(int position) override;
    std::vector<int> selectedThreadRows() override { return {}; }
    void clearAddressRows() override;
    void addAddressRow(const std::string& label, const std::string& value) override;
    void drawUptime(const std::string& text) override;
    void drawFileCounter(int which, const std::string& text) override;
    bool createMenuBar() override { return false; }
    void setRestartEnabled(bool) override {}
    void setTimer(uintptr_t identifier, uint32_t periodMilliseconds) override;
    void killTimer(uintptr_t identifier) override;
    void layoutLists() override {}
    void repaint() override;
    void destroyWindow() override { destroyed = true; }
    void showMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) override;
    void runOptionsDialog() override {}
    void runGettingStartedDialog() override {}

    // Set before the window is created: its paint hook posts the counter redraw.
    MainStatusDialog* dialog = nullptr;

    // Prints the served URLs (one line each, in the form http://ADDRESS[:PORT]/), then the address
    // list, then every later change.
    void startPrinting(uint16_t port);

    // The timer the window asked for; 0 when none runs.
    uint32_t timerPeriod() const { return timerPeriodMilliseconds; }
    uintptr_t timerIdentifier() const { return timer; }

    // Lines are printed into the output's buffer; this sends them on.
    void flushOutput() { std::fflush(output); }

  private:
    void printLine(const std::string& line);
    void printRow(int position);
    void printAddressList();

    std::FILE* output;
    std::FILE* errorOutput;
    bool printing = false;
    bool destroyed = false;
    std::vector<ThreadRow> rows;
    // The last printed row of each worker number.
    std::map<std::string, ThreadRow> printedRows;
    std::vector<std::pair<std::string, std::string>> addressRows;
    std::vector<std::pair<std::string, std::string>> printedAddressRows;
    std::string lastUptimeMinute;
    std::array<std::string, 2> lastCounters;
    uintptr_t timer = 0;
    uint32_t timerPeriodMilliseconds = 0;
};
