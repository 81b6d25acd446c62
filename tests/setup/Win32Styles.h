// Win32 window style bits that the Wine tests compare, for the native side where <windows.h> is absent.
#pragma once

namespace win32 {

constexpr unsigned long WS_POPUP = 0x80000000;
constexpr unsigned long WS_CAPTION = 0x00C00000;
constexpr unsigned long WS_BORDER = 0x00800000;
constexpr unsigned long WS_VSCROLL = 0x00200000;
constexpr unsigned long WS_SYSMENU = 0x00080000;
constexpr unsigned long WS_GROUP = 0x00020000;
constexpr unsigned long WS_MINIMIZEBOX = 0x00020000;
constexpr unsigned long WS_TABSTOP = 0x00010000;
constexpr unsigned long DS_MODALFRAME = 0x00000080;
constexpr unsigned long DS_SETFONT = 0x00000040;
constexpr unsigned long BS_TYPEMASK = 0x0000000F;
constexpr unsigned long BS_PUSHBUTTON = 0x00000000;
constexpr unsigned long BS_DEFPUSHBUTTON = 0x00000001;
constexpr unsigned long SS_TYPEMASK = 0x0000001F;
constexpr unsigned long SS_LEFT = 0x00000000;
constexpr unsigned long ES_MULTILINE = 0x00000004;
constexpr unsigned long ES_READONLY = 0x00000800;
constexpr unsigned long WS_EX_CLIENTEDGE = 0x00000200;

} // namespace win32
