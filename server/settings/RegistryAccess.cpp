// writeRegistryValue and readRegistryValue over the platform's registry keys.
#include "server/settings/RegistryAccess.h"

#include <string>

int writeRegistryValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName,
                       const void* data, uint32_t type, uint32_t byteCount) {
    platform::RegistryKey key;
    if (platform::createRegistryKey(root, keyPath, key) != platform::RegistryStatus::Ok) {
        platform::closeRegistryKey(key);
        return 0;
    }
    if (byteCount == 0 && data != nullptr) {
        size_t units = std::char_traits<char16_t>::length(static_cast<const char16_t*>(data));
        byteCount = static_cast<uint32_t>((units + 1) * sizeof(char16_t));
    }
    platform::RegistryStatus status = platform::setRegistryValue(key, valueName, type, data, byteCount);
    platform::closeRegistryKey(key);
    return status == platform::RegistryStatus::Ok ? 1 : 0;
}

int readRegistryValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName, void* buffer) {
    platform::RegistryKey key;
    if (platform::openRegistryKey(root, keyPath, key) != platform::RegistryStatus::Ok)
        return 0;
    uint32_t size = REGISTRY_READ_SIZE;
    uint32_t ignoredType = 0;
    platform::RegistryStatus status =
        platform::queryRegistryValue(key, valueName, buffer, size, &ignoredType);
    platform::closeRegistryKey(key);
    return status == platform::RegistryStatus::Ok ? 1 : 0;
}
