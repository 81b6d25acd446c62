// kelvane get and put: streamed transfers with a progress bar and plain-word failure reports.
#include "client/cli/CliContext.h"
#include "client/cli/ProgressMeter.h"
#include "client/cli/RemotePath.h"
#include "client/lib/FileStreams.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>

namespace kelvane::cli {

namespace {
bool isLocalFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}
} // namespace

int runGet(const CliContext& context, const CliArguments& arguments) {
    const std::string& remote = arguments[0];
    RemotePathParts parts = splitRemotePath(remote);
    if (parts.name.empty())
        return context.fail(quoted(remote) + " names a folder; get downloads a file");

    // The download itself does not announce its length, so the listing of the folder tells how
    // many bytes a complete download has.
    std::optional<client::FolderEntry> listed;
    auto listing = context.client.listFolder(parts.parent, [&](const client::FolderEntry& entry) {
        if (entry.name == parts.name)
            listed = entry;
    });
    if (!listing.ok())
        return context.failOutcome(listing);
    if (listed && listed->isFolder())
        return context.fail(quoted(remote) + " is a folder; get downloads a file");

    std::string local = arguments.size() > 1 ? arguments[1] : parts.name;
    if (isLocalFolder(local))
        local += "/" + parts.name;
    // The download goes into a side file first, so that a failed one never replaces a good file.
    std::string partial = local + ".kelvane-part";
    client::OutputFile file;
    if (!file.open(partial))
        return context.fail(file.problem());

    ProgressMeter meter(context.progress, parts.name,
                        listed ? std::optional<uint64_t>(listed->size) : std::nullopt);
    auto outcome = context.client.downloadFile(remote, [&](const char* data, size_t size) {
        if (!file.write(data, size))
            return false;
        meter.advance(size);
        return true;
    });
    bool stored = file.close();
    meter.finish();

    auto failAndClean = [&](const std::string& message) {
        std::remove(partial.c_str());
        return context.fail(message);
    };
    if (outcome.error == client::ClientError::LocalFailure || (outcome.ok() && !stored))
        return failAndClean(file.problem());
    if (!outcome.ok())
        return failAndClean("the download of " + quoted(remote) + " broke off after " +
                            std::to_string(outcome.value.bytes) + " bytes: " + outcome.message);
    if (listed && outcome.value.bytes < listed->size)
        return failAndClean("the download of " + quoted(remote) + " produced " +
                            std::to_string(outcome.value.bytes) + " bytes, but the listing announced " +
                            std::to_string(listed->size) + " bytes");
    if (!listed && outcome.value.bytes == 0)
        return failAndClean(quoted(remote) + " was not found on the server");
    if (std::rename(partial.c_str(), local.c_str()) != 0)
        return failAndClean("cannot store the download as " + local + ": " + std::strerror(errno));
    return EXIT_SUCCEEDED;
}

int runPut(const CliContext& context, const CliArguments& arguments) {
    const std::string& local = arguments[0];
    std::string remote = arguments[1];
    if (namesFolder(remote))
        remote += localBaseName(local);

    client::InputFile file;
    if (!file.open(local))
        return context.fail(file.problem());
    ProgressMeter meter(context.progress, localBaseName(local), file.size());
    auto outcome = context.client.uploadFile(remote, file.size(), [&](char* buffer, size_t capacity) {
        int64_t count = file.read(buffer, capacity);
        if (count > 0)
            meter.advance(static_cast<uint64_t>(count));
        return count;
    });
    meter.finish();

    if (outcome.error == client::ClientError::LocalFailure) {
        std::string why = file.problem().empty() ? outcome.message : file.problem();
        return context.fail(quoted(local) + " could not be read to its end (" + why +
                            "); the server keeps only the bytes it received");
    }
    if (!outcome.ok())
        return context.fail("the upload of " + quoted(local) + " broke off after " +
                            std::to_string(outcome.value.bytesSent) + " bytes: " + outcome.message);
    if (!outcome.value.stored())
        return context.fail("the server could not store " + quoted(remote) +
                            ": its folder is missing or the file cannot be written");
    if (outcome.value.serverStoppedReading)
        return context.fail("the server stopped reading after " + std::to_string(outcome.value.bytesSent) +
                            " of " + std::to_string(file.size()) + " bytes");
    return EXIT_SUCCEEDED;
}

} // namespace kelvane::cli
