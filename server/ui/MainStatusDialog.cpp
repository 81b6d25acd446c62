// The status window's handlers, independent of the toolkit that draws them.
#include "server/ui/MainStatusDialog.h"

#include "platform/Network.h"
#include "server/net/Listener.h"
#include "server/ui/ServerApp.h"
#include "server/ui/StatusMessages.h"

#include <string>

MainStatusDialog::MainStatusDialog(StatusSources statusSources, ServerControl serverControl)
    : sources(statusSources), control(serverControl), queue(platform::MessageQueue::create()) {}

void MainStatusDialog::create(StatusView& statusView) {
    view = &statusView;
    window = queue.handle();
    initialise();
}

int MainStatusDialog::initialise() {
    // From here on the workers' notifications reach this window.
    statusWindow.store(window, std::memory_order_release);
    fillAddressList();
    launchServer();
    view->layoutLists();
    return 1;
}

void MainStatusDialog::launchServer() {
    serverStarted = 1;
    menuBarMade = view->createMenuBar();
    restartButtonEnabled = false;
    uint16_t port = app != nullptr ? app->options.port : SERVER_PORT;
    if (control.start(app, port) == 0) {
        view->showMessageBox(PORT_FAILURE_TEXT, MESSAGE_BOX_CAPTION, MessageBoxIcon::Error);
        return;
    }
    listening = true;
    view->setTimer(TIMER_REFRESH, REFRESH_PERIOD_MILLISECONDS);
    refreshTimer = TIMER_REFRESH;
    // With --port 0 the port is chosen by the system: show the one actually used.
    if (shownPort() != portInAddressList)
        fillAddressList();
    view->repaint();
}

bool MainStatusDialog::padlockVisible() const {
    return app != nullptr && app->usePass != 0;
}

void MainStatusDialog::afterPaint() {
    if (window != 0 && serverStarted != 0)
        queue.post({WM_COUNTERS_CHANGED, 0, 0});
}

void MainStatusDialog::handleMessage(const platform::WindowMessage& message) {
    if (window == 0)
        return;
    switch (message.message) {
    case WM_SLOT_NOTIFY:
        onSlotNotify(message.wParam, reinterpret_cast<WorkerSlot*>(message.lParam));
        break;
    case WM_COUNTERS_CHANGED:
        onCountersChanged();
        break;
    case WM_DRAW_FILE_COUNTER:
        paintFileCounter(message.wParam != 0 ? 1 : 0);
        break;
    case WM_TIMER:
        onRefreshTimer(message.wParam);
        break;
    case WM_COMMAND:
        onCommand(message.wParam);
        break;
    case WM_ACTIVATE:
        onActivationChange();
        break;
    default:
        break;
    }
}

void MainStatusDialog::drawFileCounter(int which) {
    // Posting needs nothing of this object: the handle's queue lives as long as the process and
    // drops posts once the window has closed it.
    platform::postMessage(statusWindow.load(std::memory_order_acquire), WM_DRAW_FILE_COUNTER,
                          which != 0 ? 1 : 0, 0);
}

void MainStatusDialog::onSlotNotify(uintptr_t code, WorkerSlot* slot) {
    if (slot == nullptr)
        return;
    switch (code) {
    case SLOT_CREATED:
        insertSlotRow(*slot);
        break;
    case SLOT_CHANGED:
        updateSlotRow(*slot);
        break;
    case SLOT_REMOVED:
        removeSlotRow(*slot);
        break;
    default:
        break;
    }
}

int MainStatusDialog::rowPosition(int32_t index) const {
    int position = 0;
    for (int32_t i = 0; i < index; ++i)
        if (rowSlots[i] != nullptr)
            ++position;
    return position;
}

int MainStatusDialog::threadRowCount() const {
    return rowPosition(WORKER_COUNT);
}

void MainStatusDialog::insertSlotRow(WorkerSlot& slot) {
    int32_t index = slot.index.load(std::memory_order_relaxed);
    if (index < 0 || index >= WORKER_COUNT)
        return;
    if (rowSlots[index] == nullptr) {
        rowSlots[index] = &slot;
        ThreadRow row;
        row.picture = StatePicture::Idle;
        row.number = std::to_string(index + 1);
        view->insertThreadRow(rowPosition(index), row);
    }
    updateSlotRow(slot);
}

void MainStatusDialog::updateSlotRow(WorkerSlot& slot) {
    int32_t index = slot.index.load(std::memory_order_relaxed);
    // A row that does not exist yet is left alone: its SLOT_CREATED inserts and fills it.
    if (index < 0 || index >= WORKER_COUNT || rowSlots[index] == nullptr)
        return;
    rowSlots[index] = &slot;
    view->updateThreadRow(rowPosition(index),
                          threadRowFor(readSlotState(slot), sources.tickCount(), sources.commandLabel));
}

