// CPU time this process has used so far, user and system together.
#pragma once

#include <sys/resource.h>

inline double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto to_s = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec / 1e6; };
    return to_s(usage.ru_utime) + to_s(usage.ru_stime);
}
