// Finds the application manager and starts it on the "setup.ini" beside the launcher.
#pragma once

#include <windows.h>

// Checks that the application manager is registered and that "setup.ini" opens in the launcher's folder,
// then starts the manager on that file without waiting for it. Failures show a message box.
void launchAppManager(HINSTANCE instance);