void MainStatusDialog::removeSlotRow(WorkerSlot& slot) {
    int32_t index = slot.index.load(std::memory_order_relaxed);
    if (index < 0 || index >= WORKER_COUNT || rowSlots[index] == nullptr)
        return;
    int position = rowPosition(index);
    rowSlots[index] = nullptr;
    view->removeThreadRow(position);
}

void MainStatusDialog::onRefreshTimer(uintptr_t identifier) {
    if (identifier != TIMER_REFRESH)
        return;
    // Busy rows go through the queue like every other row change, so they stay in order.
    for (WorkerSlot& slot : workerSlots)
        if (slot.busySince.load(std::memory_order_relaxed) != 0)
            queue.post({WM_SLOT_NOTIFY, SLOT_CHANGED, reinterpret_cast<intptr_t>(&slot)});
    drawUptime();
}

void MainStatusDialog::onCountersChanged() {
    drawUptime();
    paintFileCounter(0);
    paintFileCounter(1);
}

void MainStatusDialog::drawUptime() {
    view->drawUptime(uptimeText(sources.tickCount(), sources.startTick()));
}

void MainStatusDialog::paintFileCounter(int which) {
    if (which != 0)
        view->drawFileCounter(1, sentFilesText(sources.sentFiles()));
    else
        view->drawFileCounter(0, receivedFilesText(sources.receivedFiles()));
}

uint16_t MainStatusDialog::shownPort() const {
    uint16_t portInUse = control.listeningPort();
    if (portInUse != 0)
        return portInUse;
    return app != nullptr ? app->options.port : SERVER_PORT;
}

void MainStatusDialog::fillAddressList() {
    view->clearAddressRows();
    portInAddressList = 0;
    std::vector<std::array<uint8_t, 4>> addresses = sources.addresses();
    // Without any address there is nothing to reach the server at: no port row either.
    if (addresses.empty())
        return;
    int number = 1;
    for (const auto& address : addresses) {
        char text[16];
        platform::formatAddress(address.data(), text);
        view->addAddressRow("IP #" + std::to_string(number), text);
        ++number;
    }
    portInAddressList = shownPort();
    view->addAddressRow("Port", std::to_string(portInAddressList));
}

void MainStatusDialog::onActivationChange() {
    if (window != 0)
        fillAddressList();
}

std::optional<MainStatusDialog::Selection> MainStatusDialog::selectedSlot() {
    for (int position : view->selectedThreadRows()) {
        int current = 0;
        for (WorkerSlot* slot : rowSlots) {
            if (slot == nullptr)
                continue;
            if (current == position)
                return Selection{slot, slot->busySince.load(std::memory_order_relaxed) != 0};
            ++current;
        }
    }
    return std::nullopt;
}

void MainStatusDialog::setRestartEnabled(bool enable) {
    if (!menuBarMade)
        return;
    restartButtonEnabled = enable;
    view->setRestartEnabled(enable);
}

void MainStatusDialog::onThreadListClick() {
    if (window == 0)
        return;
    std::optional<Selection> selection = selectedSlot();
    setRestartEnabled(selection.has_value() && selection->busy);
}

void MainStatusDialog::onRestartWorker() {
    std::optional<Selection> selection = selectedSlot();
    // A worker that finished before the press is left alone, and so is the button.
    if (!selection.has_value() || !selection->busy)
        return;
    control.restart(*selection->slot);
    setRestartEnabled(false);
}

void MainStatusDialog::onCommand(uintptr_t command) {
    if (window == 0)
        return;
    switch (command) {
    case ID_RESTART_WORKER:
        onRestartWorker();
        break;
    case ID_EXIT:
        onExit();
        break;
    case ID_OPTIONS:
        onOptions();
        break;
    case ID_GETTING_STARTED:
        onGettingStarted();
        break;
    default:
        break;
    }
}

void MainStatusDialog::onOptions() {
    view->runOptionsDialog();
}

void MainStatusDialog::onGettingStarted() {
    view->runGettingStartedDialog();
}

void MainStatusDialog::onExit() {
    // The listening socket closes before the window goes.
    control.stop();
    onDestroy();
    view->destroyWindow();
    window = 0;
}

void MainStatusDialog::onDestroy() {
    if (refreshTimer != 0)
        view->killTimer(refreshTimer);
    refreshTimer = 0;
    // The status window is the main window: its end ends the message loop.
    queue.post({WM_QUIT, 0, 0});
}
