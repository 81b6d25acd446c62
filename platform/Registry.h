// The registry: typed, named values under keys, kept in a text file in the form regedit exports.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class RegistryRoot : uint32_t { ClassesRoot, CurrentUser, LocalMachine, Users };

inline constexpr uint32_t REGISTRY_TYPE_NONE = 0;
inline constexpr uint32_t REGISTRY_TYPE_SZ = 1;
inline constexpr uint32_t REGISTRY_TYPE_BINARY = 3;
inline constexpr uint32_t REGISTRY_TYPE_DWORD = 4;

enum class RegistryStatus {
    Ok,
    NotFound, // no store, no such key or value, or a store file that cannot be parsed
    MoreData, // the value is larger than the buffer; nothing was copied
    Failed,   // the store could not be written
};

// An open key. Keys hold no resources: every operation reads the store file afresh, so values
// written by another thread or program are seen at once.
struct RegistryKey {
    RegistryRoot root = RegistryRoot::LocalMachine;
    std::u16string path;
};

// Chooses the store file for the whole process; the empty text means no store (every read finds
// nothing and every write fails). Call before the first registry operation.
void setRegistryFile(const std::string& path);

// $XDG_CONFIG_HOME/kelvane/registry.reg, or ~/.config/kelvane/registry.reg when XDG_CONFIG_HOME is
// unset or empty; the empty text when neither that nor HOME is known.
std::string defaultRegistryFile();

// Opens an existing key (keyPath is UTF-16 with '\' between its parts, letters compared without
// case). NotFound when there is no such key.
RegistryStatus openRegistryKey(RegistryRoot root, const char16_t* keyPath, RegistryKey& key);

// Opens a key, creating it (and the store file with its folder) when missing. Failed when the
// store cannot be written.
RegistryStatus createRegistryKey(RegistryRoot root, const char16_t* keyPath, RegistryKey& key);

// Copies the value's bytes into buffer. size gives the room on entry and the value's size on
// return; type, when not null, receives its type. MoreData when it does not fit; NotFound when
// the key or value is missing.
RegistryStatus queryRegistryValue(const RegistryKey& key, const char16_t* name, void* buffer, uint32_t& size,
                                  uint32_t* type);

// Stores size bytes of data with the given type, creating or replacing the value. The file is
// replaced atomically (temporary file, fsync, rename), so a crash leaves either the old or the
// new file whole. A store file that cannot be parsed is kept beside the new one with the suffix
// ".bad", and every value that could still be read from it is carried over.
RegistryStatus setRegistryValue(const RegistryKey& key, const char16_t* name, uint32_t type, const void* data,
                                uint32_t size);

void closeRegistryKey(RegistryKey& key);

// For tests only: called after the new store file has been written and synced, right before it
// replaces the old one. Null (the default) does nothing.
void setRegistryReplaceHookForTesting(void (*hook)());

} // namespace platform
