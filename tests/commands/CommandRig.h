// Runs one command in-process on a Connection over a socket pair and collects what a client sees.
#pragma once

#include "server/commands/CommandHandler.h"
#include "server/net/Connection.h"
#include "server/ui/ServerApp.h"
#include "tests/support/TemporaryFolder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the test's client does on its end of the connection.
struct ClientScript {
    std::string bytes;                    // sent after the (already parsed) header block
    bool closeAfterSending = false;       // ends its sending side once the bytes are out
    size_t closeAfterReading = SIZE_MAX;  // closes the connection once it has read this many bytes
    std::optional<int64_t> contentLength; // the request's Content-length header
};

struct CommandReply {
    bool hasHeader = false;
    std::string header; // the reply header, its closing empty line included
    std::string body;
    std::string raw; // everything received
};

// A root folder ("root") with an empty folder beside it ("outside"), and a ServerApp serving the
// root with no settings store.
class CommandRig {
  public:
    explicit CommandRig(uint32_t ioTimeoutMilliseconds = 5000);

    const std::string& root() const { return rootFolder; }
    std::string inRoot(const std::string& relative) const { return rootFolder + "/" + relative; }
    std::string outside(const std::string& relative = "") const;

    CommandReply run(const std::function<void(Connection&)>& command, const ClientScript& script);
    CommandReply run(void (CommandHandler::*operation)(Connection&), const ClientScript& script);
    // A command whose body is one line per element of lines, each ended with CR LF.
    CommandReply runLines(void (CommandHandler::*operation)(Connection&),
                          const std::vector<std::string>& lines);

    ServerApp& application() { return *app; }

  private:
    TemporaryFolder folder;
    std::string rootFolder;
    uint32_t ioTimeout;
    std::unique_ptr<ServerApp> app;
};

// The word at offset, least significant byte first.
uint32_t wordAt(const std::string& bytes, size_t offset);
std::string wordBytes(uint32_t value);

struct ListedEntry {
    std::string name;
    uint32_t kind, sizeHigh, sizeLow, timeHigh, timeLow;
};

// Splits a listing body into records; false when it does not end on a record boundary.
bool parseListing(const std::string& body, std::vector<ListedEntry>& entries);
