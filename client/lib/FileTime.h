// Conversion of the protocol's file times (100-ns intervals since 1 January 1601, UTC).
#pragma once

#include <chrono>
#include <cstdint>

namespace kelvane::client {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
inline constexpr uint64_t FILE_TIME_UNIX_EPOCH = 116444736000000000ULL;

// Nanoseconds since the Unix epoch (negative before 1970).
int64_t fileTimeToUnixNanoseconds(uint64_t fileTime);
// The same instant on the system clock.
std::chrono::system_clock::time_point fileTimeToSystemTime(uint64_t fileTime);

} // namespace kelvane::client
