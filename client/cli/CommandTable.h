// The kelvane commands, their help texts, and the program's entry point.
#pragma once

#include "client/cli/CliContext.h"

#include <cstddef>
#include <cstdio>
#include <string_view>
#include <vector>

namespace kelvane::cli {

struct CliCommand {
    const char* name;
    const char* usage;   // arguments after the name
    const char* summary; // one line
    const char* details; // the rest of its --help
    size_t minArguments;
    size_t maxArguments;
    int (*run)(const CliContext&, const CliArguments&);
};

const std::vector<CliCommand>& cliCommands();
const CliCommand* findCliCommand(std::string_view name);

void printGeneralHelp(std::FILE* stream);
void printCommandHelp(const CliCommand& command, std::FILE* stream);

// The whole program: parses words (without the program name), runs the command, returns the exit
// status (0 success, 1 failed operation, 2 bad usage).
int runKelvane(const std::vector<std::string>& words, std::FILE* out, std::FILE* err, std::FILE* in);

} // namespace kelvane::cli
