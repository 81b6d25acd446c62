// kelvane-server's entry point.
#include "platform/Signals.h"
#include "server/net/Listener.h"
#include "server/ui/CommandLine.h"
#include "server/ui/FltkToolkitLibrary.h"
#include "server/ui/HeadlessRun.h"
#include "server/ui/ServerApp.h"

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    CommandLineResult commandLine = parseCommandLine(argc, argv);
    switch (commandLine.action) {
    case CommandLineAction::ShowHelp:
        std::fputs(commandLineHelp(), stdout);
        return 0;
    case CommandLineAction::ShowVersion:
        std::printf("kelvane-server %s\n", KELVANE_VERSION);
        return 0;
    case CommandLineAction::Invalid:
        std::fprintf(stderr, "kelvane-server: %s\n%s", commandLine.error.c_str(), commandLineHelp());
        return 2;
    case CommandLineAction::Run:
        break;
    }
    // Only the thread that turns SIGINT and SIGTERM into Exit receives them.
    platform::blockTerminationRequests();

    // Workers still serving when the program exits may use the application object: it is
    // destroyed only once none runs; otherwise it stays, reachable, until the process ends.
    static ServerApp* app = nullptr;
    app = new ServerApp(commandLine.options);
    // Without a display (or without the FLTK views module) the same window logic runs headless.
    std::unique_ptr<WindowToolkit> toolkit;
    if (!app->options.headless)
        toolkit = openFltkToolkit();
    if (toolkit == nullptr)
        toolkit = std::make_unique<HeadlessToolkit>();
    int status = app->startUp(*toolkit) == 0 ? 1 : app->exitStatus;
    if (runningWorkerCount() == 0) {
        delete app;
        app = nullptr;
    }
    return status;
}
