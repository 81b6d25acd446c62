// Entry point of KelvaneSetup: the welcome dialog, then the start of the application manager.
#include "setup/AppManagerLauncher.h"
#include "setup/WelcomeDialog.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (showWelcomeDialog(instance) == 1) {
        launchAppManager(instance);
    }
    return 0;
}
