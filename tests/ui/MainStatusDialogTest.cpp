// The status window's logic driven through its message queue, with a recording view.
#include "server/ui/MainStatusDialog.h"

#include "FakeStatusView.h"
#include "server/ui/ServerApp.h"
#include "server/ui/StatusMessages.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The fake server and machine the window talks to.
struct World {
    uint32_t now = 1000000;
    int32_t sent = 0;
    int32_t received = 0;
    std::vector<std::array<uint8_t, 4>> addresses{{192, 168, 1, 20}, {127, 0, 0, 1}};
    bool startSucceeds = true;
    uint16_t port = 0;
    std::vector<std::string> calls;
} world;

std::string label(int32_t command) {
    return command == 3005 ? "Download File." : "Get Page.";
}

int32_t fakeStart(ServerApp*, uint16_t port) {
    world.calls.push_back("start " + std::to_string(port));
    if (!world.startSucceeds)
        return 0;
    world.port = port == 0 ? 43210 : port;
    // Like the pool: each slot is announced, and its worker may post before the window handles it.
    for (int32_t i = 0; i < WORKER_COUNT; ++i) {
        workerSlots[i].index = i;
        postSlotNotify(SLOT_CREATED, workerSlots[i]);
    }
    return 1;
}

void fakeStop() {
    world.calls.push_back("stop");
    world.port = 0;
    for (WorkerSlot& slot : workerSlots)
        postSlotNotify(SLOT_REMOVED, slot);
}

void fakeRestart(WorkerSlot& slot) {
    world.calls.push_back("restart " + std::to_string(slot.index.load()));
}

StatusSources fakeSources() {
    return StatusSources{
        .tickCount = [] { return world.now; },
        .commandLabel = label,
        .sentFiles = [] { return world.sent; },
        .receivedFiles = [] { return world.received; },
        .addresses = [] { return world.addresses; },
        .startTick = [] { return uint32_t{1000000}; },
    };
}

ServerControl fakeControl() {
    return ServerControl{.start = fakeStart, .stop = fakeStop, .restart = fakeRestart, .listeningPort = [] {
                             return world.port;
                         }};
}

void setSlot(int32_t index, uint32_t busySince, int32_t command, uint32_t clientAddress = 0) {
    workerSlots[index].busySince = busySince;
    workerSlots[index].command = command;
    workerSlots[index].clientAddress = clientAddress;
}

class StatusWindowLogic : public ::testing::Test {
  protected:
    void SetUp() override {
        world = World{};
        for (int32_t i = 0; i < WORKER_COUNT; ++i) {
            setSlot(i, 0, SLOT_IDLE);
            workerSlots[i].index = i;
        }
        statusWindow = 0;
    }
    void TearDown() override { statusWindow = 0; }

    // Creates the window and handles what start-up queued.
    void open(MainStatusDialog& dialog, FakeStatusView& view) {
        dialog.app = &app;
        dialog.create(view);
        drainMessages(dialog);
    }

    ServerApp app{ServerOptions{.port = 0}};
};

TEST_F(StatusWindowLogic, StartShowsFiveRowsTimerAndCounters) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    setSlot(2, 0, SLOT_LISTENING);
    open(dialog, view);

    EXPECT_EQ(statusWindow.load(), dialog.windowHandle());
    ASSERT_EQ(view.rows.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(view.rows[i].number, std::to_string(i + 1));
        ThreadRow expected = i == 2 ? ThreadRow{StatePicture::Listening, "3", "", "N/A", "Listening"}
                                    : ThreadRow{StatePicture::Idle, std::to_string(i + 1), "Idle", "N/A", ""};
        EXPECT_EQ(view.rows[i], expected) << "row " << i;
    }
    ASSERT_EQ(view.timers.size(), 1u);
    EXPECT_EQ(view.timers[0], (std::pair<uintptr_t, uint32_t>{TIMER_REFRESH, 1000}));
    EXPECT_TRUE(dialog.timerRunning());
    EXPECT_TRUE(view.messageBoxes.empty());
    // The paint after start posts the counter redraw: uptime, received, sent.
    EXPECT_EQ(view.drawn,
              (std::vector<std::string>{"Time: 000:00:00   h:m:s", "Received: 000", "Sent Files: 000"}));
    EXPECT_TRUE(dialog.headerVisible());
    EXPECT_EQ(view.layouts, 1);
}

TEST_F(StatusWindowLogic, AddressListShowsEveryAddressAndThePortInUse) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    open(dialog, view);
    using Rows = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(view.addressRows, (Rows{{"IP #1", "192.168.1.20"}, {"IP #2", "127.0.0.1"}, {"Port", "43210"}}));

    // Rebuilt from scratch on every activation change.
    world.addresses = {{10, 1, 2, 3}};
    dialog.handleMessage({WM_ACTIVATE, 1, 0});
    EXPECT_EQ(view.addressRows, (Rows{{"IP #1", "10.1.2.3"}, {"Port", "43210"}}));
    world.addresses.clear();
    dialog.handleMessage({WM_ACTIVATE, 0, 0});
    EXPECT_TRUE(view.addressRows.empty());
}

