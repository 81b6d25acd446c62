// The worker pool in-process while transfers run: restarts of busy workers, stop in the middle of
// five transfers, and the file counters under concurrent transfers. Meant for ThreadSanitizer and
// AddressSanitizer as much as for its own checks: nothing may use a released Connection.
#include "server/commands/FileCounters.h"
#include "server/net/Listener.h"
#include "server/ui/ServerApp.h"
#include "tests/support/RawExchange.h"
#include "tests/support/TemporaryFolder.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int TRANSFERS = 5;
constexpr size_t LARGE_FILE_SIZE = 32 * 1024 * 1024;

template <typename Condition>
bool eventually(Condition condition, int milliseconds = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

std::string command(int number, const std::string& body) {
    return "POST / HTTP/1.1\r\nCommand-ID: " + std::to_string(number) +
           "\r\nContent-length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A download that reads slowly, so that the transfer is still running when the test acts.
void slowDownload(uint16_t port, std::atomic<bool>& ended) {
    int socket = connectLoopback(port);
    if (socket >= 0) {
        sendBytes(socket, command(3005, "large.bin\r\n"));
        char buffer[4096];
        while (::recv(socket, buffer, sizeof buffer, 0) > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ::close(socket);
    }
    ended = true;
}

class TransfersUnderStopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(eventually([] { return runningWorkerCount() == 0; }));
        std::string large(LARGE_FILE_SIZE, 'k');
        ASSERT_TRUE(writeTextFile(workspace.file("large.bin"), large));
        ASSERT_TRUE(writeTextFile(workspace.file("small.bin"), std::string(3000, 's')));
        ASSERT_EQ(startServer(&app, 0), 1);
        ASSERT_TRUE(eventually([] { return runningWorkerCount() == WORKER_COUNT; }));
        port = listeningPort();
    }
    void TearDown() override {
        stopServer();
        EXPECT_TRUE(eventually([] { return runningWorkerCount() == 0; })) << "every worker ends after stop";
    }
    int busySlots() const {
        int busy = 0;
        for (auto& slot : workerSlots)
            busy += slot.busySince.load() != 0;
        return busy;
    }

    TemporaryFolder workspace;
    ServerApp app{ServerOptions{.rootFolder = workspace.path()}};
    uint16_t port = 0;
};

} // namespace

TEST_F(TransfersUnderStopTest, CountersCountEveryTransferOfFiveAtOnce) {
    const int32_t sentBefore = sentFileCount.load();
    const int32_t receivedBefore = receivedFileCount.load();
    constexpr int ROUNDS = 40;
    std::vector<std::thread> clients;
    std::atomic<int> wrongReplies{0};
    for (int c = 0; c < TRANSFERS; ++c) {
        clients.emplace_back([&, c] {
            for (int r = 0; r < ROUNDS; ++r) {
                if (replyBody(::exchange(port, command(3005, "small.bin\r\n"))) != std::string(3000, 's'))
                    ++wrongReplies;
                std::string name = "up" + std::to_string(c) + ".bin\r\n";
                if (replyBody(::exchange(port, command(3006, name + std::string(5000, 'u')))) !=
                    std::string(4, '\0'))
                    ++wrongReplies;
            }
        });
    }
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(wrongReplies.load(), 0);
    EXPECT_EQ(sentFileCount.load() - sentBefore, TRANSFERS * ROUNDS);
    EXPECT_EQ(receivedFileCount.load() - receivedBefore, TRANSFERS * ROUNDS);
}

TEST_F(TransfersUnderStopTest, RestartingBusyWorkersEndsTheirTransfersAndServingGoesOn) {
    std::vector<std::thread> clients;
    std::vector<std::atomic<bool>> ended(TRANSFERS);
    for (int c = 0; c < TRANSFERS; ++c)
        clients.emplace_back(slowDownload, port, std::ref(ended[c]));
    ASSERT_TRUE(eventually([&] { return busySlots() == TRANSFERS; }));
    for (auto& slot : workerSlots)
        restartWorker(slot);
    for (std::thread& client : clients)
        client.join();
    for (auto& flag : ended)
        EXPECT_TRUE(flag.load());
    // The old workers end by themselves; the new ones serve.
    EXPECT_TRUE(eventually([] { return runningWorkerCount() == WORKER_COUNT; }));
    EXPECT_EQ(replyBody(::exchange(port, command(3005, "small.bin\r\n"))), std::string(3000, 's'));
}

TEST_F(TransfersUnderStopTest, StopInTheMiddleOfFiveTransfersEndsEveryWorker) {
    std::vector<std::thread> clients;
    std::vector<std::atomic<bool>> ended(TRANSFERS);
    for (int c = 0; c < TRANSFERS; ++c)
        clients.emplace_back(slowDownload, port, std::ref(ended[c]));
    ASSERT_TRUE(eventually([&] { return busySlots() == TRANSFERS; }));
    stopServer();
    // The transfers under way may finish; new clients find no server; every worker ends.
    for (std::thread& client : clients)
        client.join();
    EXPECT_TRUE(eventually([] { return runningWorkerCount() == 0; }, 60000));
    EXPECT_LT(connectLoopback(port), 0) << "the server still listens after stop";
}
