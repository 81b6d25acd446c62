// Tells which system icon a window shows, by comparing its pixels on the screen with each system icon.
#pragma once

#include <windows.h>

// Icons of another process cannot be read through their handles, so the picture on the screen is compared
// with the driver's own drawing of each system icon over the same background. Returns "error", "warning",
// "information" or "question" for the closest one, or "unknown" when none matches closely.
const char* systemIconShownBy(HWND iconControl);
