// screen_script: performs one of the benchmark's scripted screen changes on the X display named by
// DISPLAY, a step at a time with pauses, so that screen servers watching that display can be compared.
//
//     screen_script <box|scroll|repaint> <steps> <pause-ms>
//
// Draws the starting screen, prints "ready", waits for a line on standard input, then draws the steps
// with the pause after each and prints "done". The caller reads the servers' figures in between.
#include "bench/screen/ScriptedChanges.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace {

constexpr int MOST_STEPS = 10000;
constexpr int LONGEST_PAUSE_MILLISECONDS = 60000;

std::unique_ptr<ScriptedChange> changeNamed(const char* name) {
    if (std::strcmp(name, "box") == 0)
        return std::make_unique<MovingBox>();
    if (std::strcmp(name, "scroll") == 0)
        return std::make_unique<ScrollingText>();
    if (std::strcmp(name, "repaint") == 0)
        return std::make_unique<FullRepaint>();
    return nullptr;
}

// A whole decimal number within [lowest, highest], or -1.
int boundedNumber(const char* text, int lowest, int highest) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < lowest || value > highest)
        return -1;
    return static_cast<int>(value);
}

int usage() {
    std::fprintf(stderr, "usage: screen_script <box|scroll|repaint> <steps 1-%d> <pause-ms 0-%d>\n",
                 MOST_STEPS, LONGEST_PAUSE_MILLISECONDS);
    return 2;
}

} // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount != 4)
        return usage();
    auto change = changeNamed(arguments[1]);
    const int steps = boundedNumber(arguments[2], 1, MOST_STEPS);
    const int pause = boundedNumber(arguments[3], 0, LONGEST_PAUSE_MILLISECONDS);
    if (!change || steps < 0 || pause < 0)
        return usage();

    const char* display = std::getenv("DISPLAY");
    XClient client;
    if (display == nullptr || !client.open(display)) {
        std::fprintf(stderr, "screen_script: cannot open the X display \"%s\"\n", display ? display : "");
        return 1;
    }

    change->prepare(client);
    std::printf("ready\n");
    std::fflush(stdout);
    // Standard input closed before the go line means the caller gave up: draw nothing more.
    if (std::getchar() == EOF)
        return 1;
    for (int step = 0; step < steps; ++step) {
        change->step(client, step + 100);
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
    std::printf("done\n");
    std::fflush(stdout);
    return 0;
}
