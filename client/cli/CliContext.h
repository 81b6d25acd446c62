// What every kelvane command gets: the client, the standard streams, and the error report.
#pragma once

#include "client/cli/CliOptions.h"
#include "client/lib/CommandClient.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kelvane::cli {

struct CliContext {
    const client::CommandClient& client;
    std::string commandName;
    std::FILE* out;
    std::FILE* err;
    std::FILE* in;
    std::FILE* progress; // null when no progress is to be shown
    bool inputIsTerminal = false;

    // Prints "kelvane COMMAND: message" on standard error; returns EXIT_OPERATION_FAILED.
    int fail(const std::string& message) const {
        std::fprintf(err, "kelvane %s: %s\n", commandName.c_str(), message.c_str());
        return EXIT_OPERATION_FAILED;
    }
    // The same for an outcome that did not reach the protocol's answer.
    template <typename T>
    int failOutcome(const client::Outcome<T>& outcome) const {
        return fail(outcome.message.empty() ? client::describeClientError(outcome.error) : outcome.message);
    }
};

using CliArguments = std::vector<std::string>;

int runConfig(const CliContext& context, const CliArguments& arguments);
int runCheckPassword(const CliContext& context, const CliArguments& arguments);
int runList(const CliContext& context, const CliArguments& arguments);
int runGet(const CliContext& context, const CliArguments& arguments);
int runPut(const CliContext& context, const CliArguments& arguments);
int runRemoveFile(const CliContext& context, const CliArguments& arguments);
int runRemoveFolder(const CliContext& context, const CliArguments& arguments);
int runMakeFolder(const CliContext& context, const CliArguments& arguments);
int runMove(const CliContext& context, const CliArguments& arguments);
int runDiskSpace(const CliContext& context, const CliArguments& arguments);

} // namespace kelvane::cli
