// Times the reading of what running processes hold (every descriptor, working folder and
// mapped file under /proc), which a clean-up does once: `build/bench/files_in_use [rounds]`.
// Prints the number of processes and the median time of a round.

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/files.h"

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    int processes = 0;
    if (DIR* proc = opendir("/proc")) {
        while (const dirent* entry = readdir(proc))
            if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9') ++processes;
        closedir(proc);
    }
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        { scourwell::platform::FilesInUseScope scope; }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    std::printf("processes %d\nmedian %.1f ms\nworst %.1f ms\n", processes, times[times.size() / 2],
                times.back());
    return 0;
}
