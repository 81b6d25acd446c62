// File time conversion.
#include "client/lib/FileTime.h"

namespace kelvane::client {

int64_t fileTimeToUnixNanoseconds(uint64_t fileTime) {
    // Counts beyond the range of 64-bit nanoseconds (before 1678 or after 2262) saturate instead
    // of wrapping.
    constexpr uint64_t limit = INT64_MAX / 100;
    if (fileTime >= FILE_TIME_UNIX_EPOCH) {
        uint64_t ticks = fileTime - FILE_TIME_UNIX_EPOCH;
        return ticks > limit ? INT64_MAX : static_cast<int64_t>(ticks) * 100;
    }
    uint64_t ticks = FILE_TIME_UNIX_EPOCH - fileTime;
    return ticks > limit ? INT64_MIN : -static_cast<int64_t>(ticks) * 100;
}

std::chrono::system_clock::time_point fileTimeToSystemTime(uint64_t fileTime) {
    auto sinceEpoch = std::chrono::nanoseconds(fileTimeToUnixNanoseconds(fileTime));
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceEpoch));
}

} // namespace kelvane::client