TEST_F(StatusWindowLogic, RowsShowTheValuesWhenTheMessageIsHandled) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    open(dialog, view);

    setSlot(1, world.now - 3000, 3005, 0x0100007F);
    postSlotNotify(SLOT_CHANGED, workerSlots[1]);
    world.now += 2000; // handled two seconds after it was posted
    drainMessages(dialog);
    EXPECT_EQ(view.rows[1], (ThreadRow{StatePicture::Busy, "2", "5", "127.0.0.1", "Download File."}));
}

TEST_F(StatusWindowLogic, NotificationForARowThatDoesNotExistYet) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    world.startSucceeds = false;
    open(dialog, view);
    ASSERT_TRUE(view.rows.empty());

    // A worker's change can overtake the creation of its slot: it changes nothing, and the
    // creation then shows the slot as it is by then.
    setSlot(3, 0, SLOT_LISTENING);
    dialog.handleMessage({WM_SLOT_NOTIFY, SLOT_CHANGED, reinterpret_cast<intptr_t>(&workerSlots[3])});
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.rowChanges, 0);
    dialog.handleMessage({WM_SLOT_NOTIFY, SLOT_CREATED, reinterpret_cast<intptr_t>(&workerSlots[3])});
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0], (ThreadRow{StatePicture::Listening, "4", "", "N/A", "Listening"}));
    // Rows stay in slot order whatever order they are created in.
    dialog.handleMessage({WM_SLOT_NOTIFY, SLOT_CREATED, reinterpret_cast<intptr_t>(&workerSlots[0])});
    ASSERT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(view.rows[0].number, "1");
    EXPECT_EQ(view.rows[1].number, "4");
}

TEST_F(StatusWindowLogic, MalformedNotificationsAreIgnored) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    open(dialog, view);
    int changes = view.rowChanges;
    dialog.handleMessage({WM_SLOT_NOTIFY, SLOT_CHANGED, 0});
    dialog.handleMessage({WM_SLOT_NOTIFY, 4, reinterpret_cast<intptr_t>(&workerSlots[0])});
    dialog.handleMessage({WM_SLOT_NOTIFY, 0, reinterpret_cast<intptr_t>(&workerSlots[0])});
    WorkerSlot stray;
    stray.index = 7;
    dialog.handleMessage({WM_SLOT_NOTIFY, SLOT_CREATED, reinterpret_cast<intptr_t>(&stray)});
    EXPECT_EQ(view.rowChanges, changes);
    EXPECT_EQ(view.rows.size(), 5u);
}

TEST_F(StatusWindowLogic, TimerRefreshesOnlyBusyRowsAndTheUptime) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    open(dialog, view);
    setSlot(0, world.now, 3005, 0x0100007F);
    setSlot(4, world.now, 0, 0x0100007F);
    world.now += 1000;
    view.drawn.clear();
    int changes = view.rowChanges;

    dialog.handleMessage({WM_TIMER, TIMER_REFRESH, 0});
    EXPECT_EQ(view.drawn, (std::vector<std::string>{"Time: 000:00:01   h:m:s"}));
    EXPECT_EQ(view.rowChanges, changes); // the rows change when the posted notifications arrive
    drainMessages(dialog);
    EXPECT_EQ(view.rowChanges, changes + 2);
    EXPECT_EQ(view.rows[0].time, "1");
    EXPECT_EQ(view.rows[4].time, "1");
    EXPECT_EQ(view.rows[1].time, "Idle");

    // Another timer does nothing.
    view.drawn.clear();
    dialog.handleMessage({WM_TIMER, 1234, 0});
    drainMessages(dialog);
    EXPECT_TRUE(view.drawn.empty());
}

TEST_F(StatusWindowLogic, WorkersAskForCounterRedrawsThroughTheQueue) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    open(dialog, view);
    view.drawn.clear();
    world.sent = 1;
    MainStatusDialog::drawFileCounter(1);
    EXPECT_TRUE(view.drawn.empty()); // nothing drawn on the worker's thread
    drainMessages(dialog);
    EXPECT_EQ(view.drawn, (std::vector<std::string>{"Sent Files: 001"}));
    world.received = 12;
    MainStatusDialog::drawFileCounter(0);
    drainMessages(dialog);
    EXPECT_EQ(view.drawn.back(), "Received: 012");
}

