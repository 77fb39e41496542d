// Available memory from /proc/meminfo, with sysinfo as the fallback.
#include "platform/memory_status.h"

#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>

namespace Tarn::Platform {

uint64_t AvailablePhysicalMemory() {
    if (FILE* meminfo = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        unsigned long long kib = 0;
        bool found = false;
        while (std::fgets(line, sizeof line, meminfo)) {
            if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
                found = true;
                break;
            }
        }
        std::fclose(meminfo);
        if (found) return static_cast<uint64_t>(kib) * 1024u;
    }
    struct sysinfo info {};
    if (sysinfo(&info) != 0) return 0;
    return static_cast<uint64_t>(info.freeram) * info.mem_unit;
}

}  // namespace Tarn::Platform
