// The Options dialog's registry reads and writes.
#include "server/ui/OptionsDialog.h"

#include "platform/TextCodePage.h"
#include "server/settings/RegistryAccess.h"
#include "server/settings/SettingsKeys.h"

#include <cstring>
#include <vector>

namespace {

// Room for a text read: more than the 260 bytes every read may fill, so the text always ends
// with a NUL.
constexpr size_t TEXT_ROOM = 260;

std::u16string readText(const char16_t* valueName) {
    char16_t room[TEXT_ROOM] = {};
    readRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, valueName, room);
    return std::u16string(room);
}

void writeText(const char16_t* valueName, const std::u16string& text) {
    writeRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, valueName, text.c_str(), REG_SZ, 0);
}

} // namespace

int OptionsDialog::initialise() {
    // Every read offers 260 bytes, also the one for the four-byte number.
    uint8_t number[REGISTRY_READ_SIZE] = {};
    readRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, USE_PASS_VALUE, number);
    password = readText(PASSWORD_VALUE);
    desktopInitPath = readText(DESKTOP_INIT_PATH_VALUE);
    pocketPcInitPath = readText(POCKET_PC_INIT_PATH_VALUE);
    uint32_t value;
    std::memcpy(&value, number, sizeof value);
    usePass = value != 0 ? 1 : 0;
    return 1;
}

void OptionsDialog::onOk() {
    uint32_t value = usePass != 0 ? 1 : 0;
    writeRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, USE_PASS_VALUE, &value, REG_DWORD, 4);
    writeText(PASSWORD_VALUE, password);
    writeText(DESKTOP_INIT_PATH_VALUE, desktopInitPath);
    writeText(POCKET_PC_INIT_PATH_VALUE, pocketPcInitPath);
}

std::u16string wideFromUtf8(const std::string& text) {
    std::vector<char16_t> room(text.size() + 1);
    long length = platform::narrowToWide(text.data(), text.size(), room.data(), room.size());
    return length < 0 ? std::u16string() : std::u16string(room.data(), static_cast<size_t>(length));
}

std::string utf8FromWide(const std::u16string& text) {
    std::vector<char> room(text.size() * platform::NARROW_UNITS_PER_WIDE + 1);
    long length = platform::wideToNarrow(text.data(), text.size(), room.data(), room.size());
    return length < 0 ? std::string() : std::string(room.data(), static_cast<size_t>(length));
}
