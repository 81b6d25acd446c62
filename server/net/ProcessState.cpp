// Storage of the process-wide values.
#include "server/net/ProcessState.h"

#include "platform/TickCount.h"

std::atomic<uint32_t> startTick{platform::tickCount()};
std::atomic<CompressEntry> compressFn{nullptr};
std::atomic<DecompressEntry> decompressFn{nullptr};
