// The status window's logic: worker rows, address list, counters, timer, menu commands.
#pragma once

#include "platform/WindowMessages.h"
#include "server/net/WorkerSlots.h"
#include "server/ui/StatusRows.h"
#include "server/ui/StatusView.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class ServerApp;

// What the window reads to fill its rows and lines; tests give their own.
struct StatusSources {
    uint32_t (*tickCount)();
    CommandLabelFunction commandLabel;
    int32_t (*sentFiles)();
    int32_t (*receivedFiles)();
    // The machine's IPv4 addresses in display order; empty when they cannot be found.
    std::vector<std::array<uint8_t, 4>> (*addresses)();
    // The tick count at program start.
    uint32_t (*startTick)();
};

// The server operations the window calls; tests give their own.
struct ServerControl {
    int32_t (*start)(ServerApp* app, uint16_t port);
    void (*stop)();
    void (*restart)(WorkerSlot& slot);
    // The port the server listens on, 0 when it does not listen.
    uint16_t (*listeningPort)();
};

StatusSources defaultStatusSources();
ServerControl defaultServerControl();

inline const char* const STATUS_WINDOW_CAPTION = "File Transfer Kelvane";
inline const char* const STATUS_TITLE = "File Transfer Server";
inline const char* const ADDRESS_CAPTION = "Binded IP(s) and port:";
inline const char* const THREAD_CAPTION = "Thread status:";
inline const char* const PORT_FAILURE_TEXT = "Can not start server. Make sure port 80 was not in use.";
inline const char* const MESSAGE_BOX_CAPTION = "Kelvane";

// Lives on the window thread: every handler runs there. Workers reach it only by posting to its
// queue (WM_SLOT_NOTIFY) or through drawFileCounter, which posts as well.
class MainStatusDialog {
  public:
    explicit MainStatusDialog(StatusSources sources = defaultStatusSources(),
                              ServerControl control = defaultServerControl());
    MainStatusDialog(const MainStatusDialog&) = delete;
    MainStatusDialog& operator=(const MainStatusDialog&) = delete;
    virtual ~MainStatusDialog() = default;

    // Set by start-up before the window is created.
    ServerApp* app = nullptr;

    // Creates the window on view (which must outlive the window) and initialises it: publishes
    // statusWindow, fills the address list and starts the server.
    void create(StatusView& view);

    // The window's handle (its message queue); 0 once the window is destroyed.
    platform::WindowHandle windowHandle() const { return window; }
    platform::MessageQueue& messageQueue() { return queue; }

    // Handles one message taken from the queue. Messages for a destroyed window are dropped.
    void handleMessage(const platform::WindowMessage& message);

    // Any thread, at any time, also once the window or this object is gone: asks the window to
    // redraw a file counter (which: 1 sent, 0 received). Never waits and never touches a window.
    static void drawFileCounter(int which);

    // For the view's paint: the header shows only once the server was launched.
    bool headerVisible() const { return serverStarted != 0; }
    bool padlockVisible() const;
    // Called by the view after each paint.
    void afterPaint();

    // Direct events from the view on the window thread.
    void onThreadListClick();
    void onCommand(uintptr_t command);
    void onActivationChange();

    // What the window shows (read by tests and by the headless log).
    bool restartEnabled() const { return restartButtonEnabled; }
    bool timerRunning() const { return refreshTimer != 0; }
    // The port the server listens on, or the one it was asked to use while it does not listen.
    uint16_t shownPort() const;
    // Whether launching the server succeeded.
    bool serverListening() const { return listening; }
    int threadRowCount() const;

  private:
    int initialise();
    void launchServer();
    void onSlotNotify(uintptr_t code, WorkerSlot* slot);
    void insertSlotRow(WorkerSlot& slot);
    void updateSlotRow(WorkerSlot& slot);
    void removeSlotRow(WorkerSlot& slot);
    void onRefreshTimer(uintptr_t identifier);
    void onCountersChanged();
    void drawUptime();
    void paintFileCounter(int which);
    void fillAddressList();
    // The first selected row's slot in row order, and whether its worker is busy.
    struct Selection {
        WorkerSlot* slot;
        bool busy;
    };
    std::optional<Selection> selectedSlot();
    void setRestartEnabled(bool enable);
    void onRestartWorker();
    void onExit();
    void onDestroy();
    void onOptions();
    void onGettingStarted();

    // The row position of a slot index: rows stay in slot order.
    int rowPosition(int32_t index) const;

    const StatusSources sources;
    const ServerControl control;
    platform::MessageQueue& queue;
    platform::WindowHandle window = 0;
    StatusView* view = nullptr;
    int32_t serverStarted = 0;
    bool listening = false;
    uintptr_t refreshTimer = 0;
    bool menuBarMade = false;
    bool restartButtonEnabled = false;
    uint16_t portInAddressList = 0;
    // The row of each slot index, holding the slot as its data; empty while not inserted.
    std::array<WorkerSlot*, WORKER_COUNT> rowSlots{};
};
