// Narrow registry look-up under HKEY_LOCAL_MACHINE for the launcher.
#pragma once

#include <windows.h>

// Reads the value valueName ("" for the key's default value) of keyPath under HKEY_LOCAL_MACHINE into
// buffer, offering size bytes; the value's type is not examined, so its bytes are taken as they are.
// Returns 1 when the value was read, else 0 (key or value missing, or larger than size).
int readRegistryString(const char* keyPath, const char* valueName, char* buffer, DWORD size);
