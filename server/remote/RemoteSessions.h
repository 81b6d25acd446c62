// The remote display and control sessions, and the C entries of the module that holds them.
#pragma once

class Connection;

// The bodies of CommandHandler::remoteDisplaySession and CommandHandler::remoteControlSession.
void runRemoteDisplaySession(Connection& connection);
void runRemoteControlSession(Connection& connection);

// kelvane-server loads the sessions and the display backends from this module at the first
// session, so that a server that never shows its screen does not map the X libraries.
inline const char* const REMOTE_SESSION_LIBRARY_NAME = "libkelvane-remote.so";
inline const char* const REMOTE_DISPLAY_ENTRY_NAME = "RemoteDisplaySession";
inline const char* const REMOTE_CONTROL_ENTRY_NAME = "RemoteControlSession";

// Both entries have this type; each runs one whole session on the calling worker.
using RemoteSessionEntry = void (*)(Connection& connection);
