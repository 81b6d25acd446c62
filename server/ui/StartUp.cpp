// Start-up and the orderly end of the program.
#include "server/ui/CompressionLibrary.h"
#include "server/ui/MainStatusDialog.h"
#include "server/ui/ServerApp.h"
#include "server/ui/WindowToolkit.h"

#include <new>

int ServerApp::startUp(WindowToolkit& toolkit) {
    // POSIX sockets need no initialisation of their own.
    loadCompressionLibrary();

    mainDialog = new (std::nothrow) MainStatusDialog();
    if (mainDialog == nullptr)
        return 0;
    mainDialog->app = this;
    commandHandler.statusDialog.store(mainDialog);

    // The window's initialisation starts the server: workers may post before the loop runs.
    mainDialog->create(toolkit.statusView(*mainDialog));
    exitStatus = toolkit.runMessageLoop(*mainDialog);

    // Workers that still run may ask for counter redraws: they post to the window's queue,
    // which from now on drops every post, and never reach the window object itself.
    commandHandler.statusDialog.store(nullptr);
    mainDialog->messageQueue().close();
    delete mainDialog;
    mainDialog = nullptr;

    releaseCompressionLibrary();
    return 1;
}
