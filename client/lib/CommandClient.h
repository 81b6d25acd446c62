// The protocol client: one connection per command, typed results, transfers streamed in fixed pieces.
#pragma once

#include "client/lib/ClientError.h"
#include "client/lib/FolderListingParser.h"
#include "client/lib/ProtocolNumbers.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::client {

struct ClientOptions {
    std::string host = "127.0.0.1";
    uint16_t port = 80;
    // Bounds every wait without progress: connecting, each send, each receive. The server's own
    // waits are 30 s, so a larger value never cuts off an answer it is still going to give.
    int timeoutMilliseconds = 60000;
};

// Get Configure.
struct Configuration {
    uint32_t firstWord = 0;       // always 1 from a conforming server
    uint32_t usePasswordWord = 0; // 1 when the client is to ask for the password
    std::string desktopInitPath;
    std::string pocketPcInitPath;

    bool usePassword() const { return usePasswordWord != 0; }
};

// Password check: 0 when equal, otherwise the sign of the byte-wise comparison.
struct PasswordComparison {
    int32_t word = 0;
    bool matches() const { return word == 0; }
};

struct ListingSummary {
    size_t entryCount = 0;
};

struct DownloadSummary {
    uint64_t bytes = 0; // file bytes received; a missing file and an empty one both give 0
};

struct UploadReply {
    uint32_t word = 0;                 // 0 when every write on the server succeeded, 1 when one failed
    uint64_t bytesSent = 0;            // file bytes sent
    bool serverStoppedReading = false; // the server answered before taking the whole body

    bool stored() const { return word == 0; }
};

struct ResultReply {
    uint32_t word = 0; // a ResultWord value from a conforming server

    bool is(ResultWord expected) const { return word == static_cast<uint32_t>(expected); }
};

struct DiskSpace {
    uint64_t freeBytes = 0;
};

struct MoveReply {
    uint32_t word = 0; // 1 moved, 0 not moved
    bool moved() const { return word == 1; }
};

// Any request, for exchanges that the typed commands do not make (a missing Content-Length,
// a body longer than announced). The reply body is collected whole, up to maxReplyBytes.
struct RawRequest {
    int32_t commandId = 0;
    std::string body;
    std::optional<int64_t> contentLength; // nullopt: no Content-Length header
    size_t maxReplyBytes = 16 * 1024 * 1024;
};

// Receives downloaded bytes in order; returns false to stop (for example a local write failed).
using ByteSink = std::function<bool(const char* data, size_t size)>;
// Fills buffer with up to capacity upload bytes; returns the count, 0 at the end, -1 on failure.
using ByteSource = std::function<int64_t(char* buffer, size_t capacity)>;

class CommandClient {
  public:
    explicit CommandClient(ClientOptions clientOptions) : options(std::move(clientOptions)) {}

    Outcome<Configuration> getConfiguration() const;
    Outcome<PasswordComparison> checkPassword(std::string_view password) const;

    // Entries are handed to onEntry as they arrive; nothing of the listing is kept.
    Outcome<ListingSummary> listFolder(std::string_view path,
                                       const FolderListingParser::EntryCallback& onEntry) const;
    Outcome<std::vector<FolderEntry>> listFolder(std::string_view path) const;

    Outcome<DownloadSummary> downloadFile(std::string_view remotePath, const ByteSink& sink) const;
    // Writes the download into localPath (created or replaced).
    Outcome<DownloadSummary> downloadFile(std::string_view remotePath, const std::string& localPath) const;

    // Sends exactly size bytes taken from source. When the source ends early or fails, the
    // connection's sending side is closed so that the server stores what it got and answers;
    // the outcome is then a LocalFailure.
    Outcome<UploadReply> uploadFile(std::string_view remotePath, uint64_t size,
                                    const ByteSource& source) const;
    Outcome<UploadReply> uploadFile(std::string_view remotePath, const std::string& localPath) const;

    Outcome<ResultReply> deleteFile(std::string_view path) const;
    Outcome<ResultReply> deleteFolder(std::string_view path) const;
    Outcome<ResultReply> createFolder(std::string_view path) const;
    Outcome<DiskSpace> checkDiskSpace(std::string_view path) const;
    Outcome<MoveReply> moveItem(std::string_view source, std::string_view destination) const;

    Outcome<std::string> sendRaw(const RawRequest& request) const;

    const ClientOptions& clientOptions() const { return options; }

  private:
    struct Exchange;
    using BodyConsumer = std::function<bool(const char* data, size_t size)>;

    // Connects, sends the request head and firstBody, then streamSource's bytes (when given),
    // and reads the reply: the header into the exchange, the body into onBody.
    void run(Exchange& exchange, int32_t commandId, std::optional<int64_t> contentLength,
             std::string_view firstBody, const BodyConsumer& onBody) const;
    Outcome<std::string> fixedReply(Command command, std::string_view body, size_t expectedBytes) const;
    // A reply body of exactly replyBytes; a shorter one is a ShortReply, a longer one malformed.
    Outcome<std::string> exactReply(Command command, std::string_view body, size_t replyBytes) const;
    Outcome<ResultReply> resultCommand(Command command, std::string_view path) const;

    ClientOptions options;
};

} // namespace kelvane::client
