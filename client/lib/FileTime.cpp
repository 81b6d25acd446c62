// File time conversion.
#include "client/lib/FileTime.h"

namespace kelvane::client {

int64_t fileTimeToUnixNanoseconds(uint64_t fileTime) {
    // Signed arithmetic on the 100-ns count keeps times before 1970 negative; counts beyond the range
    // of 64-bit nanoseconds (before 1678 or after 2262) saturate instead of wrapping.
    constexpr int64_t limit = INT64_MAX / 100;
    int64_t ticks = fileTime >= FILE_TIME_UNIX_EPOCH ? static_cast<int64_t>(fileTime - FILE_TIME_UNIX_EPOCH)
                                                     : -static_cast<int64_t>(FILE_TIME_UNIX_EPOCH - fileTime);
    if (ticks > limit)
        return INT64_MAX;
    if (ticks < -limit)
        return INT64_MIN;
    return ticks * 100;
}

std::chrono::system_clock::time_point fileTimeToSystemTime(uint64_t fileTime) {
    auto sinceEpoch = std::chrono::nanoseconds(fileTimeToUnixNanoseconds(fileTime));
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceEpoch));
}

} // namespace kelvane::client
