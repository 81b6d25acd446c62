// The in-process command rig.
#include "tests/commands/CommandRig.h"

#include "tests/support/SocketPair.h"

#include <cstdio>
#include <filesystem>
#include <poll.h>
#include <sys/socket.h>
#include <thread>

CommandRig::CommandRig(uint32_t ioTimeoutMilliseconds)
    : rootFolder(folder.file("root")), ioTimeout(ioTimeoutMilliseconds) {
    std::filesystem::create_directories(rootFolder);
    std::filesystem::create_directories(folder.file("outside"));
    ServerOptions options;
    options.rootFolder = rootFolder;
    options.registryPath = "";
    app = std::make_unique<ServerApp>(options);
}

std::string CommandRig::outside(const std::string& relative) const {
    return relative.empty() ? folder.file("outside") : folder.file("outside/" + relative);
}

CommandReply CommandRig::run(const std::function<void(Connection&)>& command, const ClientScript& script) {
    SocketPair pair;
    Connection connection(app.get(), 0, ioTimeout);
    connection.socket = pair.server;
    if (script.contentLength) {
        char line[64];
        std::snprintf(line, sizeof line, "Content-length: %lld",
                      static_cast<long long>(*script.contentLength));
        connection.headers.addLine(line);
    }
    std::thread sender([&] {
        pair.send(script.bytes);
        if (script.closeAfterSending)
            ::shutdown(pair.client, SHUT_WR);
    });
    CommandReply reply;
    std::thread reader([&] {
        char buffer[65536];
        for (;;) {
            size_t room = sizeof buffer;
            if (script.closeAfterReading != SIZE_MAX) {
                if (reply.raw.size() >= script.closeAfterReading) {
                    ::shutdown(pair.client, SHUT_RDWR);
                    return;
                }
                room = std::min(room, script.closeAfterReading - reply.raw.size());
            }
            pollfd entry{pair.client, POLLIN, 0};
            if (::poll(&entry, 1, 60000) <= 0)
                return;
            ssize_t count = ::recv(pair.client, buffer, room, 0);
            if (count <= 0)
                return;
            reply.raw.append(buffer, static_cast<size_t>(count));
        }
    });
    command(connection);
    connection.closeSocket();
    sender.join();
    reader.join();
    size_t end = reply.raw.find("\r\n\r\n");
    if (end != std::string::npos) {
        reply.hasHeader = true;
        reply.header = reply.raw.substr(0, end + 4);
        reply.body = reply.raw.substr(end + 4);
    }
    return reply;
}

CommandReply CommandRig::run(void (CommandHandler::*operation)(Connection&), const ClientScript& script) {
    CommandHandler& handler = app->commandHandler;
    return run([&](Connection& connection) { (handler.*operation)(connection); }, script);
}

CommandReply CommandRig::runLines(void (CommandHandler::*operation)(Connection&),
                                  const std::vector<std::string>& lines) {
    ClientScript script;
    for (const std::string& line : lines)
        script.bytes += line + "\r\n";
    return run(operation, script);
}

uint32_t wordAt(const std::string& bytes, size_t offset) {
    if (offset + 4 > bytes.size())
        return 0xDEADBEEF;
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return value;
}

std::string wordBytes(uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

bool parseListing(const std::string& body, std::vector<ListedEntry>& entries) {
    size_t position = 0;
    while (position < body.size()) {
        size_t nul = body.find('\0', position);
        if (nul == std::string::npos || nul + 1 + 20 > body.size())
            return false;
        ListedEntry entry;
        entry.name = body.substr(position, nul - position);
        size_t words = nul + 1;
        entry.kind = wordAt(body, words);
        entry.sizeHigh = wordAt(body, words + 4);
        entry.sizeLow = wordAt(body, words + 8);
        entry.timeHigh = wordAt(body, words + 12);
        entry.timeLow = wordAt(body, words + 16);
        entries.push_back(entry);
        position = words + 20;
    }
    return true;
}
