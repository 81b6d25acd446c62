// The command line of kelvane-server.
#pragma once

#include "server/ui/ServerApp.h"

#include <string>

enum class CommandLineAction { Run, ShowHelp, ShowVersion, Invalid };

struct CommandLineResult {
    CommandLineAction action = CommandLineAction::Run;
    ServerOptions options;
    std::string error;
};

CommandLineResult parseCommandLine(int argc, const char* const* argv);

const char* commandLineHelp();
