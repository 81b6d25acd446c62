// Printing the served URLs.
#include "server/ui/ServedAddresses.h"

#include "platform/Network.h"

void printServedAddresses(std::FILE* out, uint16_t port) {
    for (const auto& address : platform::interfaceAddresses()) {
        char text[16];
        platform::formatAddress(address.data(), text);
        if (port == 80)
            std::fprintf(out, "http://%s/\n", text);
        else
            std::fprintf(out, "http://%s:%u/\n", text, port);
    }
    std::fflush(out);
}
