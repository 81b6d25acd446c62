// Parser and writer of the .reg text form: header, [sections], "name"=data lines.
#include "platform/linux/RegistryFileFormat.h"

#include "platform/Registry.h"
#include "platform/TextCodePage.h"

#include <cstdio>

namespace platform {

namespace {

constexpr std::string_view HEADER_VERSION_5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view HEADER_VERSION_4 = "REGEDIT4";
constexpr std::string_view ROOT_NAMES[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT",
                                           "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
// Hex lists are wrapped like regedit's, so that long values stay readable.
constexpr size_t HEX_LINE_WIDTH = 77;

char lowerAscii(char character) {
    return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a') : character;
}

// The file's text as UTF-8; false when its encoding is not one we read.
bool decodeFile(std::string_view bytes, std::string& text) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0)
            return false;
        std::u16string wide;
        wide.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return registryTextFromWide(wide, text);
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    text.assign(bytes);
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

int hexDigit(char character) {
    if (character >= '0' && character <= '9')
        return character - '0';
    character = lowerAscii(character);
    if (character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    return -1;
}

// Reads a quoted text with the escapes \\ and \" starting at text[0] == '"'; sets used to the
// characters taken, closing quote included.
bool readQuoted(std::string_view text, std::string& result, size_t& used) {
    if (text.empty() || text[0] != '"')
        return false;
    result.clear();
    for (size_t i = 1; i < text.size(); ++i) {
        char character = text[i];
        if (character == '"') {
            used = i + 1;
            return true;
        }
        if (character == '\\') {
            if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"'))
                return false;
            character = text[++i];
        }
        result.push_back(character);
    }
    return false;
}

bool readHexList(std::string_view text, std::vector<uint8_t>& data) {
    data.clear();
    text = trim(text);
    if (text.empty())
        return true;
    for (;;) {
        size_t comma = text.find(',');
        std::string_view item = trim(text.substr(0, comma));
        if (item.size() != 2 || hexDigit(item[0]) < 0 || hexDigit(item[1]) < 0)
            return false;
        data.push_back(static_cast<uint8_t>(hexDigit(item[0]) * 16 + hexDigit(item[1])));
        if (comma == std::string_view::npos)
            return true;
        text.remove_prefix(comma + 1);
    }
}

std::vector<uint8_t> utf16Bytes(std::string_view text, bool& ok) {
    std::u16string wide(text.size() + 1, u'\0');
    long units = narrowToWide(text.data(), text.size(), wide.data(), wide.size());
    ok = units >= 0;
    std::vector<uint8_t> bytes;
    for (long i = 0; ok && i < units; ++i) {
        bytes.push_back(static_cast<uint8_t>(wide[static_cast<size_t>(i)] & 0xFF));
        bytes.push_back(static_cast<uint8_t>(wide[static_cast<size_t>(i)] >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

// Parses the data after "=": a quoted text, dword:, hex: or hex(N):.
bool readValueData(std::string_view text, RegistryValue& value) {
    text = trim(text);
    if (!text.empty() && text[0] == '"') {
        std::string content;
        size_t used = 0;
        if (!readQuoted(text, content, used) || !trim(text.substr(used)).empty())
            return false;
        bool ok = false;
        value.type = REGISTRY_TYPE_SZ;
        value.data = utf16Bytes(content, ok);
        return ok;
    }
    if (text.substr(0, 6) == "dword:") {
        std::string_view digits = text.substr(6);
        if (digits.empty() || digits.size() > 8)
            return false;
        uint32_t number = 0;
        for (char digit : digits) {
            if (hexDigit(digit) < 0)
                return false;
            number = number * 16 + static_cast<uint32_t>(hexDigit(digit));
        }
        value.type = REGISTRY_TYPE_DWORD;
        value.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                      static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
        return true;
    }
    if (text.substr(0, 4) == "hex:") {
        value.type = REGISTRY_TYPE_BINARY;
        return readHexList(text.substr(4), value.data);
    }
    if (text.substr(0, 4) == "hex(") {
        size_t close = text.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12)
            return false;
        uint32_t type = 0;
        for (char digit : text.substr(4, close - 4)) {
            if (hexDigit(digit) < 0)
                return false;
            type = type * 16 + static_cast<uint32_t>(hexDigit(digit));
        }
        value.type = type;
        return readHexList(text.substr(close + 2), value.data);
    }
    return false;
}

bool readValueLine(std::string_view line, RegistryValue& value) {
    size_t used = 0;
    if (line[0] == '@') {
        value.name.clear();
        used = 1;
    } else if (!readQuoted(line, value.name, used) || value.name.empty()) {
        return false;
    }
    std::string_view rest = trim(line.substr(used));
    if (rest.empty() || rest[0] != '=')
        return false;
    return readValueData(rest.substr(1), value);
}

bool isKnownRootPath(std::string_view path) {
    for (std::string_view root : ROOT_NAMES) {
        if (path.size() >= root.size() && sameRegistryName(path.substr(0, root.size()), root) &&
            (path.size() == root.size() || path[root.size()] == '\\'))
            return true;
    }
    return false;
}

// Splits the text into lines, joining a hex list's continuation lines (ended with '\').
std::vector<std::string> logicalLines(std::string_view text) {
    std::vector<std::string> lines;
    bool continues = false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::string_view trimmed = trim(line);
        if (continues)
            lines.back().append(trimmed);
        else
            lines.emplace_back(line);
        continues =
            !trimmed.empty() && trimmed.back() == '\\' && lines.back().find("=hex") != std::string::npos;
        if (continues)
            lines.back().pop_back();
        start = end + 1;
    }
    return lines;
}

std::string escapeQuoted(std::string_view text) {
    std::string result = "\"";
    for (char character : text) {
        if (character == '\\' || character == '"')
            result.push_back('\\');
        result.push_back(character);
    }
    result.push_back('"');
    return result;
}

// The text of a REG_SZ value when its bytes are exactly that text in UTF-16 and one NUL, and the
// text survives the quoted form (no line breaks, no NUL inside, no unpaired surrogates).
bool readableText(const RegistryValue& value, std::string& text) {
    const std::vector<uint8_t>& data = value.data;
    if (value.type != REGISTRY_TYPE_SZ || data.size() < 2 || data.size() % 2 != 0 ||
        data[data.size() - 1] != 0 || data[data.size() - 2] != 0)
        return false;
    std::u16string wide;
    for (size_t i = 0; i + 2 < data.size(); i += 2) {
        auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0 || unit == u'\r' || unit == u'\n')
            return false;
        wide.push_back(unit);
    }
    if (!registryTextFromWide(wide, text))
        return false;
    bool exact = false;
    return utf16Bytes(text, exact) == data && exact;
}

void appendData(std::string& line, std::string& output, const RegistryValue& value) {
    std::string text;
    if (readableText(value, text)) {
        line += escapeQuoted(text);
    } else if (value.type == REGISTRY_TYPE_DWORD && value.data.size() == 4) {
        char digits[16];
        uint32_t number = static_cast<uint32_t>(value.data[0]) | (static_cast<uint32_t>(value.data[1]) << 8) |
                          (static_cast<uint32_t>(value.data[2]) << 16) |
                          (static_cast<uint32_t>(value.data[3]) << 24);
        std::snprintf(digits, sizeof digits, "dword:%08x", number);
        line += digits;
    } else {
        char prefix[24];
        if (value.type == REGISTRY_TYPE_BINARY)
            std::snprintf(prefix, sizeof prefix, "hex:");
        else
            std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        line += prefix;
        for (size_t i = 0; i < value.data.size(); ++i) {
            char item[4];
            std::snprintf(item, sizeof item, "%02x", value.data[i]);
            line += item;
            if (i + 1 < value.data.size()) {
                line += ',';
                if (line.size() >= HEX_LINE_WIDTH) {
                    output += line + "\\\r\n";
                    line = "  ";
                }
            }
        }
    }
}

} // namespace

bool registryTextFromWide(std::u16string_view wide, std::string& text) {
    text.resize(wide.size() * NARROW_UNITS_PER_WIDE + 1);
    long written = wideToNarrow(wide.data(), wide.size(), text.data(), text.size());
    if (written < 0)
        return false;
    text.resize(static_cast<size_t>(written));
    return true;
}

bool sameRegistryName(std::string_view first, std::string_view second) {
    if (first.size() != second.size())
        return false;
    for (size_t i = 0; i < first.size(); ++i)
        if (lowerAscii(first[i]) != lowerAscii(second[i]))
            return false;
    return true;
}

RegistrySection* findSection(RegistryDocument& document, std::string_view path) {
    for (RegistrySection& section : document.sections)
        if (sameRegistryName(section.path, path))
            return &section;
    return nullptr;
}

RegistryValue* findValue(RegistrySection& section, std::string_view name) {
    for (RegistryValue& value : section.values)
        if (sameRegistryName(value.name, name))
            return &value;
    return nullptr;
}

RegistrySection& sectionFor(RegistryDocument& document, std::string_view path) {
    if (RegistrySection* existing = findSection(document, path))
        return *existing;
    document.sections.push_back(RegistrySection{std::string(path), {}});
    return document.sections.back();
}

void storeValue(RegistrySection& section, RegistryValue value) {
    if (RegistryValue* existing = findValue(section, value.name))
        *existing = std::move(value);
    else
        section.values.push_back(std::move(value));
}

RegistryDocument parseRegistryText(std::string_view bytes, bool& damaged) {
    RegistryDocument document;
    damaged = false;
    std::string text;
    if (!decodeFile(bytes, text)) {
        damaged = true;
        return document;
    }
    bool headerSeen = false;
    RegistrySection* current = nullptr;
    for (const std::string& rawLine : logicalLines(text)) {
        std::string_view line = trim(rawLine);
        if (line.empty() || line[0] == ';')
            continue;
        if (!isValidUtf8(line.data(), line.size())) {
            damaged = true;
            continue;
        }
        if (!headerSeen) {
            headerSeen = true;
            if (line == HEADER_VERSION_5 || line == HEADER_VERSION_4)
                continue;
            damaged = true;
        }
        if (line[0] == '[') {
            current = nullptr;
            std::string_view path = line.substr(1);
            if (path.empty() || path.back() != ']') {
                damaged = true;
                continue;
            }
            path.remove_suffix(1);
            // "[-...]" removes a key when a file is imported; a store never holds one.
            if (!isKnownRootPath(path)) {
                damaged = true;
                continue;
            }
            current = &sectionFor(document, path);
            continue;
        }
        RegistryValue value;
        if (current == nullptr || !readValueLine(line, value)) {
            damaged = true;
            continue;
        }
        storeValue(*current, std::move(value));
    }
    return document;
}

std::string formatRegistryText(const RegistryDocument& document) {
    std::string output(HEADER_VERSION_5);
    output += "\r\n\r\n";
    for (const RegistrySection& section : document.sections) {
        output += "[" + section.path + "]\r\n";
        for (const RegistryValue& value : section.values) {
            std::string line = value.name.empty() ? "@=" : escapeQuoted(value.name) + "=";
            appendData(line, output, value);
            output += line + "\r\n";
        }
        output += "\r\n";
    }
    return output;
}

} // namespace platform
