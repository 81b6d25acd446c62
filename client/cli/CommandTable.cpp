// The table of kelvane commands, help output and the dispatch of one invocation.
#include "client/cli/CommandTable.h"

#include "client/cli/ProgressMeter.h"

#include <unistd.h>

namespace kelvane::cli {

const std::vector<CliCommand>& cliCommands() {
    static const std::vector<CliCommand> commands = {
        {"config", "", "show the server's settings",
         "Shows whether the server asks for a password and the initial folders it suggests.", 0, 0,
         runConfig},
        {"check-password", "[PASSWORD]", "compare a password with the server's",
         "Compares PASSWORD with the password stored on the server (letter case counts; only the first\n"
         "29 bytes take part). Without PASSWORD, one line is read from standard input (without echo on a\n"
         "terminal). Exit status 0 when it matches, 1 when it does not.",
         0, 1, runCheckPassword},
        {"ls", "[PATH]", "list a folder",
         "Lists the folder PATH on the server (the top folder when PATH is left out): kind (d for a\n"
         "folder), size in bytes, last change (local time) and name. Hidden and system entries are not\n"
         "listed. A missing folder lists as empty.",
         0, 1, runList},
        {"get", "REMOTE [LOCAL]", "download a file",
         "Downloads the file REMOTE into LOCAL (default: its name, in the current folder; a LOCAL folder\n"
         "receives the file under its name). The size is learnt by listing REMOTE's folder, and a\n"
         "download that yields fewer bytes is reported as a failure; an existing LOCAL is only\n"
         "replaced by a complete download. Shows a progress bar when standard error is a terminal.",
         1, 2, runGet},
        {"put", "LOCAL REMOTE", "upload a file",
         "Uploads the local file LOCAL as REMOTE (a REMOTE ending in \\ or / receives LOCAL's name).\n"
         "An existing REMOTE is replaced. Shows a progress bar when standard error is a terminal.",
         2, 2, runPut},
        {"rm", "PATH", "delete a file",
         "Deletes the file PATH on the server. Folders are removed with rmdir.", 1, 1, runRemoveFile},
        {"rmdir", "PATH", "delete a folder with everything in it",
         "Deletes the folder PATH on the server together with all the files and folders inside it.", 1, 1,
         runRemoveFolder},
        {"mkdir", "PATH", "create a folder",
         "Creates the folder PATH on the server. Its parent folder must exist; an existing file or\n"
         "folder of that name is reported as a failure.",
         1, 1, runMakeFolder},
        {"mv", "SOURCE DESTINATION", "move or rename a file or folder",
         "Moves or renames SOURCE to DESTINATION on the server. Fails when DESTINATION exists.", 2, 2,
         runMove},
        {"df", "[PATH]", "show free disk space",
         "Shows the free space available on the server's volume that holds PATH (default: the top folder).",
         0, 1, runDiskSpace},
    };
    return commands;
}

const CliCommand* findCliCommand(std::string_view name) {
    for (const CliCommand& command : cliCommands()) {
        if (name == command.name)
            return &command;
    }
    return nullptr;
}

void printGeneralHelp(std::FILE* stream) {
    std::fprintf(stream, "Usage: kelvane [--host HOST] [--port N] [--timeout SECONDS] COMMAND [ARGUMENTS]\n\n"
                         "Talks to a Kelvane server (default 127.0.0.1, port 80).\n\nCommands:\n");
    for (const CliCommand& command : cliCommands())
        std::fprintf(stream, "  %-15s %s\n", command.name, command.summary);
    std::fprintf(stream, "\nServer paths use \\ or / between folders; the empty path is the top folder.\n"
                         "\"kelvane COMMAND --help\" tells more about a command. Exit status: 0 success,\n"
                         "1 failed operation, 2 bad usage.\n");
}

void printCommandHelp(const CliCommand& command, std::FILE* stream) {
    std::fprintf(stream, "Usage: kelvane [--host HOST] [--port N] [--timeout SECONDS] %s%s%s\n\n%s\n",
                 command.name, command.usage[0] ? " " : "", command.usage, command.details);
}

int runKelvane(const std::vector<std::string>& words, std::FILE* out, std::FILE* err, std::FILE* in) {
    CliParse parse = parseCommandLine(words);
    if (!parse.ok) {
        std::fprintf(err, "kelvane: %s\n(\"kelvane --help\" lists the commands and options)\n",
                     parse.problem.c_str());
        return EXIT_BAD_USAGE;
    }
    const CliInvocation& invocation = parse.invocation;
    if (invocation.command.empty() || invocation.command == "help") {
        const CliCommand* about =
            invocation.arguments.empty() ? nullptr : findCliCommand(invocation.arguments[0]);
        if (about) {
            printCommandHelp(*about, out);
            return EXIT_SUCCEEDED;
        }
        bool asked = invocation.help || invocation.command == "help";
        printGeneralHelp(asked ? out : err);
        return asked ? EXIT_SUCCEEDED : EXIT_BAD_USAGE;
    }
    const CliCommand* command = findCliCommand(invocation.command);
    if (!command) {
        std::fprintf(err, "kelvane: unknown command \"%s\"\n(\"kelvane --help\" lists the commands)\n",
                     invocation.command.c_str());
        return EXIT_BAD_USAGE;
    }
    if (invocation.help) {
        printCommandHelp(*command, out);
        return EXIT_SUCCEEDED;
    }
    size_t count = invocation.arguments.size();
    if (count < command->minArguments || count > command->maxArguments) {
        std::fprintf(err, "kelvane %s: %s\n", command->name,
                     count < command->minArguments ? "missing arguments" : "too many arguments");
        printCommandHelp(*command, err);
        return EXIT_BAD_USAGE;
    }
    client::CommandClient client(invocation.client);
    CliContext context{client,
                       command->name,
                       out,
                       err,
                       in,
                       err == stderr ? progressTerminal() : nullptr,
                       in == stdin && ::isatty(STDIN_FILENO)};
    return command->run(context, invocation.arguments);
}

} // namespace kelvane::cli
