// The protocol's encodings: little-endian 32-bit words, NUL-terminated narrow strings, CR LF path lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane::client {

// Appends the 4 bytes of a word, least significant byte first.
void appendWord(std::string& bytes, uint32_t word);
// The word stored in the 4 bytes at data.
uint32_t decodeWord(const char* data);
// The 8 bytes at data as an unsigned 64-bit number, low 32 bits first.
uint64_t decodeLittleEndian64(const char* data);
// A 64-bit quantity sent as two words, the high half first.
uint64_t joinHighLow(uint32_t high, uint32_t low);

// The line text followed by CR LF, or nullopt with a reason when the text cannot travel as one line:
// it holds CR, LF or NUL, or it is longer than the server's line buffer (the server would cut it and
// act on a different path).
std::optional<std::string> encodePathLine(std::string_view text, std::string* problem = nullptr);

// The text followed by CR LF, refusing only CR, LF and NUL: for lines that the server may cut on
// purpose, such as the password line.
std::optional<std::string> encodeTextLine(std::string_view text, std::string* problem = nullptr);

// Reads a NUL-terminated string from the front of bytes; nullopt when no NUL is there.
// On success, advances bytes past the NUL.
std::optional<std::string> takeNarrowString(std::string_view& bytes);

} // namespace kelvane::client
