// Fuzz target: the settings store's file parser and the settings read from it. Input: the bytes of
// a registry file. A parsed document, written out and parsed again, must come back whole (every
// section and value with its type and exact bytes) and undamaged; the settings taken from the file
// always end in a NUL within their fields, with the password flag 0 or 1 and the paths trimmed.
#include "platform/Registry.h"
#include "platform/linux/RegistryFileFormat.h"
#include "server/settings/SettingsSnapshot.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

std::string storeFolder;
std::string storeFile;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "settings store: %s\n", what);
        std::abort();
    }
}

bool sameDocument(const platform::RegistryDocument& first, const platform::RegistryDocument& second) {
    if (first.sections.size() != second.sections.size())
        return false;
    for (size_t s = 0; s < first.sections.size(); ++s) {
        const platform::RegistrySection& a = first.sections[s];
        const platform::RegistrySection& b = second.sections[s];
        if (a.path != b.path || a.values.size() != b.values.size())
            return false;
        for (size_t v = 0; v < a.values.size(); ++v) {
            const platform::RegistryValue& x = a.values[v];
            const platform::RegistryValue& y = b.values[v];
            if (x.name != y.name || x.type != y.type || x.data != y.data)
                return false;
        }
    }
    return true;
}

bool endsWithin(const char* text, size_t size) {
    return std::memchr(text, '\0', size) != nullptr;
}

bool isSeparator(char character) {
    return character == '/' || character == '\\';
}

bool trimmed(const char* text) {
    size_t length = std::strlen(text);
    return length == 0 || (!isSeparator(text[0]) && !isSeparator(text[length - 1]));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // In memory when possible: the store file is rewritten for every input.
    std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    folder += "/kelvane-fuzz-settings-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr)
        std::abort();
    storeFile = folder + "/registry.reg";
    storeFolder = folder;
    std::atexit([] { std::filesystem::remove_all(storeFolder); });
    platform::setRegistryFile(storeFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    bool damaged = false;
    platform::RegistryDocument parsed = platform::parseRegistryText(bytes, damaged);
    std::string written = platform::formatRegistryText(parsed);
    bool damagedAgain = false;
    platform::RegistryDocument reparsed = platform::parseRegistryText(written, damagedAgain);
    require(!damagedAgain, "a written document must parse without damage");
    require(sameDocument(parsed, reparsed), "a written document must parse back to the same values");

    {
        std::ofstream file(storeFile, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    SettingsSnapshot snapshot;
    loadSettings(snapshot);
    require(snapshot.usePass == 0 || snapshot.usePass == 1, "the password flag is 0 or 1");
    require(endsWithin(snapshot.password, sizeof snapshot.password), "the password ends within its field");
    require(endsWithin(snapshot.desktopInitPath, sizeof snapshot.desktopInitPath) &&
                endsWithin(snapshot.pocketPcInitPath, sizeof snapshot.pocketPcInitPath),
            "the paths end within their fields");
    require(trimmed(snapshot.desktopInitPath) && trimmed(snapshot.pocketPcInitPath),
            "the paths have no separator at either end");
    return 0;
}
