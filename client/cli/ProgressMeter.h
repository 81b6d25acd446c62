// The progress bar of a transfer: done and total, rate and time left, drawn on a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace kelvane::cli {

struct ProgressSnapshot {
    std::string label;
    uint64_t done = 0;
    std::optional<uint64_t> total; // unknown when the size could not be learnt
    double elapsedSeconds = 0;
};

// One line of at most width columns: label, bar, percentage, bytes, rate and time left; without
// a total, only the label, the bytes and the rate.
std::string formatProgressLine(const ProgressSnapshot& snapshot, size_t width);

class ProgressMeter {
  public:
    // terminal null: the meter stays silent (standard error is not a terminal).
    ProgressMeter(std::FILE* terminal, std::string label, std::optional<uint64_t> total);

    void advance(uint64_t bytes);
    // Draws the final state and ends the line.
    void finish();

  private:
    void draw();

    std::FILE* output;
    ProgressSnapshot snapshot;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastDrawn;
    size_t width;
    bool drawnOnce = false;
};

// The terminal on standard error, or null when standard error is not a terminal.
std::FILE* progressTerminal();

} // namespace kelvane::cli
