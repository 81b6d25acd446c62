// Window messages, commands and timers of the status window.
#pragma once

#include "server/net/WorkerSlots.h"

#include <cstdint>

// Posted by the window to itself after every paint: draws the uptime and both file counters.
inline constexpr uint32_t WM_COUNTERS_CHANGED = 3025;
// Posted by a worker after it changed a file counter; wParam 1 = sent files, 0 = received files.
// Workers never draw themselves: only the window thread touches the window.
inline constexpr uint32_t WM_DRAW_FILE_COUNTER = 3026;
// A menu command; wParam is the command identifier.
inline constexpr uint32_t WM_COMMAND = 0x0111;
// A timer tick; wParam is the timer identifier.
inline constexpr uint32_t WM_TIMER = 0x0113;
// The window was activated (wParam 1) or deactivated (wParam 0).
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
// Ends the message loop; posted when the status window is destroyed.
inline constexpr uint32_t WM_QUIT = 0x0012;

inline constexpr uintptr_t ID_RESTART_WORKER = 2000;
inline constexpr uintptr_t ID_EXIT = 32776;
inline constexpr uintptr_t ID_OPTIONS = 32777;
inline constexpr uintptr_t ID_GETTING_STARTED = 32778;

inline constexpr uintptr_t TIMER_REFRESH = 6000;
inline constexpr uint32_t REFRESH_PERIOD_MILLISECONDS = 1000;
