// Host name and address look-ups over getaddrinfo and getifaddrs.
#include "platform/Network.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

namespace platform {

int hostName(char* buffer, size_t size) {
    if (size == 0 || ::gethostname(buffer, size) != 0)
        return -1;
    if (std::memchr(buffer, '\0', size) == nullptr) {
        buffer[0] = '\0';
        return -1;
    }
    return 0;
}

int firstAddressOfHost(const char* name, uint8_t address[4]) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* results = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &results) != 0 || results == nullptr)
        return -1;
    auto* ipv4 = reinterpret_cast<sockaddr_in*>(results->ai_addr);
    std::memcpy(address, &ipv4->sin_addr.s_addr, 4);
    ::freeaddrinfo(results);
    return 0;
}

void formatAddress(const uint8_t address[4], char buffer[16]) {
    std::snprintf(buffer, 16, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
}

std::vector<std::array<uint8_t, 4>> interfaceAddresses() {
    std::vector<std::array<uint8_t, 4>> result;
    std::vector<std::array<uint8_t, 4>> loopback;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return result;
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
            !(entry->ifa_flags & IFF_UP))
            continue;
        std::array<uint8_t, 4> address{};
        std::memcpy(address.data(), &reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr, 4);
        (entry->ifa_flags & IFF_LOOPBACK ? loopback : result).push_back(address);
    }
    ::freeifaddrs(list);
    result.insert(result.end(), loopback.begin(), loopback.end());
    return result;
}

} // namespace platform
