// Progress bar formatting and drawing.
#include "client/cli/ProgressMeter.h"

#include "client/cli/HumanUnits.h"

#include <algorithm>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kelvane::cli {

namespace {
// Redrawing more often than this only costs time; people cannot read it.
constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(100);
constexpr size_t MIN_BAR_WIDTH = 10;

size_t terminalWidth(std::FILE* terminal) {
    winsize size{};
    if (terminal && ::ioctl(::fileno(terminal), TIOCGWINSZ, &size) == 0 && size.ws_col >= 20)
        return size.ws_col;
    return 80;
}

std::string fitLabel(const std::string& label, size_t room) {
    if (label.size() <= room)
        return label;
    if (room <= 3)
        return label.substr(0, room);
    return "..." + label.substr(label.size() - (room - 3));
}
} // namespace

std::string formatProgressLine(const ProgressSnapshot& snapshot, size_t width) {
    double rate =
        snapshot.elapsedSeconds > 0 ? static_cast<double>(snapshot.done) / snapshot.elapsedSeconds : 0;
    if (!snapshot.total) {
        std::string tail = "  " + formatBytes(snapshot.done) + "  " + formatRate(rate);
        size_t room = width > tail.size() ? width - tail.size() : 0;
        return fitLabel(snapshot.label, room) + tail;
    }
    uint64_t total = *snapshot.total;
    double fraction =
        total == 0 ? 1.0 : std::min(1.0, static_cast<double>(snapshot.done) / static_cast<double>(total));
    double secondsLeft = -1;
    if (snapshot.done >= total)
        secondsLeft = 0;
    else if (rate > 0)
        secondsLeft = static_cast<double>(total - snapshot.done) / rate;
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
    std::string tail = std::string(" ") + percent + "  " + formatBytes(snapshot.done) + " / " +
                       formatBytes(total) + "  " + formatRate(rate) + "  " + formatDuration(secondsLeft) +
                       " left";

    // The label gets at most a third of the line; the bar takes what remains.
    size_t fixed = tail.size() + 3; // "  [" ... "]"
    size_t labelRoom =
        width > fixed + MIN_BAR_WIDTH ? std::min(snapshot.label.size(), (width - fixed - MIN_BAR_WIDTH)) : 0;
    labelRoom = std::min(labelRoom, std::max<size_t>(width / 3, 8));
    std::string label = fitLabel(snapshot.label, labelRoom);
    size_t barWidth = width > fixed + label.size() ? std::max(MIN_BAR_WIDTH, width - fixed - label.size() - 1)
                                                   : MIN_BAR_WIDTH;
    auto filled = static_cast<size_t>(fraction * static_cast<double>(barWidth));
    return label + "  [" + std::string(filled, '#') + std::string(barWidth - filled, '-') + "]" + tail;
}

ProgressMeter::ProgressMeter(std::FILE* terminal, std::string label, std::optional<uint64_t> total)
    : output(terminal), started(std::chrono::steady_clock::now()), lastDrawn(started),
      width(terminalWidth(terminal)) {
    snapshot.label = std::move(label);
    snapshot.total = total;
}

void ProgressMeter::advance(uint64_t bytes) {
    snapshot.done += bytes;
    if (!output)
        return;
    auto now = std::chrono::steady_clock::now();
    if (drawnOnce && now - lastDrawn < REDRAW_INTERVAL)
        return;
    lastDrawn = now;
    draw();
}

void ProgressMeter::finish() {
    if (!output)
        return;
    draw();
    std::fputc('\n', output);
    std::fflush(output);
}

void ProgressMeter::draw() {
    snapshot.elapsedSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // One column short of the width, so that the cursor never wraps onto a new line.
    std::string line = formatProgressLine(snapshot, width - 1);
    std::fprintf(output, "\r%s\033[K", line.c_str());
    std::fflush(output);
    drawnOnce = true;
}

std::FILE* progressTerminal() {
    return ::isatty(STDERR_FILENO) ? stderr : nullptr;
}

} // namespace kelvane::cli
