// Parsing of kelvane-server's options.
#include "server/ui/CommandLine.h"

#include "platform/Registry.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

const char* commandLineHelp() {
    return "Usage: kelvane-server [options]\n"
           "Serves files and the screen of this machine to a web browser.\n"
           "\n"
           "  --port N         TCP port to listen on (default 80)\n"
           "  --root DIR       folder the file commands serve (default: the current folder)\n"
           "  --registry FILE  settings store (default: $XDG_CONFIG_HOME/kelvane/registry.reg)\n"
           "  --headless       run without the status window\n"
           "  --help           show this text\n"
           "  --version        show the version\n";
}

CommandLineResult parseCommandLine(int argc, const char* const* argv) {
    CommandLineResult result;
    result.options.registryPath = platform::defaultRegistryFile();
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        auto needValue = [&](std::string& target) -> bool {
            if (i + 1 >= argc) {
                result.action = CommandLineAction::Invalid;
                result.error = std::string(argument) + " needs a value";
                return false;
            }
            target = argv[++i];
            return true;
        };
        if (argument == "--help" || argument == "-h") {
            result.action = CommandLineAction::ShowHelp;
            return result;
        }
        if (argument == "--version") {
            result.action = CommandLineAction::ShowVersion;
            return result;
        }
        if (argument == "--headless") {
            result.options.headless = true;
        } else if (argument == "--port") {
            std::string text;
            if (!needValue(text))
                return result;
            char* end = nullptr;
            long port = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || port < 0 || port > 65535) {
                result.action = CommandLineAction::Invalid;
                result.error = "--port needs a number from 0 to 65535";
                return result;
            }
            result.options.port = static_cast<uint16_t>(port);
        } else if (argument == "--root") {
            if (!needValue(result.options.rootFolder))
                return result;
        } else if (argument == "--registry") {
            if (!needValue(result.options.registryPath))
                return result;
        } else {
            result.action = CommandLineAction::Invalid;
            result.error = "unknown option " + std::string(argument);
            return result;
        }
    }
    return result;
}
