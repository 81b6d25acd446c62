// The protocol's byte encodings.
#include "client/lib/WireFormat.h"

#include "client/lib/ProtocolNumbers.h"

namespace kelvane::client {

void appendWord(std::string& bytes, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((word >> shift) & 0xFF));
}

uint32_t decodeWord(const char* data) {
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i)
        word = (word << 8) | static_cast<unsigned char>(data[i]);
    return word;
}

uint64_t decodeLittleEndian64(const char* data) {
    return joinHighLow(decodeWord(data + 4), decodeWord(data));
}

uint64_t joinHighLow(uint32_t high, uint32_t low) {
    return (static_cast<uint64_t>(high) << 32) | low;
}

std::optional<std::string> encodeTextLine(std::string_view text, std::string* problem) {
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        if (problem)
            *problem = "a line cannot contain CR, LF or NUL";
        return std::nullopt;
    }
    std::string line(text);
    line += "\r\n";
    return line;
}

std::optional<std::string> encodePathLine(std::string_view text, std::string* problem) {
    if (text.size() > MAX_PATH_LINE_TEXT) {
        if (problem)
            *problem = "a path is at most " + std::to_string(MAX_PATH_LINE_TEXT) + " bytes long";
        return std::nullopt;
    }
    return encodeTextLine(text, problem);
}

std::optional<std::string> takeNarrowString(std::string_view& bytes) {
    size_t end = bytes.find('\0');
    if (end == std::string_view::npos)
        return std::nullopt;
    std::string text(bytes.substr(0, end));
    bytes.remove_prefix(end + 1);
    return text;
}

} // namespace kelvane::client
