// The protocol client's commands over one connection each.
#include "client/lib/CommandClient.h"

#include "client/lib/ClientSocket.h"
#include "client/lib/FileStreams.h"
#include "client/lib/WireFormat.h"

#include <memory>
#include <type_traits>

namespace kelvane::client {

namespace {

// Transfers move through one buffer of this size, whatever the file's size.
constexpr size_t TRANSFER_BUFFER_SIZE = 64 * 1024;

std::string hostHeaderValue(const std::string& host, uint16_t port) {
    bool ipv6Literal = host.find(':') != std::string::npos;
    return (ipv6Literal ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

template <typename To, typename From>
Outcome<To> carryFailure(Outcome<From>&& from) {
    Outcome<To> to;
    to.error = from.error;
    to.message = std::move(from.message);
    to.header = std::move(from.header);
    return to;
}

// An outcome that ends before any reply arrived, so it has no header.
template <typename T>
Outcome<T> failure(ClientError error, std::string message) {
    Outcome<T> outcome;
    outcome.error = error;
    outcome.message = std::move(message);
    return outcome;
}

template <typename T>
Outcome<T> badArgument(std::string message) {
    return failure<T>(ClientError::BadArgument, std::move(message));
}

std::string wordCountText(size_t expected, size_t received) {
    return "the reply body has " + std::to_string(received) + " bytes where " + std::to_string(expected) +
           " were expected";
}

// The typed outcome of a fixed-size reply: its failure carried over, or its bytes turned into the
// value by decode, which reads exactly as many bytes as the reply was required to have.
template <typename Decode>
Outcome<std::invoke_result_t<Decode, const char*>> decodeReply(Outcome<std::string>&& reply, Decode decode) {
    using Value = std::invoke_result_t<Decode, const char*>;
    if (!reply.ok())
        return carryFailure<Value>(std::move(reply));
    Outcome<Value> outcome;
    outcome.header = std::move(reply.header);
    outcome.value = decode(reply.value.data());
    return outcome;
}

} // namespace

struct CommandClient::Exchange {
    ClientError error = ClientError::None;
    std::string message;
    ReplyHeader header;
    uint64_t bodyBytes = 0;

    // Upload streaming, when source is set.
    const ByteSource* source = nullptr;
    uint64_t sourceSize = 0;
    uint64_t sourceSent = 0;
    bool serverStoppedReading = false;

    void fail(ClientError kind, std::string text) {
        if (error == ClientError::None) {
            error = kind;
            message = std::move(text);
        }
    }
};

void CommandClient::run(Exchange& exchange, int32_t commandId, std::optional<int64_t> contentLength,
                        std::string_view firstBody, const BodyConsumer& onBody) const {
    ClientSocket socket;
    if (!socket.connectTo(options.host, options.port, options.timeoutMilliseconds)) {
        exchange.fail(ClientError::ConnectFailed, socket.lastProblem());
        return;
    }

    std::string request = "POST / HTTP/1.1\r\nHost: " + hostHeaderValue(options.host, options.port) +
                          "\r\nCommand-ID: " + std::to_string(commandId) + "\r\n";
    if (contentLength)
        request += "Content-Length: " + std::to_string(*contentLength) + "\r\n";
    request += "\r\n";
    request += firstBody;

    // A send failure is remembered but the reply is still read: a server that gave up on the
    // request may have answered before it closed.
    std::optional<std::pair<ClientError, std::string>> sendProblem;
    auto noteSend = [&](ClientSocket::Status status) {
        if (status == ClientSocket::Status::ReplyArrived)
            exchange.serverStoppedReading = true;
        else if (status == ClientSocket::Status::TimedOut)
            sendProblem.emplace(ClientError::TimedOut, socket.lastProblem());
        else if (status == ClientSocket::Status::Failed)
            sendProblem.emplace(ClientError::SendFailed, socket.lastProblem());
        return status == ClientSocket::Status::Done;
    };

    bool sending = noteSend(socket.sendAll(request, true));
    if (sending && exchange.source) {
        auto buffer = std::make_unique<char[]>(TRANSFER_BUFFER_SIZE);
        while (sending && exchange.sourceSent < exchange.sourceSize) {
            uint64_t wanted =
                std::min<uint64_t>(TRANSFER_BUFFER_SIZE, exchange.sourceSize - exchange.sourceSent);
            int64_t produced = (*exchange.source)(buffer.get(), static_cast<size_t>(wanted));
            if (produced <= 0 || static_cast<uint64_t>(produced) > wanted) {
                exchange.fail(
                    ClientError::LocalFailure,
                    (produced == 0 ? "the local data ended after " : "reading the local data failed after ") +
                        std::to_string(exchange.sourceSent) + " of " + std::to_string(exchange.sourceSize) +
                        " bytes");
                // Closing our side tells the server the body is over, so it answers at once
                // instead of waiting for bytes that never come.
                socket.shutdownSending();
                break;
            }
            sending =
                noteSend(socket.sendAll(std::string_view(buffer.get(), static_cast<size_t>(produced)), true));
            if (sending)
                exchange.sourceSent += static_cast<uint64_t>(produced);
        }
    }

    ReplyHeaderParser parser;
    auto buffer = std::make_unique<char[]>(TRANSFER_BUFFER_SIZE);
    uint64_t received = 0;
    for (;;) {
        size_t count = 0;
        ClientSocket::Status status = socket.receiveSome(buffer.get(), TRANSFER_BUFFER_SIZE, count);
        if (status == ClientSocket::Status::Closed)
            break;
        if (status != ClientSocket::Status::Done) {
            if (sendProblem)
                exchange.fail(sendProblem->first, sendProblem->second);
            exchange.fail(status == ClientSocket::Status::TimedOut ? ClientError::TimedOut
                                                                   : ClientError::ReceiveFailed,
                          socket.lastProblem());
            exchange.header = parser.takeHeader();
            return;
        }
        received += count;
        size_t used = 0;
        if (parser.state() == ReplyHeaderParser::State::Incomplete) {
            used = parser.feed(buffer.get(), count);
            if (parser.state() == ReplyHeaderParser::State::Malformed) {
                exchange.fail(ClientError::MalformedReply, parser.problem());
                exchange.header = parser.takeHeader();
                return;
            }
            if (parser.state() == ReplyHeaderParser::State::Complete && parser.header().status != 200) {
                exchange.fail(ClientError::MalformedReply,
                              "the server answered with status " + std::to_string(parser.header().status));
                exchange.header = parser.takeHeader();
                return;
            }
        }
        if (parser.state() == ReplyHeaderParser::State::Complete && used < count) {
            exchange.bodyBytes += count - used;
            if (!onBody(buffer.get() + used, count - used)) {
                exchange.fail(ClientError::LocalFailure, "the received data could not be stored");
                exchange.header = parser.takeHeader();
                return;
            }
        }
    }

    exchange.header = parser.takeHeader();
    if (received == 0) {
        if (sendProblem)
            exchange.fail(sendProblem->first, sendProblem->second);
        exchange.fail(ClientError::NoReply, "the server closed the connection without replying");
    } else if (parser.state() != ReplyHeaderParser::State::Complete) {
        exchange.fail(ClientError::ShortReply, "the reply ended inside its header");
    }
}

Outcome<std::string> CommandClient::sendRaw(const RawRequest& request) const {
    Exchange exchange;
    Outcome<std::string> outcome;
    bool tooLong = false;
    run(exchange, request.commandId, request.contentLength, request.body, [&](const char* data, size_t size) {
        size_t room = request.maxReplyBytes - outcome.value.size();
        if (size > room) {
            tooLong = true;
            return false;
        }
        outcome.value.append(data, size);
        return true;
    });
    if (tooLong) {
        exchange.error = ClientError::MalformedReply;
        exchange.message = "the reply is longer than " + std::to_string(request.maxReplyBytes) + " bytes";
    }
    outcome.error = exchange.error;
    outcome.message = std::move(exchange.message);
    outcome.header = std::move(exchange.header);
    return outcome;
}

Outcome<std::string> CommandClient::fixedReply(Command command, std::string_view body,
                                               size_t maxBytes) const {
    RawRequest request;
    request.commandId = static_cast<int32_t>(command);
    request.body = std::string(body);
    request.contentLength = static_cast<int64_t>(body.size());
    request.maxReplyBytes = maxBytes;
    return sendRaw(request);
}

Outcome<std::string> CommandClient::exactReply(Command command, std::string_view body,
                                               size_t replyBytes) const {
    // A longer reply has already been refused while it arrived.
    auto reply = fixedReply(command, body, replyBytes);
    if (reply.ok() && reply.value.size() != replyBytes) {
        reply.error = ClientError::ShortReply;
        reply.message = wordCountText(replyBytes, reply.value.size());
    }
    return reply;
}

Outcome<Configuration> CommandClient::getConfiguration() const {
    // Two words and two paths of at most 259 bytes each, with room to spare for a lenient reading.
    auto reply = fixedReply(Command::GetConfigure, "", 4096);
    if (!reply.ok())
        return carryFailure<Configuration>(std::move(reply));
    Outcome<Configuration> outcome;
    outcome.header = std::move(reply.header);
    std::string_view body = reply.value;
    if (body.size() < 10) {
        outcome.error = ClientError::ShortReply;
        outcome.message = "the configuration reply has only " + std::to_string(body.size()) + " bytes";
        return outcome;
    }
    outcome.value.firstWord = decodeWord(body.data());
    outcome.value.usePasswordWord = decodeWord(body.data() + 4);
    body.remove_prefix(8);
    std::optional<std::string> desktop = takeNarrowString(body);
    std::optional<std::string> pocketPc = desktop ? takeNarrowString(body) : std::nullopt;
    if (!pocketPc) {
        outcome.error = ClientError::ShortReply;
        outcome.message = "the configuration reply ends inside its paths";
        return outcome;
    }
    if (!body.empty()) {
        outcome.error = ClientError::MalformedReply;
        outcome.message =
            "the configuration reply has " + std::to_string(body.size()) + " bytes after its paths";
        return outcome;
    }
    outcome.value.desktopInitPath = std::move(*desktop);
    outcome.value.pocketPcInitPath = std::move(*pocketPc);
    return outcome;
}

Outcome<PasswordComparison> CommandClient::checkPassword(std::string_view password) const {
    std::string problem;
    std::optional<std::string> line = encodeTextLine(password, &problem);
    if (!line)
        return badArgument<PasswordComparison>(problem);
    return decodeReply(exactReply(Command::CheckPassword, *line, 4), [](const char* bytes) {
        return PasswordComparison{static_cast<int32_t>(decodeWord(bytes))};
    });
}

Outcome<ListingSummary> CommandClient::listFolder(std::string_view path,
                                                  const FolderListingParser::EntryCallback& onEntry) const {
    std::string problem;
    std::optional<std::string> line = encodePathLine(path, &problem);
    if (!line)
        return badArgument<ListingSummary>(problem);
    FolderListingParser parser(onEntry);
    Exchange exchange;
    run(exchange, static_cast<int32_t>(Command::ListFolder), static_cast<int64_t>(line->size()), *line,
        [&](const char* data, size_t size) { return parser.feed(data, size); });
    Outcome<ListingSummary> outcome;
    outcome.header = std::move(exchange.header);
    outcome.value.entryCount = parser.entryCount();
    if (parser.malformed()) {
        outcome.error = ClientError::MalformedReply;
        outcome.message = "a listing record has a name longer than " +
                          std::to_string(FolderListingParser::MAX_NAME_LENGTH) + " bytes";
    } else if (exchange.error != ClientError::None) {
        outcome.error = exchange.error;
        outcome.message = std::move(exchange.message);
    } else if (!parser.endsCleanly()) {
        outcome.error = ClientError::ShortReply;
        outcome.message = "the listing ended inside a record";
    }
    return outcome;
}

Outcome<std::vector<FolderEntry>> CommandClient::listFolder(std::string_view path) const {
    std::vector<FolderEntry> entries;
    auto summary = listFolder(path, [&](const FolderEntry& entry) { entries.push_back(entry); });
    Outcome<std::vector<FolderEntry>> outcome = carryFailure<std::vector<FolderEntry>>(std::move(summary));
    outcome.value = std::move(entries);
    return outcome;
}

Outcome<DownloadSummary> CommandClient::downloadFile(std::string_view remotePath,
                                                     const ByteSink& sink) const {
    std::string problem;
    std::optional<std::string> line = encodePathLine(remotePath, &problem);
    if (!line)
        return badArgument<DownloadSummary>(problem);
    Exchange exchange;
    run(exchange, static_cast<int32_t>(Command::DownloadFile), static_cast<int64_t>(line->size()), *line,
        sink);
    Outcome<DownloadSummary> outcome;
    outcome.error = exchange.error;
    outcome.message = std::move(exchange.message);
    outcome.header = std::move(exchange.header);
    outcome.value.bytes = exchange.bodyBytes;
    return outcome;
}

Outcome<DownloadSummary> CommandClient::downloadFile(std::string_view remotePath,
                                                     const std::string& localPath) const {
    OutputFile file;
    if (!file.open(localPath))
        return failure<DownloadSummary>(ClientError::LocalFailure, file.problem());
    auto outcome =
        downloadFile(remotePath, [&](const char* data, size_t size) { return file.write(data, size); });
    bool closed = file.close();
    if (outcome.error == ClientError::LocalFailure || (outcome.ok() && !closed)) {
        outcome.error = ClientError::LocalFailure;
        outcome.message = file.problem();
    }
    return outcome;
}

Outcome<UploadReply> CommandClient::uploadFile(std::string_view remotePath, uint64_t size,
                                               const ByteSource& source) const {
    std::string problem;
    std::optional<std::string> line = encodePathLine(remotePath, &problem);
    if (!line)
        return badArgument<UploadReply>(problem);
    if (size > static_cast<uint64_t>(INT64_MAX) - line->size())
        return badArgument<UploadReply>("the upload is larger than a content length can announce");
    Exchange exchange;
    exchange.source = &source;
    exchange.sourceSize = size;
    std::string body;
    bool tooLong = false;
    run(exchange, static_cast<int32_t>(Command::UploadFile), static_cast<int64_t>(line->size() + size), *line,
        [&](const char* data, size_t count) {
            // A word is 4 bytes; anything far beyond that is not an upload reply.
            tooLong = body.size() + count > 64;
            if (!tooLong)
                body.append(data, count);
            return !tooLong;
        });
    if (tooLong) {
        exchange.error = ClientError::MalformedReply;
        exchange.message = "the upload reply is longer than a word";
    }
    Outcome<UploadReply> outcome;
    outcome.header = std::move(exchange.header);
    outcome.value.bytesSent = exchange.sourceSent;
    outcome.value.serverStoppedReading = exchange.serverStoppedReading;
    if (body.size() >= 4)
        outcome.value.word = decodeWord(body.data());
    outcome.error = exchange.error;
    outcome.message = std::move(exchange.message);
    if (outcome.ok() && body.size() != 4) {
        outcome.error = body.size() < 4 ? ClientError::ShortReply : ClientError::MalformedReply;
        outcome.message = wordCountText(4, body.size());
    }
    return outcome;
}

Outcome<UploadReply> CommandClient::uploadFile(std::string_view remotePath,
                                               const std::string& localPath) const {
    InputFile file;
    if (!file.open(localPath))
        return failure<UploadReply>(ClientError::LocalFailure, file.problem());
    auto outcome = uploadFile(remotePath, file.size(),
                              [&](char* buffer, size_t capacity) { return file.read(buffer, capacity); });
    if (outcome.error == ClientError::LocalFailure && !file.problem().empty())
        outcome.message = file.problem();
    return outcome;
}

Outcome<ResultReply> CommandClient::resultCommand(Command command, std::string_view path) const {
    std::string problem;
    std::optional<std::string> line = encodePathLine(path, &problem);
    if (!line)
        return badArgument<ResultReply>(problem);
    return decodeReply(exactReply(command, *line, 4),
                       [](const char* bytes) { return ResultReply{decodeWord(bytes)}; });
}

Outcome<ResultReply> CommandClient::deleteFile(std::string_view path) const {
    return resultCommand(Command::DeleteFile, path);
}

Outcome<ResultReply> CommandClient::deleteFolder(std::string_view path) const {
    return resultCommand(Command::DeleteFolder, path);
}

Outcome<ResultReply> CommandClient::createFolder(std::string_view path) const {
    return resultCommand(Command::CreateFolder, path);
}

Outcome<DiskSpace> CommandClient::checkDiskSpace(std::string_view path) const {
    std::string problem;
    std::optional<std::string> line = encodePathLine(path, &problem);
    if (!line)
        return badArgument<DiskSpace>(problem);
    return decodeReply(exactReply(Command::CheckDiskSpace, *line, 8),
                       [](const char* bytes) { return DiskSpace{decodeLittleEndian64(bytes)}; });
}

Outcome<MoveReply> CommandClient::moveItem(std::string_view source, std::string_view destination) const {
    std::string problem;
    std::optional<std::string> sourceLine = encodePathLine(source, &problem);
    std::optional<std::string> destinationLine =
        sourceLine ? encodePathLine(destination, &problem) : std::nullopt;
    if (!destinationLine)
        return badArgument<MoveReply>(problem);
    return decodeReply(exactReply(Command::Move, *sourceLine + *destinationLine, 4),
                       [](const char* bytes) { return MoveReply{decodeWord(bytes)}; });
}

} // namespace kelvane::client
