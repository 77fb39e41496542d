// How much physical memory the system can still hand out.
#pragma once

#include <cstdint>

namespace Tarn::Platform {

// Available physical memory in bytes: MemAvailable of /proc/meminfo, else free RAM from
// sysinfo.
uint64_t AvailablePhysicalMemory();

}  // namespace Tarn::Platform
