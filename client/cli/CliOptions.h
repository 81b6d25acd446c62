// The kelvane command line: global options, the command and its arguments.
#pragma once

#include "client/lib/CommandClient.h"

#include <string>
#include <vector>

namespace kelvane::cli {

inline constexpr int EXIT_SUCCEEDED = 0;
inline constexpr int EXIT_OPERATION_FAILED = 1;
inline constexpr int EXIT_BAD_USAGE = 2;

struct CliInvocation {
    client::ClientOptions client;
    std::string command; // empty when none was given
    std::vector<std::string> arguments;
    bool help = false; // --help was given (for the command when there is one)
};

struct CliParse {
    bool ok = false;
    std::string problem; // what is wrong with the command line, when not ok
    CliInvocation invocation;
};

// Options may stand anywhere before "--": --host HOST, --port N, --timeout SECONDS (each also as
// --name=value) and --help or -h. The first other word is the command, the rest its arguments.
CliParse parseCommandLine(const std::vector<std::string>& words);

} // namespace kelvane::cli
