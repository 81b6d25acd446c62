// The C entries of libkelvane-remote.so, looked up by name by kelvane-server.
#include "server/remote/RemoteSessions.h"

#include <type_traits>

extern "C" void RemoteDisplaySession(Connection& connection) {
    runRemoteDisplaySession(connection);
}

extern "C" void RemoteControlSession(Connection& connection) {
    runRemoteControlSession(connection);
}

static_assert(std::is_same_v<decltype(&RemoteDisplaySession), RemoteSessionEntry>);
static_assert(std::is_same_v<decltype(&RemoteControlSession), RemoteSessionEntry>);
