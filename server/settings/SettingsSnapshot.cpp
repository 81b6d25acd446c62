// loadSettings: the registry values converted, cut and trimmed into the snapshot.
#include "server/settings/SettingsSnapshot.h"

#include "server/http/TextConversion.h"
#include "server/settings/PathSeparators.h"
#include "server/settings/RegistryAccess.h"
#include "server/settings/SettingsKeys.h"

#include <cstring>
#include <memory>

namespace {

// Room for one read: REGISTRY_READ_SIZE bytes, plus one unit that always stays NUL so that a
// value stored without its terminating NUL still ends.
constexpr size_t TEXT_UNITS = REGISTRY_READ_SIZE / sizeof(char16_t) + 1;

void readText(const char16_t* valueName, char16_t (&text)[TEXT_UNITS]) {
    if (readRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, valueName, text) == 0)
        text[0] = u'\0';
    text[TEXT_UNITS - 1] = u'\0';
}

// Copies at most size - 1 bytes of text into field and ends it with a NUL.
void copyCut(char* field, size_t size, const char* text) {
    size_t length = std::strlen(text);
    if (length > size - 1)
        length = size - 1;
    std::memcpy(field, text, length);
    field[length] = '\0';
}

// A path is copied whole or not at all: a cut path would name another folder. (129 UTF-16 units
// fit in UTF-8 only when few of them need three bytes.)
void loadPath(const char16_t (&text)[TEXT_UNITS], char (&field)[SNAPSHOT_INIT_PATH_SIZE]) {
    std::unique_ptr<char[]> narrow;
    toNarrow(text, narrow);
    if (!narrow)
        return;
    const char* trimmed = trimPathSeparators(narrow.get());
    if (std::strlen(trimmed) < sizeof field)
        copyCut(field, sizeof field, trimmed);
}

} // namespace

void loadSettings(SettingsSnapshot& snapshot) {
    // Whatever type UsePass has, its first four bytes are the number, least significant first.
    uint8_t usePass[REGISTRY_READ_SIZE] = {};
    readRegistryValue(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, USE_PASS_VALUE, usePass);
    uint32_t number = static_cast<uint32_t>(usePass[0]) | (static_cast<uint32_t>(usePass[1]) << 8) |
                      (static_cast<uint32_t>(usePass[2]) << 16) | (static_cast<uint32_t>(usePass[3]) << 24);
    snapshot.usePass = number != 0 ? 1 : 0;

    char16_t password[TEXT_UNITS];
    char16_t desktopInitPath[TEXT_UNITS];
    char16_t pocketPcInitPath[TEXT_UNITS];
    readText(PASSWORD_VALUE, password);
    readText(DESKTOP_INIT_PATH_VALUE, desktopInitPath);
    readText(POCKET_PC_INIT_PATH_VALUE, pocketPcInitPath);

    std::unique_ptr<char[]> narrowPassword;
    toNarrow(password, narrowPassword);
    if (narrowPassword)
        copyCut(snapshot.password, sizeof snapshot.password, narrowPassword.get());
    loadPath(desktopInitPath, snapshot.desktopInitPath);
    loadPath(pocketPcInitPath, snapshot.pocketPcInitPath);
}
