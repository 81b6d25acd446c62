// The soak test's clients: mixed commands checked against a model of each client's folder.
#include "tests/soak/SoakClient.h"

#include "tests/support/RawExchange.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int REPLY_TIMEOUT_MILLISECONDS = 30000;
constexpr size_t PROBLEMS_KEPT = 20;

const std::string RESULT_OK_WORD("\xa0\x0f\0\0", 4); // 4000
const std::string ZERO_WORD(4, '\0');
const std::string ONE_WORD("\x01\0\0\0", 4);

std::string commandRequest(int number, const std::string& body) {
    std::string request =
        "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nCommand-ID: " + std::to_string(number) + "\r\n";
    if (!body.empty())
        request += "Content-length: " + std::to_string(body.size()) + "\r\n";
    return request + "\r\n" + body;
}

std::string readDiskFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

uint32_t loadWord(const std::string& bytes, size_t at) {
    return static_cast<uint8_t>(bytes[at]) |
           (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24);
}

} // namespace

std::string soakContent(uint32_t seed, size_t size) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i += 4) {
        uint32_t word = generator();
        std::memcpy(bytes.data() + i, &word, std::min<size_t>(4, size - i));
    }
    return bytes;
}

SoakClient::SoakClient(uint16_t serverPort, std::string rootFolder, int clientIndex)
    : port(serverPort), root(std::move(rootFolder)), index(clientIndex),
      random(static_cast<uint32_t>(0x5eed0000 + clientIndex)) {}

bool SoakClient::prepare() {
    for (const std::string& folder : {folderLine(), "junk" + std::to_string(index)}) {
        std::string reply = exchangeWhole(commandRequest(3011, folder + "\r\n"));
        if (!expectBody("create the client's folder", reply, RESULT_OK_WORD))
            return false;
    }
    return true;
}

void SoakClient::run(int connections) {
    for (int i = 0; i < connections; ++i) {
        ++counts.commands;
        if (random() % 10 == 0) {
            ++counts.misbehaving;
            misbehave();
        } else {
            runOne();
        }
    }
}

void SoakClient::runOne() {
    // Weights out of 100.
    unsigned pick = random() % 100;
    if (pick < 10)
        getConfigure();
    else if (pick < 15)
        checkPassword();
    else if (pick < 20)
        webPage();
    else if (pick < 30)
        listFolder();
    else if (pick < 55)
        upload();
    else if (pick < 75)
        download();
    else if (pick < 80)
        deleteFile();
    else if (pick < 85)
        moveFile();
    else if (pick < 90)
        createFolder();
    else if (pick < 95)
        deleteFolder();
    else
        diskSpace();
}

std::string SoakClient::exchangeWhole(const std::string& request) {
    bool closedByServer = false;
    std::string reply = exchange(port, request, REPLY_TIMEOUT_MILLISECONDS, &closedByServer);
    if (!closedByServer)
        fail("the server did not end its reply within the time-out; request began: " + request.substr(0, 60));
    return reply;
}

void SoakClient::fail(const std::string& what) {
    ++counts.failures;
    if (counts.problems.size() < PROBLEMS_KEPT)
        counts.problems.push_back("client " + std::to_string(index) + ": " + what);
}

bool SoakClient::expectBody(const std::string& what, const std::string& reply, const std::string& body) {
    if (reply.rfind("HTTP/1.1 200 OK\r\n", 0) == 0 && replyBody(reply) == body)
        return true;
    fail(what + ": unexpected reply of " + std::to_string(reply.size()) + " bytes");
    return false;
}

std::string SoakClient::pickFile() {
    if (files.empty())
        return {};
    auto it = files.begin();
    std::advance(it, static_cast<long>(random() % files.size()));
    return it->first;
}

std::string SoakClient::newName(const char* prefix) {
    return prefix + std::to_string(nameCounter++);
}

size_t SoakClient::pickUploadSize() {
    unsigned pick = random() % 100;
    if (pick < 70)
        return random() % 4096;
    if (pick < 95)
        return 4096 + random() % (60 * 1024);
    return 64 * 1024 + random() % (448 * 1024);
}

