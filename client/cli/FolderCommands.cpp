// kelvane ls, rm, rmdir, mkdir, mv and df.
#include "client/cli/CliContext.h"
#include "client/cli/HumanUnits.h"

#include <cinttypes>
#include <ctime>

namespace kelvane::cli {

namespace {
using client::ResultWord;

std::string localTimeText(const client::FolderEntry& entry) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(entry.lastWrite());
    std::tm parts{};
    char text[32] = "?";
    if (::localtime_r(&seconds, &parts))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
    return text;
}

std::string unexpectedWord(uint32_t word) {
    return "the server answered with the unexpected result word " + std::to_string(word);
}

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// The exit status of a delete: the server answers Ok or Failed, and any other word is unexpected.
int deleteResult(const CliContext& context, const client::Outcome<client::ResultReply>& outcome,
                 const std::string& failedText) {
    if (!outcome.ok())
        return context.failOutcome(outcome);
    if (outcome.value.is(ResultWord::Ok))
        return EXIT_SUCCEEDED;
    if (outcome.value.is(ResultWord::Failed))
        return context.fail(failedText);
    return context.fail(unexpectedWord(outcome.value.word));
}
} // namespace

int runList(const CliContext& context, const CliArguments& arguments) {
    std::string path = arguments.empty() ? "" : arguments[0];
    auto outcome = context.client.listFolder(path, [&](const client::FolderEntry& entry) {
        std::fprintf(context.out, "%c %15" PRIu64 "  %s  %s\n", entry.isFolder() ? 'd' : '-', entry.size,
                     localTimeText(entry).c_str(), entry.name.c_str());
    });
    if (!outcome.ok())
        return context.failOutcome(outcome);
    return EXIT_SUCCEEDED;
}

int runRemoveFile(const CliContext& context, const CliArguments& arguments) {
    return deleteResult(context, context.client.deleteFile(arguments[0]),
                        "cannot delete " + quoted(arguments[0]) +
                            ": no such file, or it is a folder or protected");
}

int runRemoveFolder(const CliContext& context, const CliArguments& arguments) {
    return deleteResult(context, context.client.deleteFolder(arguments[0]),
                        "cannot delete the folder " + quoted(arguments[0]) +
                            ": no such folder, or something inside it could not be deleted");
}

int runMakeFolder(const CliContext& context, const CliArguments& arguments) {
    auto outcome = context.client.createFolder(arguments[0]);
    if (!outcome.ok())
        return context.failOutcome(outcome);
    const std::string name = quoted(arguments[0]);
    if (outcome.value.is(ResultWord::Ok))
        return EXIT_SUCCEEDED;
    if (outcome.value.is(ResultWord::ExistsFolder))
        return context.fail(name + " already exists as a folder");
    if (outcome.value.is(ResultWord::ExistsFile))
        return context.fail(name + " already exists as a file");
    if (outcome.value.is(ResultWord::Failed))
        return context.fail("cannot create " + name + ": its parent folder is missing or protected");
    return context.fail(unexpectedWord(outcome.value.word));
}

int runMove(const CliContext& context, const CliArguments& arguments) {
    auto outcome = context.client.moveItem(arguments[0], arguments[1]);
    if (!outcome.ok())
        return context.failOutcome(outcome);
    if (outcome.value.moved())
        return EXIT_SUCCEEDED;
    if (outcome.value.word == 0)
        return context.fail("cannot move " + quoted(arguments[0]) + " to " + quoted(arguments[1]) +
                            ": the source is missing or the destination exists");
    return context.fail(unexpectedWord(outcome.value.word));
}

int runDiskSpace(const CliContext& context, const CliArguments& arguments) {
    std::string path = arguments.empty() ? "" : arguments[0];
    auto outcome = context.client.checkDiskSpace(path);
    if (!outcome.ok())
        return context.failOutcome(outcome);
    std::fprintf(context.out, "%" PRIu64 " bytes free (%s)\n", outcome.value.freeBytes,
                 formatBytes(outcome.value.freeBytes).c_str());
    return EXIT_SUCCEEDED;
}

} // namespace kelvane::cli
