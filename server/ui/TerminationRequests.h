// SIGINT and SIGTERM as the status window's Server > Exit.
#pragma once

#include "platform/WindowMessages.h"

// Starts a thread that waits for the first termination request and then posts the Exit command to
// window. The requests must have been blocked (platform::blockTerminationRequests) before any
// thread was started.
void exitOnTerminationRequest(platform::WindowHandle window);
