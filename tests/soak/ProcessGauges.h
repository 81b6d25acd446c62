// What a running process holds, read from /proc: open descriptors, threads and resident memory.
#pragma once

#include <string>
#include <sys/types.h>

struct ProcessGauges {
    int descriptors = -1;
    int threads = -1;
    long residentKilobytes = -1;

    std::string describe() const;
};

ProcessGauges readProcessGauges(pid_t pid);
