// Reading and writing one registry value, as the settings and the Options dialog do.
#pragma once

#include "platform/Registry.h"

#include <cstdint>

using RegistryRoot = platform::RegistryRoot;

inline constexpr RegistryRoot HKEY_LOCAL_MACHINE = platform::RegistryRoot::LocalMachine;
inline constexpr uint32_t REG_SZ = platform::REGISTRY_TYPE_SZ;
inline constexpr uint32_t REG_DWORD = platform::REGISTRY_TYPE_DWORD;

// Every read offers this many bytes; a longer value cannot be read.
inline constexpr uint32_t REGISTRY_READ_SIZE = 260;

// Stores byteCount bytes of data as the value valueName (UTF-16) of the key keyPath (UTF-16) under
// root, creating the key when missing. A byteCount of 0 means that data is a NUL-terminated UTF-16
// text, stored with its NUL: (length + 1) * 2 bytes. Returns 1 when the value was stored, else 0.
int writeRegistryValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName,
                       const void* data, uint32_t type, uint32_t byteCount);

// Copies the value's raw bytes into buffer, which must hold REGISTRY_READ_SIZE bytes; its type is
// not examined. Returns 1 when the value was read; 0 when the key or value is missing, the value
// is longer than REGISTRY_READ_SIZE bytes, or the store cannot be parsed (buffer left untouched).
int readRegistryValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName, void* buffer);
