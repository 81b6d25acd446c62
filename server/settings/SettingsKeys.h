// Where the four settings live in the registry.
#pragma once

inline constexpr const char16_t* SETTINGS_KEY_PATH = u"Software\\Microsoft\\Kelvane";
inline constexpr const char16_t* USE_PASS_VALUE = u"UsePass";
inline constexpr const char16_t* PASSWORD_VALUE = u"Password";
inline constexpr const char16_t* DESKTOP_INIT_PATH_VALUE = u"DInitPath";
inline constexpr const char16_t* POCKET_PC_INIT_PATH_VALUE = u"PInitPath";
