// The Options dialog's values and its registry reads and writes, apart from the toolkit's controls.
#pragma once

#include <cstdint>
#include <string>

inline constexpr int32_t PASSWORD_LIMIT = 20;
inline constexpr int32_t INIT_PATH_LIMIT = 128;

inline const char* const OPTIONS_CAPTION = "Options";
inline const char* const OPTIONS_NOTE = "You must restart Kelvane for changes to effect.";
inline const char* const USE_PASSWORD_LABEL = "Use password ";

// Edits the stored settings for the next start; the running server keeps its snapshot.
class OptionsDialog {
  public:
    // Reads UsePass, Password, DInitPath and PInitPath, in this order, from the registry. A value
    // that cannot be read leaves the flag 0 or the text empty. Returns 1.
    int initialise();

    // Writes UsePass (REG_DWORD, 1 or 0), then Password, DInitPath and PInitPath (REG_SZ), whatever
    // each write's outcome.
    void onOk();

    // Bound to check box 1021, edits 1024, 1003 and 1023 (UTF-16).
    int32_t usePass = 0;
    std::u16string pocketPcInitPath;
    std::u16string password;
    std::u16string desktopInitPath;
};

// UTF-8 (the toolkit's texts) to and from UTF-16.
std::u16string wideFromUtf8(const std::string& text);
std::string utf8FromWide(const std::u16string& text);
