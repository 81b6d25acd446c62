// The URLs the server can be reached at, printed once it listens.
#pragma once

#include <cstdint>
#include <cstdio>

// One line per interface address, "http://ADDRESS/" on port 80 and "http://ADDRESS:PORT/"
// otherwise, loopback last; flushed. Other programs read the port from the loopback line.
void printServedAddresses(std::FILE* out, uint16_t port);
