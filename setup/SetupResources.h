// Resource numbers of the setup launcher, shared by its resource script and its code.
#pragma once

#define IDD_WELCOME 101
#define IDI_SETUP 102
#define IDC_WELCOME_TEXT 1001
