// GlobalMemoryStatusEx.
#include <windows.h>

#include "platform/memory_status.h"

namespace Tarn::Platform {

uint64_t AvailablePhysicalMemory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return status.ullAvailPhys;
}

}  // namespace Tarn::Platform
