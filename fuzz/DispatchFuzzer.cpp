// Fuzz target: one whole request (request line, headers, body) served by a worker's Connection
// against a temporary root folder, with web content from the target's own folder. Any bytes:
// no crash, no wait (every byte is there and the stream ends), and nothing outside the root is
// created, changed or removed.
#include "server/commands/CommandHandler.h"
#include "server/net/Connection.h"
#include "server/ui/ServerApp.h"
#include "support/FuzzSocket.h"
#include "support/SandboxFolders.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

SandboxFolders* sandbox = nullptr;
ServerApp* app = nullptr;

} // namespace

// The remote sessions capture the screen and inject input into it: here they only take the
// records and the connection the way the real ones do, without a screen or an input device, so
// that fuzzing never types into the machine it runs on. Their own target covers the records.
void CommandHandler::remoteControlSession(Connection& connection) {
    uint8_t record[12];
    while (connection.readInputEvent(record)) {
    }
    connection.writeResponseHeader(200, 0, 0);
    connection.sendWord(0);
}

void CommandHandler::remoteDisplaySession(Connection& connection) {
    connection.writeResponseHeader(200, 0, 0);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sandbox = new SandboxFolders();
    // libFuzzer ends the process with exit(): the sandbox goes with it.
    std::atexit([] { delete sandbox; });
    sandbox->watch(std::filesystem::canonical("/proc/self/exe").parent_path().string());
    ServerOptions options;
    options.rootFolder = sandbox->root();
    options.registryPath = sandbox->registryFile();
    options.headless = true;
    app = new ServerApp(options);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FedSocket fed;
    if (!fed.feed(data, size))
        return 0;
    {
        Connection connection(app, 0);
        connection.serve(fed.serverEnd);
    }
    (void)fed.reply();
    sandbox->checkUntouched();
    sandbox->resetRoot();
    return 0;
}