TEST_F(StatusWindowLogic, RestartButtonRules) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    open(dialog, view);
    setSlot(2, world.now, 3005, 0x0100007F);

    EXPECT_FALSE(dialog.restartEnabled()); // disabled at start

    view.selection = {2};
    dialog.onThreadListClick();
    EXPECT_TRUE(dialog.restartEnabled()); // busy row clicked

    view.selection = {1};
    dialog.onThreadListClick();
    EXPECT_FALSE(dialog.restartEnabled()); // idle row clicked

    view.selection = {};
    dialog.onThreadListClick();
    EXPECT_FALSE(dialog.restartEnabled()); // click outside any row

    view.selection = {2};
    dialog.onThreadListClick();
    dialog.onCommand(ID_RESTART_WORKER);
    EXPECT_EQ(world.calls.back(), "restart 2");
    EXPECT_FALSE(dialog.restartEnabled()); // disabled after a restart

    // The worker finished between the click and the press: nothing happens.
    dialog.onThreadListClick();
    ASSERT_TRUE(dialog.restartEnabled());
    setSlot(2, 0, SLOT_LISTENING);
    size_t callCount = world.calls.size();
    dialog.onCommand(ID_RESTART_WORKER);
    EXPECT_EQ(world.calls.size(), callCount);
    EXPECT_TRUE(dialog.restartEnabled());

    // Keyboard selection and the timer never change the button.
    view.selection = {0};
    dialog.handleMessage({WM_TIMER, TIMER_REFRESH, 0});
    drainMessages(dialog);
    EXPECT_TRUE(dialog.restartEnabled());
}

TEST_F(StatusWindowLogic, OnlyTheFirstSelectedRowCounts) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    open(dialog, view);
    setSlot(1, 0, SLOT_IDLE);
    setSlot(3, world.now, 3005, 0x0100007F);
    setSlot(4, world.now, 3005, 0x0100007F);

    view.selection = {1, 3};
    dialog.onThreadListClick();
    EXPECT_FALSE(dialog.restartEnabled());

    view.selection = {3, 4};
    dialog.onThreadListClick();
    EXPECT_TRUE(dialog.restartEnabled());
    dialog.onCommand(ID_RESTART_WORKER);
    EXPECT_EQ(world.calls.back(), "restart 3");
    EXPECT_EQ(std::count(world.calls.begin(), world.calls.end(), "restart 4"), 0);
}

TEST_F(StatusWindowLogic, WithoutMenuBarTheButtonDoesNotExist) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    view.menuBarPossible = false;
    open(dialog, view);
    setSlot(0, world.now, 3005, 0x0100007F);
    view.selection = {0};
    dialog.onThreadListClick();
    EXPECT_FALSE(dialog.restartEnabled());
    EXPECT_TRUE(view.restartButton.empty());
    EXPECT_EQ(view.rows.size(), 5u); // the server still starts
}

TEST_F(StatusWindowLogic, PortInUseShowsOneMessageBoxAndExitStillEnds) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    world.startSucceeds = false;
    open(dialog, view);

    ASSERT_EQ(view.messageBoxes.size(), 1u);
    EXPECT_EQ(view.messageBoxes[0].first, "Can not start server. Make sure port 80 was not in use.");
    EXPECT_EQ(view.messageBoxes[0].second, "Kelvane");
    EXPECT_TRUE(view.rows.empty());
    EXPECT_TRUE(view.timers.empty());
    EXPECT_FALSE(dialog.timerRunning());
    EXPECT_TRUE(dialog.headerVisible()); // header and counters are still painted

    dialog.onCommand(ID_EXIT);
    EXPECT_TRUE(drainMessages(dialog));
    EXPECT_TRUE(view.destroyed);
}

TEST_F(StatusWindowLogic, ExitStopsTheServerFirstAndDropsLaterMessages) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    open(dialog, view);
    platform::WindowHandle handle = dialog.windowHandle();

    dialog.onCommand(ID_EXIT);
    EXPECT_EQ(world.calls.back(), "stop");
    EXPECT_TRUE(view.destroyed);
    EXPECT_EQ(view.killedTimers, (std::vector<uintptr_t>{TIMER_REFRESH}));
    EXPECT_FALSE(dialog.timerRunning());
    EXPECT_EQ(dialog.windowHandle(), 0u);
    EXPECT_NE(handle, 0u);

    // The removal notices of the stop reach no window.
    int changes = view.rowChanges;
    EXPECT_TRUE(drainMessages(dialog));
    EXPECT_EQ(view.rowChanges, changes);
    dialog.onThreadListClick();
    dialog.onCommand(ID_OPTIONS);
    EXPECT_EQ(view.optionsRuns, 0);
}

TEST_F(StatusWindowLogic, MenuCommandsOpenTheDialogs) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    open(dialog, view);
    dialog.onCommand(ID_OPTIONS);
    dialog.handleMessage({WM_COMMAND, ID_GETTING_STARTED, 0});
    EXPECT_EQ(view.optionsRuns, 1);
    EXPECT_EQ(view.gettingStartedRuns, 1);
}

TEST_F(StatusWindowLogic, PadlockFollowsTheSnapshotTakenAtStart) {
    MainStatusDialog dialog(fakeSources(), fakeControl());
    FakeStatusView view(&dialog);
    open(dialog, view);
    EXPECT_FALSE(dialog.padlockVisible());
    app.usePass = 1;
    EXPECT_TRUE(dialog.padlockVisible());
}

} // namespace
