// Soak test: 50,000 mixed commands from five concurrent clients against the real server, one
// connection in ten closing early, stalling or sending garbage. Afterwards the server still
// answers, holds the descriptors and threads it held before, has not grown in memory beyond a
// small bound, and every file uploaded during the soak reads back byte for byte.
#include "tests/soak/ProcessGauges.h"
#include "tests/soak/SoakClient.h"
#include "tests/support/RawExchange.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TemporaryFolder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int CLIENT_COUNT = 5;
constexpr int DEFAULT_COMMANDS = 50000;
// Rounds before the measure starts, so that every worker has run every kind of command once and
// the allocator holds what a busy server holds.
constexpr int WARM_UP_COMMANDS_PER_CLIENT = 200;
// How far the resident memory may have moved after the soak.
constexpr long RESIDENT_GROWTH_LIMIT_KILOBYTES = 1024;
// A sanitizer build keeps freed memory aside and shadows all of it, so resident memory tells
// nothing there; its leak check at the server's exit (the exit status below) takes that place.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool RESIDENT_MEMORY_TELLS = false;
#else
constexpr bool RESIDENT_MEMORY_TELLS = true;
#endif
// Closing connections discard what their clients still send for a bounded time (about 2 s).
constexpr auto SETTLE_TIME = std::chrono::seconds(15);

int soakCommands() {
    const char* text = std::getenv("KELVANE_SOAK_COMMANDS");
    int count = text != nullptr ? std::atoi(text) : 0;
    return count > 0 ? count : DEFAULT_COMMANDS;
}

void runClients(std::vector<std::unique_ptr<SoakClient>>& clients, int connectionsEach) {
    std::vector<std::thread> threads;
    for (auto& client : clients)
        threads.emplace_back([&client, connectionsEach] { client->run(connectionsEach); });
    for (std::thread& thread : threads)
        thread.join();
}

// Waits until the server holds no more descriptors and threads than before, or the time runs out.
ProcessGauges settle(pid_t pid, const ProcessGauges& before) {
    auto deadline = std::chrono::steady_clock::now() + SETTLE_TIME;
    ProcessGauges now = readProcessGauges(pid);
    while ((now.descriptors > before.descriptors || now.threads > before.threads) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        now = readProcessGauges(pid);
    }
    return now;
}

} // namespace

TEST(Soak, MixedCommandsWithMisbehavingClientsLeaveTheServerAsItWas) {
    TemporaryFolder workspace;
    const std::string root = workspace.file("root");
    std::filesystem::create_directory(root);
    auto server = ServerProcess::start({.root = root, .registry = workspace.file("registry.reg")});
    ASSERT_TRUE(server) << "kelvane-server did not start";

    std::vector<std::unique_ptr<SoakClient>> clients;
    for (int i = 0; i < CLIENT_COUNT; ++i) {
        clients.push_back(std::make_unique<SoakClient>(server->port(), root, i));
        ASSERT_TRUE(clients.back()->prepare());
    }
    runClients(clients, WARM_UP_COMMANDS_PER_CLIENT);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const ProcessGauges before = readProcessGauges(server->pid());

    const int connectionsEach = soakCommands() / CLIENT_COUNT;
    auto start = std::chrono::steady_clock::now();
    runClients(clients, connectionsEach);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const ProcessGauges after = settle(server->pid(), before);
    std::printf("soak: %d commands in %.1f s (%.0f per second)\n", connectionsEach * CLIENT_COUNT, seconds,
                connectionsEach * CLIENT_COUNT / seconds);
    std::printf("soak: before %s\nsoak: after  %s\n", before.describe().c_str(), after.describe().c_str());

    EXPECT_EQ(after.descriptors, before.descriptors) << "descriptors left open";
    EXPECT_EQ(after.threads, before.threads) << "threads left behind";
    if (RESIDENT_MEMORY_TELLS) {
        EXPECT_LE(after.residentKilobytes - before.residentKilobytes, RESIDENT_GROWTH_LIMIT_KILOBYTES)
            << "resident memory grew";
    }

    // Still answering, and every file that the model holds is exactly what was uploaded last.
    bool closedByServer = false;
    std::string reply =
        exchange(server->port(), "POST / HTTP/1.1\r\nCommand-ID: 3000\r\n\r\n", 10000, &closedByServer);
    EXPECT_TRUE(closedByServer && reply.rfind("HTTP/1.1 200 OK\r\n", 0) == 0)
        << "the server no longer answers";
    for (auto& client : clients)
        client->verifyFiles();

    uint64_t misbehaving = 0;
    uint64_t uploaded = 0;
    for (auto& client : clients) {
        const SoakTally& tally = client->tally();
        misbehaving += tally.misbehaving;
        uploaded += tally.uploadedBytes;
        EXPECT_EQ(tally.failures, 0u) << "client failures, the first ones:\n"
                                      << [&] {
                                             std::string text;
                                             for (const std::string& problem : tally.problems)
                                                 text += "  " + problem + "\n";
                                             return text;
                                         }();
    }
    std::printf("soak: %llu misbehaving connections, %llu bytes uploaded\n",
                static_cast<unsigned long long>(misbehaving), static_cast<unsigned long long>(uploaded));
    EXPECT_EQ(server->stop(), 0);
}
