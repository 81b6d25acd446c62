// The worker pool in-process: notifications, stop, restart and the listen backlog.
#include "platform/Socket.h"
#include "server/net/Listener.h"
#include "server/ui/ServerApp.h"
#include "tests/support/RawExchange.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Notice {
    uintptr_t code;
    int32_t slot;
    int32_t command;
    bool busy;
};

// A window of the test's own: every post is recorded on the posting thread, together with the
// slot's state at that moment.
struct TestWindow {
    platform::MessageQueue& queue = platform::MessageQueue::create();
    std::mutex lock;
    std::vector<Notice> notices;

    TestWindow() {
        queue.setWakeCallback(&TestWindow::record, this);
        statusWindow.store(queue.handle());
    }
    ~TestWindow() { statusWindow.store(0); }

    static void record(void* context) {
        auto* window = static_cast<TestWindow*>(context);
        platform::WindowMessage message;
        std::lock_guard guard(window->lock);
        while (window->queue.tryNext(message)) {
            auto* slot = reinterpret_cast<WorkerSlot*>(message.lParam);
            window->notices.push_back(
                {message.wParam, slot->index.load(), slot->command.load(), slot->busySince.load() != 0});
        }
    }
    std::vector<Notice> snapshot() {
        std::lock_guard guard(lock);
        return notices;
    }
};

template <typename Condition>
bool eventually(Condition condition, int milliseconds = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

class WorkerPoolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(eventually([] { return runningWorkerCount() == 0; }));
    }
    void TearDown() override {
        stopServer();
        EXPECT_TRUE(eventually([] { return runningWorkerCount() == 0; }, 10000))
            << "every worker ends after stop";
        // Only now can no worker be posting to the window any more.
        testWindow.reset();
    }
    TestWindow& openWindow() {
        testWindow = std::make_unique<TestWindow>();
        return *testWindow;
    }
    uint16_t start(uint32_t timeout) {
        EXPECT_EQ(startServer(&app, 0, timeout), 1);
        EXPECT_TRUE(eventually([] { return runningWorkerCount() == WORKER_COUNT; }));
        return listeningPort();
    }
    int busySlots() {
        int busy = 0;
        for (auto& slot : workerSlots)
            busy += slot.busySince.load() != 0;
        return busy;
    }

    ServerApp app;
    std::unique_ptr<TestWindow> testWindow;
};

TEST_F(WorkerPoolTest, AnnouncesIdleListeningAndCommandForOneRequest) {
    TestWindow& window = openWindow();
    uint16_t port = start(2000);
    ASSERT_TRUE(eventually([&] {
        for (auto& notice : window.snapshot())
            if (notice.code == SLOT_CHANGED && notice.command == SLOT_LISTENING)
                return true;
        return false;
    }));
    bool closed = false;
    EXPECT_EQ(exchange(port, "GET / HTTP/1.1\r\nCommand-ID: 3007\r\n\r\n", 5000, &closed), "");
    EXPECT_TRUE(closed) << "3007 closes without a reply";
    ASSERT_TRUE(eventually([&] {
        for (auto& notice : window.snapshot())
            if (notice.command == 3007)
                return true;
        return false;
    }));

    std::vector<Notice> notices = window.snapshot();
    int created = 0;
    for (auto& notice : notices)
        created += notice.code == SLOT_CREATED;
    EXPECT_EQ(created, WORKER_COUNT);
    // The serving slot went idle -> listening -> command (busy) -> idle again.
    int served = -1;
    for (auto& notice : notices)
        if (notice.command == 3007)
            served = notice.slot;
    std::vector<Notice> ofSlot;
    for (auto& notice : notices)
        if (notice.slot == served && notice.code == SLOT_CHANGED)
            ofSlot.push_back(notice);
    size_t at = 0;
    while (at < ofSlot.size() && ofSlot[at].command != 3007)
        ++at;
    ASSERT_GE(at, 2u);
    EXPECT_EQ(ofSlot[at - 2].command, SLOT_IDLE);
    EXPECT_FALSE(ofSlot[at - 2].busy);
    EXPECT_EQ(ofSlot[at - 1].command, SLOT_LISTENING);
    EXPECT_TRUE(ofSlot[at].busy);
    ASSERT_TRUE(eventually([&] {
        auto later = window.snapshot();
        for (size_t i = 0; i < later.size(); ++i)
            if (later[i].slot == served && later[i].command == SLOT_IDLE && !later[i].busy && i > at)
                return true;
        return false;
    }));
}

