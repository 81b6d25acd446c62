// Byte counts, rates and durations written for people.
#pragma once

#include <cstdint>
#include <string>

namespace kelvane::cli {

// "0 B", "999 B", "1.0 KiB", "12.3 MiB", "4.66 GiB": binary units, three significant digits.
std::string formatBytes(uint64_t bytes);
// formatBytes of a per-second figure, with "/s".
std::string formatRate(double bytesPerSecond);
// "0:07", "12:05", "1:02:03"; "--:--" for a negative or unknown duration.
std::string formatDuration(double seconds);

} // namespace kelvane::cli
