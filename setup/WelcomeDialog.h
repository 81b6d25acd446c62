// The launcher's modal welcome dialog (dialog 101).
#pragma once

#include <windows.h>

// Runs dialog 101 modally with no owner. Returns 1 for "Next>>", 2 for "Exit", Escape or the close box,
// and -1 (or 0) when the dialog cannot be created.
INT_PTR showWelcomeDialog(HINSTANCE instance);

// Fills the welcome text and ends the dialog on commands 1 and 2; returns 1 for a handled message, else 0.
INT_PTR CALLBACK welcomeDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
