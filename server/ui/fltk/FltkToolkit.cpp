// Opening the display and running the status window's message loop with FLTK.
#include "server/ui/fltk/FltkToolkit.h"

#include "server/ui/FltkToolkitLibrary.h"
#include "server/ui/MainStatusDialog.h"
#include "server/ui/ServedAddresses.h"
#include "server/ui/StatusMessages.h"
#include "server/ui/TerminationRequests.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <type_traits>

namespace {

FltkToolkit* activeToolkit = nullptr;
MainStatusDialog* activeDialog = nullptr;
Fl_Window* activeFrame = nullptr;

// Runs on the posting thread: only wakes the window thread, which then drains the queue.
void wakeWindowThread(void*) {
    Fl::awake();
}

// Activation changes of the status window reach its logic as WM_ACTIVATE, in queue order.
int dispatchEvent(int event, Fl_Window* window) {
    if ((event == FL_FOCUS || event == FL_UNFOCUS) && window != nullptr && window == activeFrame &&
        activeDialog != nullptr && activeDialog->windowHandle() != 0)
        activeDialog->messageQueue().post({WM_ACTIVATE, event == FL_FOCUS ? 1u : 0u, 0});
    return Fl::handle_(event, window);
}

} // namespace

std::unique_ptr<FltkToolkit> FltkToolkit::open() {
    // FLTK ends the program when it cannot open the display, so look first.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return nullptr;
    fl_open_display(display);
    // Lets other threads wake the loop.
    Fl::lock();
    std::unique_ptr<FltkToolkit> toolkit(new FltkToolkit);
    toolkit->pictures = std::make_unique<StatusPictures>();
    return toolkit;
}

FltkToolkit::~FltkToolkit() {
    Fl::remove_check(drainQueue, this);
    if (activeToolkit == this) {
        activeToolkit = nullptr;
        activeDialog = nullptr;
        activeFrame = nullptr;
    }
    view.reset();
}

StatusView& FltkToolkit::statusView(MainStatusDialog& statusDialog) {
    dialog = &statusDialog;
    activeToolkit = this;
    activeDialog = &statusDialog;
    // Messages are handled from now on, also inside the port message box during initialisation.
    statusDialog.messageQueue().setWakeCallback(wakeWindowThread, nullptr);
    Fl::add_check(drainQueue, this);
    Fl::event_dispatch(dispatchEvent);
    view = std::make_unique<FltkStatusView>(statusDialog, *pictures);
    activeFrame = view->frame();
    return *view;
}

void FltkToolkit::drainQueue(void* context) {
    auto* toolkit = static_cast<FltkToolkit*>(context);
    if (toolkit->dialog == nullptr)
        return;
    platform::WindowMessage message;
    while (!toolkit->quit && toolkit->dialog->messageQueue().tryNext(message)) {
        if (message.message == WM_QUIT) {
            toolkit->quit = true;
            // Ends any modal loop still running.
            while (Fl_Window* window = Fl::first_window())
                window->hide();
            break;
        }
        toolkit->dialog->handleMessage(message);
    }
}

int FltkToolkit::runMessageLoop(MainStatusDialog& statusDialog) {
    dialog = &statusDialog;
    if (statusDialog.serverListening())
        printServedAddresses(stdout, statusDialog.shownPort());
    exitOnTerminationRequest(statusDialog.windowHandle());
    while (!quit) {
        drainQueue(this);
        if (quit)
            break;
        Fl::wait(1e20);
    }
    statusDialog.messageQueue().setWakeCallback(nullptr, nullptr);
    Fl::remove_check(drainQueue, this);
    Fl::event_dispatch(nullptr);
    activeDialog = nullptr;
    activeFrame = nullptr;
    dialog = nullptr;
    return 0;
}

void FltkToolkit::showMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) {
    showFltkMessageBox(text, caption, icon);
}

// The module's one entry, looked up by name by the program.
extern "C" WindowToolkit* OpenFltkToolkit() {
    return FltkToolkit::open().release();
}
static_assert(std::is_same_v<decltype(&OpenFltkToolkit), OpenFltkToolkitEntry>);
