// The listener and worker pool.
#include "server/net/Listener.h"

#include "platform/TickCount.h"

#include <memory>
#include <new>

std::atomic<platform::SocketHandle> listenSocket{platform::INVALID_SOCKET_HANDLE};
std::mutex acceptLock;

namespace {

// What start, stop and restart share; touched only under poolLock (by the thread that runs the
// status window, or a test).
std::mutex poolLock;
ServerApp* poolApp = nullptr;
uint32_t poolTimeout = IO_TIMEOUT_SECONDS * 1000;
// The pool's reference to each slot's Connection; a worker holds its own reference, so a
// Connection stays valid for as long as its worker uses it, even after stop or restart.
std::shared_ptr<Connection> poolConnections[WORKER_COUNT];
// Each start begins a new generation; a worker of an earlier run ends even if a new listening
// socket exists by the time it looks.
std::atomic<uint32_t> serverGeneration{0};
std::atomic<int32_t> liveWorkers{0};

// Slot writes of a worker: skipped once the worker has been retired by a restart.
template <typename Write>
void writeSlot(const Connection* connection, int32_t index, Write write) {
    std::lock_guard guard(slotWriteLock(index));
    if (connection == nullptr || !connection->isRetired())
        write(workerSlots[index]);
}

void resetSlot(const Connection* connection, int32_t index) {
    writeSlot(connection, index, [](WorkerSlot& slot) {
        slot.command.store(SLOT_IDLE, std::memory_order_relaxed);
        slot.busySince.store(0, std::memory_order_relaxed);
        slot.clientAddress.store(0, std::memory_order_relaxed);
    });
}

void workerMain(int32_t index, std::shared_ptr<Connection> connection, uint32_t generation) {
    WorkerSlot& slot = workerSlots[index];
    Connection* own = connection.get();
    for (;;) {
        if ((own != nullptr && own->isRetired()) || serverGeneration.load() != generation)
            return;
        resetSlot(own, index);
        if (listenSocket.load() == platform::INVALID_SOCKET_HANDLE)
            return;
        postSlotNotify(SLOT_CHANGED, slot);

        platform::SocketHandle client;
        uint8_t address[4] = {};
        {
            std::lock_guard guard(acceptLock);
            writeSlot(own, index,
                      [](WorkerSlot& s) { s.command.store(SLOT_LISTENING, std::memory_order_relaxed); });
            postSlotNotify(SLOT_CHANGED, slot);
            // Read again under the lock: stop shuts the socket down and then waits for this lock
            // before closing it, so the number seen here is never a reused descriptor.
            platform::SocketHandle listening = listenSocket.load();
            client = listening == platform::INVALID_SOCKET_HANDLE
                         ? platform::INVALID_SOCKET_HANDLE
                         : platform::acceptClient(listening, address);
        }
        if (client == platform::INVALID_SOCKET_HANDLE)
            continue;

        uint32_t now = platform::tickCount();
        writeSlot(own, index, [&](WorkerSlot& s) {
            // 0 means "not busy", so a tick that happens to be 0 is stored as 1.
            s.busySince.store(now == 0 ? 1 : now, std::memory_order_relaxed);
            s.setClientAddress(address);
        });
        if (own == nullptr) {
            platform::closeSocketHandle(client);
            return;
        }
        own->serve(client);
    }
}

platform::ThreadId launchWorker(int32_t index, std::shared_ptr<Connection> connection) {
    uint32_t generation = serverGeneration.load();
    liveWorkers.fetch_add(1);
    platform::ThreadId id =
        platform::startThread([index, connection = std::move(connection), generation]() mutable {
            workerMain(index, connection, generation);
            // The Connection is released before the worker counts as gone.
            connection.reset();
            liveWorkers.fetch_sub(1);
        });
    if (id == 0)
        liveWorkers.fetch_sub(1);
    return id;
}

} // namespace

int32_t startServer(ServerApp* app, uint16_t port, uint32_t ioTimeoutMilliseconds) {
    std::lock_guard guard(poolLock);
    platform::SocketHandle listening = platform::createStreamSocket();
    listenSocket.store(listening);
    if (platform::bindToAnyAddress(listening, port) != 0 ||
        platform::listenOn(listening, LISTEN_BACKLOG) != 0)
        return 0;
    serverGeneration.fetch_add(1);
    poolApp = app;
    poolTimeout = ioTimeoutMilliseconds;
    for (int32_t i = 0; i < WORKER_COUNT; ++i) {
        WorkerSlot& slot = workerSlots[i];
        std::shared_ptr<Connection> connection(new (std::nothrow) Connection(app, i, ioTimeoutMilliseconds));
        poolConnections[i] = connection;
        slot.connection.store(connection.get());
        slot.index.store(i);
        slot.thread.store(launchWorker(i, connection));
        postSlotNotify(SLOT_CREATED, slot);
    }
    return 1;
}

void stopServer() {
    std::lock_guard guard(poolLock);
    platform::SocketHandle listening = listenSocket.load();
    if (listening == platform::INVALID_SOCKET_HANDLE) {
        listenSocket.store(platform::INVALID_SOCKET_HANDLE);
        return;
    }
    for (int32_t i = 0; i < WORKER_COUNT; ++i) {
        poolConnections[i].reset();
        workerSlots[i].connection.store(nullptr);
        postSlotNotify(SLOT_REMOVED, workerSlots[i]);
    }
    // Wake the worker blocked in accept, then close once no worker can be inside accept.
    listenSocket.store(platform::INVALID_SOCKET_HANDLE);
    platform::shutdownSocket(listening, platform::ShutdownDirection::Both);
    std::lock_guard acceptGuard(acceptLock);
    platform::closeSocketHandle(listening);
}

platform::ThreadId startWorker(int32_t index) {
    std::shared_ptr<Connection> connection = poolConnections[index];
    return launchWorker(index, std::move(connection));
}

void restartWorker(WorkerSlot& slot) {
    std::lock_guard guard(poolLock);
    int32_t index = slot.index.load();
    if (index < 0 || index >= WORKER_COUNT || listenSocket.load() == platform::INVALID_SOCKET_HANDLE)
        return;
    if (slot.busySince.load() == 0)
        return;
    std::shared_ptr<Connection> old = poolConnections[index];
    if (old) {
        {
            std::lock_guard slotGuard(slotWriteLock(index));
            old->retire();
        }
        old->abortSocket();
    }
    // The successor starts with a fresh Connection: the old one may still be in use by the
    // retired worker until it notices and ends.
    std::shared_ptr<Connection> fresh(new (std::nothrow) Connection(poolApp, index, poolTimeout));
    poolConnections[index] = fresh;
    slot.connection.store(fresh.get());
    slot.thread.store(launchWorker(index, fresh));
}

uint16_t listeningPort() {
    platform::SocketHandle listening = listenSocket.load();
    return listening == platform::INVALID_SOCKET_HANDLE ? 0 : platform::localPort(listening);
}

int32_t runningWorkerCount() {
    return liveWorkers.load();
}
