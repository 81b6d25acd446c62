// kelvane-load: the load tool that bench/compare runs against every server alike. Each mode prints
// one line of JSON with its figures.
//
//   kelvane-load fetch PORT REQUEST_FILE CLIENTS [REPEAT]  CLIENTS at once, each REPEAT exchanges
//   kelvane-load send PORT HEAD_FILE BODY_BYTES             one request with a large generated body
//   kelvane-load burst PORT REQUEST_FILE CLIENTS SECONDS    one request per connection, for a while
//   kelvane-load ceiling BYTES                              a raw TCP copy on loopback, no server
//   kelvane-load stall PORT REQUEST_FILE HOLDERS            HOLDERS silent clients, then one request
#include "bench/load/LoopbackSocket.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One whole exchange on a new connection: the request's bytes, then the reply to its end.
ReplyCount exchangeOnce(uint16_t port, const std::string& request, bool& ok) {
    ReplyCount count;
    int socket = connectLoopback(port);
    ok = socket >= 0 && sendAll(socket, request.data(), request.size());
    if (ok) {
        count = readToEnd(socket);
        ok = count.closedCleanly && count.total > 0;
    }
    if (socket >= 0)
        ::close(socket);
    return count;
}

int fetch(uint16_t port, const std::string& request, int clients, int repeat) {
    std::atomic<uint64_t> bodyBytes{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    Clock::time_point start = Clock::now();
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&] {
            for (int r = 0; r < repeat; ++r) {
                bool ok = false;
                ReplyCount count = exchangeOnce(port, request, ok);
                bodyBytes += count.body;
                if (!ok)
                    ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    double seconds = secondsSince(start);
    std::printf("{\"seconds\": %.6f, \"body_bytes\": %llu, \"exchanges\": %d, \"failures\": %d}\n", seconds,
                static_cast<unsigned long long>(bodyBytes.load()), clients * repeat, failures.load());
    return failures.load() == 0 ? 0 : 1;
}

int sendBody(uint16_t port, const std::string& head, uint64_t bodyBytes) {
    Clock::time_point start = Clock::now();
    int socket = connectLoopback(port);
    if (socket < 0) {
        std::printf("{\"error\": \"cannot connect\"}\n");
        return 1;
    }
    bool sent = sendAll(socket, head.data(), head.size()) && sendPattern(socket, bodyBytes);
    // The reply: its status line and, for the command protocol, its result word after the header.
    std::string reply;
    char buffer[4096];
    for (;;) {
        ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
        if (received <= 0)
            break;
        if (reply.size() < 65536)
            reply.append(buffer, static_cast<size_t>(received));
    }
    double seconds = secondsSince(start);
    ::close(socket);
    std::string statusLine = reply.substr(0, reply.find("\r\n"));
    size_t bodyAt = reply.find("\r\n\r\n");
    std::string bodyHex;
    for (size_t i = bodyAt == std::string::npos ? reply.size() : bodyAt + 4;
         i < reply.size() && bodyHex.size() < 64; ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(reply[i]));
        bodyHex += digits;
    }
    std::printf("{\"seconds\": %.6f, \"sent\": %s, \"status\": \"%s\", \"reply_body_hex\": \"%s\"}\n",
                seconds, sent ? "true" : "false", statusLine.c_str(), bodyHex.c_str());
    return sent ? 0 : 1;
}

int burst(uint16_t port, const std::string& request, int clients, double seconds) {
    std::atomic<uint64_t> completed{0};
    std::atomic<uint64_t> failures{0};
    std::vector<std::thread> threads;
    Clock::time_point start = Clock::now();
    Clock::time_point deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&] {
            while (Clock::now() < deadline) {
                bool ok = false;
                exchangeOnce(port, request, ok);
                if (ok)
                    ++completed;
                else
                    ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    double elapsed = secondsSince(start);
    std::printf("{\"seconds\": %.6f, \"requests\": %llu, \"failures\": %llu, \"per_second\": %.1f}\n",
                elapsed, static_cast<unsigned long long>(completed.load()),
                static_cast<unsigned long long>(failures.load()),
                static_cast<double>(completed.load()) / elapsed);
    return 0;
}

int ceiling(uint64_t bytes) {
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::printf("{\"error\": \"cannot listen\"}\n");
        return 1;
    }
    std::thread sender([&] {
        int client = ::accept(listener, nullptr, nullptr);
        if (client < 0)
            return;
        sendPattern(client, bytes);
        ::close(client);
    });
    Clock::time_point start = Clock::now();
    int socket = connectLoopback(ntohs(address.sin_port));
    ReplyCount count = socket >= 0 ? readToEnd(socket, 60000, false) : ReplyCount{};
    double seconds = secondsSince(start);
    sender.join();
    if (socket >= 0)
        ::close(socket);
    ::close(listener);
    std::printf("{\"seconds\": %.6f, \"bytes\": %llu}\n", seconds,
                static_cast<unsigned long long>(count.total));
    return count.total == bytes ? 0 : 1;
}

int stall(uint16_t port, const std::string& request, int holders) {
    // Silent clients: each connects, sends nothing and waits for the server to give up on it.
    std::vector<double> heldFor(static_cast<size_t>(holders), -1);
    std::vector<std::thread> threads;
    Clock::time_point start = Clock::now();
    for (int h = 0; h < holders; ++h) {
        threads.emplace_back([&, h] {
            int socket = connectLoopback(port);
            if (socket < 0)
                return;
            readToEnd(socket, 120000);
            heldFor[static_cast<size_t>(h)] = secondsSince(start);
            ::close(socket);
        });
    }
    // Let every worker take one of them before the real request queues behind them.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Clock::time_point asked = Clock::now();
    bool servedOk = false;
    exchangeOnce(port, request, servedOk);
    double servedAfter = secondsSince(asked);
    for (std::thread& thread : threads)
        thread.join();
    // Right after: one more request on a server whose workers are all free again.
    Clock::time_point again = Clock::now();
    bool nextOk = false;
    exchangeOnce(port, request, nextOk);
    double nextTook = secondsSince(again);
    double longestHold = 0;
    double shortestHold = 1e9;
    for (double held : heldFor) {
        longestHold = held > longestHold ? held : longestHold;
        shortestHold = held < shortestHold ? held : shortestHold;
    }
    std::printf("{\"served_after\": %.3f, \"served\": %s, \"holders_released_from\": %.3f, "
                "\"holders_released_until\": %.3f, \"next_request\": %.4f, \"next_served\": %s}\n",
                servedAfter, servedOk ? "true" : "false", shortestHold, longestHold, nextTook,
                nextOk ? "true" : "false");
    return servedOk && nextOk ? 0 : 1;
}

int usage() {
    std::fputs("usage: kelvane-load fetch PORT REQUEST_FILE CLIENTS [REPEAT]\n"
               "       kelvane-load send PORT HEAD_FILE BODY_BYTES\n"
               "       kelvane-load burst PORT REQUEST_FILE CLIENTS SECONDS\n"
               "       kelvane-load ceiling BYTES\n"
               "       kelvane-load stall PORT REQUEST_FILE HOLDERS\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return usage();
    std::string mode = argv[1];
    if (mode == "ceiling")
        return ceiling(std::strtoull(argv[2], nullptr, 10));
    if (argc < 5)
        return usage();
    auto port = static_cast<uint16_t>(std::atoi(argv[2]));
    std::string request = readWholeFile(argv[3]);
    if (mode == "fetch")
        return fetch(port, request, std::atoi(argv[4]), argc > 5 ? std::atoi(argv[5]) : 1);
    if (mode == "send")
        return sendBody(port, request, std::strtoull(argv[4], nullptr, 10));
    if (mode == "burst" && argc > 5)
        return burst(port, request, std::atoi(argv[4]), std::atof(argv[5]));
    if (mode == "stall")
        return stall(port, request, std::atoi(argv[4]));
    return usage();
}
