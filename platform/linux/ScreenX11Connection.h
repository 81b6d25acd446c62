// Connections to the X display that the capture and input backends open, safe for a long-lived server.
#pragma once

#include <X11/Xlib.h>
#include <functional>
#include <mutex>

namespace platform {

// Opens the display named by DISPLAY; null when it does not open. On such a connection a protocol
// error is counted instead of ending the process, and a lost server makes the calls fail instead
// of ending the process. Each connection is used by one thread at a time.
Display* openDisplayConnection();

// Closes a connection from openDisplayConnection; null is ignored.
void closeDisplayConnection(Display* display);

// The extension libraries (MIT-SHM, XTEST) create their process-wide bookkeeping on their first
// call without a lock, so two threads making that call at once leave one copy behind. Queries that
// may be an extension's first call are made under this lock.
std::mutex& extensionQueryLock();

// Runs request (which returns false when Xlib refused it), waits until the server has answered it,
// and tells whether it went through without a protocol error.
bool requestSucceeds(Display* display, const std::function<bool()>& request);

} // namespace platform
