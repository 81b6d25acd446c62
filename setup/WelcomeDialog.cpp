// The launcher's modal welcome dialog (dialog 101).
#include "setup/WelcomeDialog.h"

#include "setup/SetupResources.h"

namespace {

// Eleven lines joined by CR LF, with no line break after the last one.
constexpr char WELCOME_TEXT[] =
    "Welcome\r\n"
    "\r\n"
    "File Transfer Kelvane for Pocket PC by the Kelvane developers.\r\n"
    "\r\n"
    "Before you start to install Kelvane software, Please make sure your Pocket PC is connected with the "
    "computer\r\n"
    "\r\n"
    "Once Kelvane is installed, you can share file with computer without using USB cable.\r\n"
    "\r\n"
    "Kelvane is free software, provided as it is, without warranty of any kind.\r\n"
    "E-mail: support@kelvane.example, feedback@kelvane.example\r\n"
    "Telephone: +1 555 0100";

constexpr WORD COMMAND_NEXT = 1;
constexpr WORD COMMAND_EXIT = 2;

} // namespace

INT_PTR showWelcomeDialog(HINSTANCE instance) {
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_WELCOME), nullptr, welcomeDialogProc, 0);
}

INT_PTR CALLBACK welcomeDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(window, IDC_WELCOME_TEXT, WELCOME_TEXT);
        SetFocus(GetDlgItem(window, IDC_WELCOME_TEXT));
        // FALSE keeps the focus on the text instead of the default button.
        return FALSE;
    case WM_COMMAND: {
        // Escape and the close box arrive as command 2.
        const WORD id = LOWORD(wParam);
        if (id == COMMAND_NEXT || id == COMMAND_EXIT) {
            EndDialog(window, id);
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}
