// Reading and writing the text form that regedit exports (.reg files).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct RegistryValue {
    std::string name; // UTF-8; empty for the key's default value ("@")
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

struct RegistrySection {
    std::string path; // UTF-8, the root's full name first: "HKEY_LOCAL_MACHINE\Software\..."
    std::vector<RegistryValue> values;
};

struct RegistryDocument {
    std::vector<RegistrySection> sections;
};

// Parses a whole file: UTF-8 (with or without its byte-order mark) or UTF-16LE with its byte-order
// mark, with the header "Windows Registry Editor Version 5.00" or "REGEDIT4". Sets damaged when any
// part of it cannot be understood; every section and value that could be read is still returned,
// so that a damaged file can be salvaged.
RegistryDocument parseRegistryText(std::string_view bytes, bool& damaged);

// The UTF-8 text of a document with CR LF line ends. Every value keeps its type and exact bytes:
// strings and 4-byte numbers get their readable forms, everything else a hex list.
std::string formatRegistryText(const RegistryDocument& document);

// The UTF-8 form in which the file keeps a UTF-16 text (key paths, value names, strings); false
// when it cannot be converted.
bool registryTextFromWide(std::u16string_view wide, std::string& text);

// Section and value names compare without the case of ASCII letters, as the registry does.
bool sameRegistryName(std::string_view first, std::string_view second);
RegistrySection* findSection(RegistryDocument& document, std::string_view path);
RegistryValue* findValue(RegistrySection& section, std::string_view name);
// The section with that path, added empty at the end when the document has none.
RegistrySection& sectionFor(RegistryDocument& document, std::string_view path);
// Puts value into the section, in place of the value of the same name when there is one.
void storeValue(RegistrySection& section, RegistryValue value);

} // namespace platform
