// kelvane-server's entry point.
#include "platform/Signals.h"
#include "server/ui/CommandLine.h"
#include "server/ui/HeadlessRun.h"
#include "server/ui/ServerApp.h"
#include "server/ui/fltk/OpenFltkToolkit.h"

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

    // The application object lives until the process ends: workers still serving when the
    // program exits may use it.
    auto* app = new ServerApp(commandLine.options);
    // Without a display the same window logic runs headless.
    std::unique_ptr<WindowToolkit> toolkit;
    if (!app->options.headless)
        toolkit = openFltkToolkit();
    if (toolkit == nullptr)
        toolkit = std::make_unique<HeadlessToolkit>();
    if (app->startUp(*toolkit) == 0)
        return 1;
    return app->exitStatus;
}
