// The listening socket and the pool of five workers that take turns accepting clients.
#pragma once

#include "platform/Socket.h"
#include "platform/Thread.h"
#include "server/net/Connection.h"
#include "server/net/WorkerSlots.h"

#include <atomic>
#include <cstdint>
#include <mutex>

class ServerApp;

inline constexpr uint16_t SERVER_PORT = 80;
inline constexpr int LISTEN_BACKLOG = 10;

// -1 when the server does not listen.
extern std::atomic<platform::SocketHandle> listenSocket;
// Held only across accept, so at most one worker waits in accept.
extern std::mutex acceptLock;

// Listens on port and starts the five workers: 1, or 0 when the socket could not be bound or put
// into the listening state (then nothing else is touched).
int32_t startServer(ServerApp* app, uint16_t port,
                    uint32_t ioTimeoutMilliseconds = IO_TIMEOUT_SECONDS * 1000);

// Releases the Connections (each stays alive while its worker still uses it), closes the listening
// socket. Workers end on their own once they find the socket gone.
void stopServer();

// Starts a worker thread for the slot; its identifier, 0 when no thread could be created.
platform::ThreadId startWorker(int32_t index);

// Ends the slot's current client at once and gives the slot a new worker with a fresh Connection;
// the old worker ends by itself without touching the slot again. Only for a busy slot.
void restartWorker(WorkerSlot& slot);

// The port the server listens on, 0 when it does not listen.
uint16_t listeningPort();

// Worker threads still running, retired and stopped ones included until they have ended.
int32_t runningWorkerCount();
