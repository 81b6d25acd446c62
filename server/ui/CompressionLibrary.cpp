// Loading and releasing libquodra.so.
#include "server/ui/CompressionLibrary.h"

#include "platform/LibraryLoader.h"
#include "platform/Thread.h"
#include "platform/TickCount.h"
#include "server/net/Listener.h"
#include "server/net/ProcessState.h"

namespace {

// Null when the library is absent; set and released on the window thread only.
platform::LibraryHandle compressionLibrary = nullptr;

// How long the end of the program waits for workers still inside a command.
constexpr uint32_t WORKER_END_WAIT_MILLISECONDS = 2000;

} // namespace

void loadCompressionLibrary(const char* fileName) {
    compressionLibrary = platform::loadLibrary(fileName);
    if (compressionLibrary == nullptr)
        return;
    // Both pointers are set before any worker exists; each entry may be missing on its own.
    decompressFn.store(
        reinterpret_cast<DecompressEntry>(platform::findLibraryEntry(compressionLibrary, "Decompress")));
    compressFn.store(
        reinterpret_cast<CompressEntry>(platform::findLibraryEntry(compressionLibrary, "Compress")));
}

void releaseCompressionLibrary() {
    if (compressionLibrary == nullptr)
        return;
    // No worker picks the entries up from now on; one already inside a call keeps the library
    // until it has ended. A worker that does not end in time keeps it for the rest of the
    // process, which is about to end anyway.
    compressFn.store(nullptr);
    decompressFn.store(nullptr);
    uint32_t start = platform::tickCount();
    while (runningWorkerCount() > 0) {
        if (platform::tickCount() - start >= WORKER_END_WAIT_MILLISECONDS)
            return;
        platform::sleepMilliseconds(10);
    }
    platform::releaseLibrary(compressionLibrary);
    compressionLibrary = nullptr;
}
