// The headless status log.
#include "server/ui/HeadlessView.h"

#include "server/ui/MainStatusDialog.h"
#include "server/ui/ServedAddresses.h"

namespace {

const char* pictureName(StatePicture picture) {
    switch (picture) {
    case StatePicture::Busy:
        return "busy";
    case StatePicture::Listening:
        return "listening";
    case StatePicture::Idle:
        break;
    }
    return "idle";
}

// "Time: hhh:mm" of an uptime line: the part that changes once a minute.
std::string minuteOf(const std::string& uptime) {
    size_t secondsColon = uptime.rfind(':', uptime.find("   "));
    return secondsColon == std::string::npos ? uptime : uptime.substr(0, secondsColon);
}

} // namespace

void HeadlessView::printLine(const std::string& line) {
    std::fprintf(output, "%s\n", line.c_str());
}

void HeadlessView::printRow(int position) {
    const ThreadRow& row = rows[static_cast<size_t>(position)];
    auto printed = printedRows.find(row.number);
    if (printed != printedRows.end() && printed->second == row)
        return;
    printedRows[row.number] = row;
    printLine("Thread " + row.number + ": " + pictureName(row.picture) + ", Time(S) \"" + row.time +
              "\", From \"" + row.from + "\", Action \"" + row.action + "\"");
}

void HeadlessView::insertThreadRow(int position, const ThreadRow& row) {
    if (position < 0 || position > static_cast<int>(rows.size()))
        return;
    // The window fills a new row at once; that update is what gets printed.
    rows.insert(rows.begin() + position, row);
}

void HeadlessView::updateThreadRow(int position, const ThreadRow& row) {
    if (position < 0 || position >= static_cast<int>(rows.size()))
        return;
    rows[static_cast<size_t>(position)] = row;
    if (printing)
        printRow(position);
}

void HeadlessView::removeThreadRow(int position) {
    if (position < 0 || position >= static_cast<int>(rows.size()))
        return;
    std::string number = rows[static_cast<size_t>(position)].number;
    rows.erase(rows.begin() + position);
    printedRows.erase(number);
    if (printing)
        printLine("Thread " + number + ": removed");
}

void HeadlessView::clearAddressRows() {
    addressRows.clear();
}

void HeadlessView::addAddressRow(const std::string& label, const std::string& value) {
    addressRows.emplace_back(label, value);
    // A list is complete with its port row; print it when it differs from the last one printed.
    if (printing && label == "Port")
        printAddressList();
}

void HeadlessView::printAddressList() {
    if (addressRows == printedAddressRows)
        return;
    printedAddressRows = addressRows;
    for (const auto& [label, value] : addressRows)
        printLine("Address " + label + ": " + value);
}

void HeadlessView::drawUptime(const std::string& text) {
    // Once a minute is enough for a log.
    std::string minute = minuteOf(text);
    if (!printing || minute == lastUptimeMinute)
        return;
    lastUptimeMinute = minute;
    printLine(text);
}

void HeadlessView::drawFileCounter(int which, const std::string& text) {
    std::string& last = lastCounters[which != 0 ? 1 : 0];
    if (!printing || text == last)
        return;
    last = text;
    printLine(text);
}

void HeadlessView::setTimer(uintptr_t identifier, uint32_t periodMilliseconds) {
    timer = identifier;
    timerPeriodMilliseconds = periodMilliseconds;
}

void HeadlessView::killTimer(uintptr_t identifier) {
    if (identifier == timer) {
        timer = 0;
        timerPeriodMilliseconds = 0;
    }
}

void HeadlessView::repaint() {
    if (dialog != nullptr)
        dialog->afterPaint();
}

void HeadlessView::showMessageBox(const std::string& text, const std::string&, MessageBoxIcon) {
    std::fprintf(errorOutput, "%s\n", text.c_str());
    std::fflush(errorOutput);
}

void HeadlessView::startPrinting(uint16_t port) {
    // Other programs learn the port from the loopback line, so these lines come first.
    printServedAddresses(output, port);
    printing = true;
    printAddressList();
}
