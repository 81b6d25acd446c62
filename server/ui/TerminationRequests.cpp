// The thread that turns a termination request into Server > Exit.
#include "server/ui/TerminationRequests.h"

#include "platform/Signals.h"
#include "platform/Thread.h"
#include "server/ui/StatusMessages.h"

void exitOnTerminationRequest(platform::WindowHandle window) {
    platform::startThread([window] {
        platform::waitForTerminationRequest();
        platform::postMessage(window, WM_COMMAND, ID_EXIT, 0);
    });
}
