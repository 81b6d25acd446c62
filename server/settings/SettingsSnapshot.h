// The server's copy of the four settings, read once at start.
#pragma once

#include <cstdint>

inline constexpr int32_t SNAPSHOT_PASSWORD_SIZE = 21;
inline constexpr int32_t SNAPSHOT_INIT_PATH_SIZE = 260;

// Every text always ends with a NUL; empty text and 0 when a setting is missing or unreadable.
struct SettingsSnapshot {
    char password[SNAPSHOT_PASSWORD_SIZE] = {};          // narrow, at most its first 20 bytes
    int32_t usePass = 0;                                 // 1 when UsePass holds anything but 0
    char desktopInitPath[SNAPSHOT_INIT_PATH_SIZE] = {};  // narrow, without surrounding separators
    char pocketPcInitPath[SNAPSHOT_INIT_PATH_SIZE] = {}; // the same
};

// Reads UsePass, Password, DInitPath and PInitPath from the registry into snapshot, whose fields
// must be empty beforehand. A setting that cannot be read or converted leaves its field as it was;
// so does a path whose narrow form would not fit its field (a path is never cut into another).
void loadSettings(SettingsSnapshot& snapshot);
