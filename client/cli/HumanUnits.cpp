// Formatting of byte counts, rates and durations.
#include "client/cli/HumanUnits.h"

#include <cmath>
#include <cstdio>

namespace kelvane::cli {

namespace {
std::string formatScaled(double value) {
    static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(units)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    if (unit == 0)
        std::snprintf(text, sizeof text, "%.0f B", value);
    else if (value < 10.0)
        std::snprintf(text, sizeof text, "%.2f %s", value, units[unit]);
    else if (value < 100.0)
        std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    else
        std::snprintf(text, sizeof text, "%.0f %s", value, units[unit]);
    return text;
}
} // namespace

std::string formatBytes(uint64_t bytes) {
    return formatScaled(static_cast<double>(bytes));
}

std::string formatRate(double bytesPerSecond) {
    if (!std::isfinite(bytesPerSecond) || bytesPerSecond < 0)
        bytesPerSecond = 0;
    return formatScaled(bytesPerSecond) + "/s";
}

std::string formatDuration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 359999.0)
        return "--:--";
    auto total = static_cast<long>(std::lround(seconds));
    long hours = total / 3600, minutes = total / 60 % 60, rest = total % 60;
    char text[32];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", hours, minutes, rest);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", minutes, rest);
    return text;
}

} // namespace kelvane::cli
