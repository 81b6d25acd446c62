// Connections to the X display that the capture and input backends open, safe for a long-lived server.
#include "platform/linux/ScreenX11Connection.h"

#include <mutex>
#include <unordered_map>

namespace platform {

namespace {

// Xlib's error handlers are process-wide and by default end the process. Ours count the errors of
// our own connections and pass every other connection's errors to the handler installed before.
// Recursive, because a close may report an error to the handler on the same thread. Both are
// never destroyed: a screen session's worker may still be using a connection while the process
// exits.
std::recursive_mutex& connectionsLock = *new std::recursive_mutex;
std::unordered_map<Display*, unsigned long>& errorCounts =
    *new std::unordered_map<Display*, unsigned long>; // guarded by connectionsLock
XErrorHandler earlierErrorHandler = nullptr;
XIOErrorHandler earlierIOErrorHandler = nullptr;
std::once_flag handlersInstalled;

int countError(Display* display, XErrorEvent* event) {
    {
        std::lock_guard lock(connectionsLock);
        const auto found = errorCounts.find(display);
        if (found != errorCounts.end()) {
            ++found->second;
            return 0;
        }
    }
    return earlierErrorHandler ? earlierErrorHandler(display, event) : 0;
}

// Returning lets Xlib go on to the connection's exit handler, which for ours does not exit.
int reportLostConnection(Display* display) {
    {
        std::lock_guard lock(connectionsLock);
        if (errorCounts.count(display))
            return 0;
    }
    return earlierIOErrorHandler ? earlierIOErrorHandler(display) : 0;
}

// After a lost server every call on the connection returns at once with a failure.
void keepRunning(Display*, void*) {}

unsigned long errorsOf(Display* display) {
    std::lock_guard lock(connectionsLock);
    const auto found = errorCounts.find(display);
    return found == errorCounts.end() ? 0 : found->second;
}

} // namespace

std::mutex& extensionQueryLock() {
    static std::mutex& lock = *new std::mutex;
    return lock;
}

Display* openDisplayConnection() {
    std::call_once(handlersInstalled, [] {
        // Connections are opened and used on many worker threads.
        XInitThreads();
        earlierErrorHandler = XSetErrorHandler(countError);
        earlierIOErrorHandler = XSetIOErrorHandler(reportLostConnection);
    });
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    XSetIOErrorExitHandler(display, keepRunning, nullptr);
    std::lock_guard lock(connectionsLock);
    errorCounts[display] = 0;
    return display;
}

void closeDisplayConnection(Display* display) {
    if (!display)
        return;
    // Held across the close so that no new connection at the same address is mixed up with it.
    std::lock_guard lock(connectionsLock);
    XCloseDisplay(display);
    errorCounts.erase(display);
}

bool requestSucceeds(Display* display, const std::function<bool()>& request) {
    XSync(display, False);
    const unsigned long before = errorsOf(display);
    const bool accepted = request();
    XSync(display, False);
    return accepted && errorsOf(display) == before;
}

} // namespace platform
