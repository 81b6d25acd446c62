// The two file counters.
#include "server/commands/FileCounters.h"

std::atomic<int32_t> sentFileCount{0};
std::atomic<int32_t> receivedFileCount{0};
