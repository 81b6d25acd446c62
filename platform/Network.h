// Host name and address look-ups for the start page and the status window.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Writes the host name (NUL-terminated) into buffer. Returns 0, or -1 when it does not fit or fails.
int hostName(char* buffer, size_t size);

// Looks the name up and writes its first IPv4 address in network byte order. Returns 0 or -1.
int firstAddressOfHost(const char* name, uint8_t address[4]);

// Formats an IPv4 address (network byte order) in dotted decimal; buffer needs 16 bytes.
void formatAddress(const uint8_t address[4], char buffer[16]);

// The IPv4 addresses of every interface that is up, loopback last.
std::vector<std::array<uint8_t, 4>> interfaceAddresses();

} // namespace platform