void SoakClient::getConfigure() {
    // No settings are stored: the flag word 1, password use 0, two empty paths.
    expectBody("get configure", exchangeWhole(commandRequest(3000, "")),
               std::string("\x01\0\0\0\0\0\0\0\0\0", 10));
}

void SoakClient::checkPassword() {
    expectBody("password check", exchangeWhole(commandRequest(3013, "\r\n")), ZERO_WORD);
}

void SoakClient::webPage() {
    std::string reply = exchangeWhole("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    // The start page when the build placed one beside the server, else no reply at all.
    if (!reply.empty() && reply.rfind("HTTP/1.1 200 OK\r\n", 0) != 0)
        fail("start page: unexpected reply");
}

bool SoakClient::checkListing(const std::string& reply) {
    if (reply.rfind("HTTP/1.1 200 OK\r\n", 0) != 0 ||
        reply.find("Command-ID: 3004\r\n") == std::string::npos) {
        fail("listing: unexpected reply header");
        return false;
    }
    std::string body = replyBody(reply);
    std::map<std::string, FileSpec> seenFiles;
    std::set<std::string> seenFolders;
    size_t at = 0;
    while (at < body.size()) {
        size_t end = body.find('\0', at);
        if (end == std::string::npos || end + 21 > body.size()) {
            fail("listing: cut record");
            return false;
        }
        std::string name = body.substr(at, end - at);
        uint32_t kind = loadWord(body, end + 1);
        uint64_t size = (static_cast<uint64_t>(loadWord(body, end + 5)) << 32) | loadWord(body, end + 9);
        if (kind == 4)
            seenFolders.insert(name);
        else
            seenFiles[name] = FileSpec{0, static_cast<size_t>(size)};
        at = end + 21;
    }
    bool same = seenFolders == folders && seenFiles.size() == files.size();
    for (const auto& [name, planned] : files) {
        auto it = seenFiles.find(name);
        same = same && it != seenFiles.end() && it->second.size == planned.size;
    }
    if (!same)
        fail("listing: the folder's entries differ from what the client made");
    return same;
}

void SoakClient::listFolder() {
    checkListing(exchangeWhole(commandRequest(3001, folderLine() + "\r\n")));
}

void SoakClient::upload() {
    // A new file, or one that exists (it must end up exactly the new bytes).
    std::string name = files.empty() || random() % 3 == 0 ? newName("file") : pickFile();
    FileSpec planned{static_cast<uint32_t>(random()), pickUploadSize()};
    std::string request =
        commandRequest(3006, folderLine() + "\\" + name + "\r\n" + soakContent(planned.seed, planned.size));
    if (expectBody("upload of " + name, exchangeWhole(request), ZERO_WORD)) {
        files[name] = planned;
        counts.uploadedBytes += planned.size;
    }
}

void SoakClient::download() {
    std::string name = pickFile();
    if (name.empty())
        return getConfigure();
    const FileSpec& planned = files[name];
    expectBody("download of " + name,
               exchangeWhole(commandRequest(3005, folderLine() + "\\" + name + "\r\n")),
               soakContent(planned.seed, planned.size));
}

void SoakClient::deleteFile() {
    std::string name = pickFile();
    if (name.empty())
        return diskSpace();
    if (expectBody("delete of " + name,
                   exchangeWhole(commandRequest(3009, folderLine() + "\\" + name + "\r\n")), RESULT_OK_WORD))
        files.erase(name);
}

void SoakClient::moveFile() {
    std::string name = pickFile();
    if (name.empty())
        return listFolder();
    std::string target = newName("moved");
    std::string body = folderLine() + "\\" + name + "\r\n" + folderLine() + "\\" + target + "\r\n";
    if (expectBody("move of " + name, exchangeWhole(commandRequest(3014, body)), ONE_WORD)) {
        files[target] = files[name];
        files.erase(name);
    }
}

void SoakClient::createFolder() {
    std::string name = newName("folder");
    if (expectBody("create folder " + name,
                   exchangeWhole(commandRequest(3011, folderLine() + "\\" + name + "\r\n")), RESULT_OK_WORD))
        folders.insert(name);
}

void SoakClient::deleteFolder() {
    if (folders.empty())
        return createFolder();
    auto it = folders.begin();
    std::advance(it, static_cast<long>(random() % folders.size()));
    std::string name = *it;
    if (expectBody("delete folder " + name,
                   exchangeWhole(commandRequest(3010, folderLine() + "\\" + name + "\r\n")), RESULT_OK_WORD))
        folders.erase(name);
}

void SoakClient::diskSpace() {
    std::string reply = exchangeWhole(commandRequest(3012, folderLine() + "\r\n"));
    if (replyBody(reply).size() != 8)
        fail("disk space: the reply does not carry 8 bytes");
}

void SoakClient::misbehave() {
    // Only requests that change nothing in the client's model: what they leave behind lands in the
    // junk folder, which nothing checks.
    std::string name = pickFile();
    std::string cleanRequest =
        name.empty() ? commandRequest(3000, "") : commandRequest(3005, folderLine() + "\\" + name + "\r\n");
    unsigned kind = random() % 3;
    if (kind == 0) {
        // Closes early: a part of a request, then the connection ends without reading anything.
        std::string request = cleanRequest;
        if (random() % 2)
            request = commandRequest(3006, "junk" + std::to_string(index) + "\\junk.bin\r\n" +
                                               soakContent(random(), 1000 + random() % 100000));
        int socket = connectLoopback(port);
        if (socket < 0)
            return fail("close early: cannot connect");
        sendBytes(socket, std::string_view(request).substr(0, random() % request.size()));
        ::close(socket);
    } else if (kind == 1) {
        // Stalls: a request sent in two parts with a pause between, then answered as usual.
        size_t split = random() % cleanRequest.size();
        int socket = connectLoopback(port);
        if (socket < 0)
            return fail("stall: cannot connect");
        sendBytes(socket, std::string_view(cleanRequest).substr(0, split));
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + random() % 90));
        sendBytes(socket, std::string_view(cleanRequest).substr(split));
        bool closedByServer = false;
        std::string reply = readUntilClosed(socket, REPLY_TIMEOUT_MILLISECONDS, &closedByServer);
        ::close(socket);
        if (!closedByServer)
            return fail("stall: the server did not end its reply");
        if (name.empty())
            expectBody("stalled get configure", reply, std::string("\x01\0\0\0\0\0\0\0\0\0", 10));
        else
            expectBody("stalled download", reply, soakContent(files[name].seed, files[name].size));
    } else {
        // Garbage: random bytes with line ends here and there, then the sending side ends.
        std::string garbage(1 + random() % 2000, '\0');
        for (char& byte : garbage)
            byte = random() % 16 == 0 ? (random() % 2 ? '\r' : '\n') : static_cast<char>(random());
        int socket = connectLoopback(port);
        if (socket < 0)
            return fail("garbage: cannot connect");
        sendBytes(socket, garbage);
        ::shutdown(socket, SHUT_WR);
        bool closedByServer = false;
        std::string reply = readUntilClosed(socket, REPLY_TIMEOUT_MILLISECONDS, &closedByServer);
        ::close(socket);
        if (!closedByServer)
            fail("garbage: the server did not close the connection");
        else if (!reply.empty() && reply.rfind("HTTP/1.1 200 OK\r\n", 0) != 0)
            fail("garbage: a reply that is not a reply");
    }
}

void SoakClient::verifyFiles() {
    for (const auto& [name, planned] : files) {
        std::string expected = soakContent(planned.seed, planned.size);
        expectBody("read back of " + name,
                   exchangeWhole(commandRequest(3005, folderLine() + "\\" + name + "\r\n")), expected);
        if (readDiskFile(root + "/" + folderLine() + "/" + name) != expected)
            fail("read back of " + name + " from the disk differs");
    }
    listFolder();
}
