// The numbers of files sent and received since start, and the hook that redraws them.
#pragma once

#include <atomic>
#include <cstdint>

// Incremented by the transfer commands on several workers at once, read by the status window;
// atomic, so that no increment is lost when two transfers end together.
extern std::atomic<int32_t> sentFileCount;
extern std::atomic<int32_t> receivedFileCount;
