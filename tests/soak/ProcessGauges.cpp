// Reading a process's descriptors, threads and resident memory from /proc.
#include "tests/soak/ProcessGauges.h"

#include <filesystem>
#include <fstream>

namespace {

int countEntries(const std::string& folder) {
    std::error_code error;
    int count = 0;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        ++count;
    return error ? -1 : count;
}

} // namespace

std::string ProcessGauges::describe() const {
    return std::to_string(descriptors) + " descriptors, " + std::to_string(threads) + " threads, " +
           std::to_string(residentKilobytes) + " KiB resident";
}

ProcessGauges readProcessGauges(pid_t pid) {
    ProcessGauges gauges;
    std::string base = "/proc/" + std::to_string(pid);
    gauges.descriptors = countEntries(base + "/fd");
    gauges.threads = countEntries(base + "/task");
    std::ifstream status(base + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            gauges.residentKilobytes = std::stol(line.substr(6));
    }
    return gauges;
}
