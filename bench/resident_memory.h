// The benchmarks' memory figure: the resident memory of this process now, from /proc.
#pragma once

#include <cstdio>
#include <unistd.h>

// In megabytes; the current figure, since the peak would show the page cache of a table's fill.
inline long residentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024) / 1024;
}