TEST_F(WorkerPoolTest, StopEndsWaitingWorkersAndAnnouncesRemoval) {
    TestWindow& window = openWindow();
    start(2000);
    stopServer();
    EXPECT_TRUE(eventually([] { return runningWorkerCount() == 0; }));
    int removed = 0;
    for (auto& notice : window.snapshot())
        removed += notice.code == SLOT_REMOVED;
    EXPECT_EQ(removed, WORKER_COUNT);
    for (auto& slot : workerSlots)
        EXPECT_EQ(slot.connection.load(), nullptr);
    EXPECT_EQ(listenSocket.load(), -1);
}

TEST_F(WorkerPoolTest, StopWhileAWorkerServesKeepsItsConnectionAlive) {
    uint16_t port = start(500);
    int client = connectLoopback(port);
    ASSERT_GE(client, 0);
    sendBytes(client, "GET / HT");
    ASSERT_TRUE(eventually([&] { return busySlots() == 1; }));
    stopServer();
    // The serving worker finishes its request on its own Connection after the time-out, then ends.
    EXPECT_TRUE(eventually([] { return runningWorkerCount() == 0; }));
    bool closed = false;
    readUntilClosed(client, 3000, &closed);
    EXPECT_TRUE(closed);
    ::close(client);
}

TEST_F(WorkerPoolTest, RestartEndsAStuckClientAndGivesTheSlotANewWorker) {
    TestWindow& window = openWindow();
    uint16_t port = start(20000);
    int client = connectLoopback(port);
    ASSERT_GE(client, 0);
    ASSERT_TRUE(eventually([&] { return busySlots() == 1; }));
    WorkerSlot* stuck = nullptr;
    for (auto& slot : workerSlots)
        if (slot.busySince.load() != 0)
            stuck = &slot;
    uint32_t oldThread = stuck->thread.load();
    Connection* oldConnection = stuck->connection.load();
    size_t before = window.snapshot().size();

    restartWorker(*stuck);
    bool closed = false;
    auto started = std::chrono::steady_clock::now();
    readUntilClosed(client, 5000, &closed);
    EXPECT_TRUE(closed) << "the client sees its connection end";
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    ::close(client);

    EXPECT_NE(stuck->thread.load(), oldThread);
    EXPECT_NE(stuck->connection.load(), oldConnection);
    EXPECT_TRUE(eventually([&] { return stuck->busySince.load() == 0; }));
    EXPECT_TRUE(eventually([&] {
        auto notices = window.snapshot();
        for (size_t i = before; i < notices.size(); ++i)
            if (notices[i].slot == stuck->index.load() && notices[i].code == SLOT_CHANGED)
                return true;
        return false;
    }));
    EXPECT_TRUE(eventually([] { return runningWorkerCount() == WORKER_COUNT; })) << "the old worker ended";

    // The pool still serves.
    bool servedClosed = false;
    exchange(port, "GET / HTTP/1.1\r\nCommand-ID: 3002\r\n\r\n", 5000, &servedClosed);
    EXPECT_TRUE(servedClosed);
}

TEST_F(WorkerPoolTest, ASixthClientWaitsInTheBacklogUntilAWorkerFrees) {
    uint16_t port = start(20000);
    std::vector<int> holders;
    for (int i = 0; i < WORKER_COUNT; ++i) {
        holders.push_back(connectLoopback(port));
        ASSERT_GE(holders.back(), 0);
    }
    ASSERT_TRUE(eventually([&] { return busySlots() == WORKER_COUNT; }));
    int sixth = connectLoopback(port);
    ASSERT_GE(sixth, 0);
    sendBytes(sixth, "GET / HTTP/1.1\r\nCommand-ID: 3008\r\n\r\n");
    bool closed = false;
    readUntilClosed(sixth, 500, &closed);
    EXPECT_FALSE(closed) << "no worker is free yet";

    sendBytes(holders[0], "GET / HTTP/1.1\r\nCommand-ID: 3002\r\n\r\n");
    readUntilClosed(sixth, 5000, &closed);
    EXPECT_TRUE(closed) << "served once a worker returned to accept";
    for (int holder : holders)
        ::close(holder);
    ::close(sixth);
}

TEST_F(WorkerPoolTest, PortInUseStartsNothing) {
    TestWindow& window = openWindow();
    platform::SocketHandle occupier = platform::createStreamSocket();
    ASSERT_EQ(platform::bindToAnyAddress(occupier, 0), 0);
    ASSERT_EQ(platform::listenOn(occupier, 1), 0);
    EXPECT_EQ(startServer(&app, platform::localPort(occupier)), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(runningWorkerCount(), 0);
    EXPECT_TRUE(window.snapshot().empty()) << "nothing is posted";
    platform::closeSocketHandle(occupier);
}

} // namespace
