// Narrow registry look-up under HKEY_LOCAL_MACHINE for the launcher.
#include "setup/Registry.h"

int readRegistryString(const char* keyPath, const char* valueName, char* buffer, DWORD size) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD length = size;
    const LONG status =
        RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &length);
    // The key is closed on failure as well, so that no handle is left open.
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 1 : 0;
}
