// The headless message loop: the window's queue, its one timer and termination requests.
#include "server/ui/HeadlessRun.h"

#include "platform/Thread.h"
#include "platform/TickCount.h"
#include "server/ui/MainStatusDialog.h"
#include "server/ui/StatusMessages.h"
#include "server/ui/TerminationRequests.h"

StatusView& HeadlessToolkit::statusView(MainStatusDialog& dialog) {
    view.dialog = &dialog;
    return view;
}

void HeadlessToolkit::showMessageBox(const std::string& text, const std::string& caption,
                                     MessageBoxIcon icon) {
    view.showMessageBox(text, caption, icon);
}

namespace {
// After a burst of messages the loop rests this long before it waits again, so that a busy server
// wakes it a few hundred times a second instead of three times per request. Lines appear at most
// this much later.
constexpr uint32_t BURST_PAUSE_MILLISECONDS = 5;
} // namespace

int HeadlessToolkit::runMessageLoop(MainStatusDialog& dialog) {
    int exitStatus = 0;
    platform::MessageQueue& queue = dialog.messageQueue();
    if (dialog.serverListening()) {
        view.startPrinting(dialog.shownPort());
        exitOnTerminationRequest(dialog.windowHandle());
    } else {
        // Nobody could dismiss the message box or choose Exit: the run ends as Exit would end it.
        exitStatus = 1;
        queue.post({WM_COMMAND, ID_EXIT, 0});
    }

    uint32_t nextTick = platform::tickCount() + view.timerPeriod();
    bool handledSinceWait = false;
    for (;;) {
        int wait = -1;
        if (view.timerPeriod() != 0) {
            int32_t remaining = static_cast<int32_t>(nextTick - platform::tickCount());
            wait = remaining > 0 ? remaining : 0;
        }
        platform::WindowMessage message;
        // What is queued already is taken without waiting; once the queue is empty the printed
        // lines leave together, and after a burst the loop rests before it waits again.
        bool taken = queue.waitNext(message, 0);
        if (!taken) {
            view.flushOutput();
            if (handledSinceWait) {
                handledSinceWait = false;
                platform::sleepMilliseconds(BURST_PAUSE_MILLISECONDS);
                continue;
            }
            taken = queue.waitNext(message, wait);
        }
        if (!taken) {
            // The timer's turn; a late tick is not made up for.
            uint32_t now = platform::tickCount();
            nextTick += view.timerPeriod();
            if (static_cast<int32_t>(nextTick - now) <= 0)
                nextTick = now + view.timerPeriod();
            dialog.handleMessage({WM_TIMER, view.timerIdentifier(), 0});
            continue;
        }
        if (message.message == WM_QUIT)
            break;
        handledSinceWait = true;
        dialog.handleMessage(message);
    }
    return exitStatus;
}
