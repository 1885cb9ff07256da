// GlobalMemoryStatus from the host's /proc: physical memory and swap from meminfo, the
// program's own mapped size from its status.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/kernel/kernel.h"

namespace platform {
namespace {

constexpr std::uint64_t kVirtualSpace = 2ull << 30;  // a 32-bit program's address space

// The value of a "Name:   123 kB" line in bytes, or 0 when it is not there.
std::uint64_t KilobyteField(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, name.size() + 1, name + ":") != 0) continue;
        std::istringstream value(line.substr(name.size() + 1));
        std::uint64_t kilobytes = 0;
        if (value >> kilobytes) return kilobytes * 1024;
        return 0;
    }
    return 0;
}

DWORD Saturated(std::uint64_t bytes) { return static_cast<DWORD>(std::min<std::uint64_t>(bytes, 0xFFFFFFFFull)); }

std::string ReadText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

MEMORYSTATUS MemoryStatusFrom(const std::string& meminfo, const std::string& self_status) {
    const std::uint64_t total = KilobyteField(meminfo, "MemTotal");
    // MemAvailable is the kernel's own estimate of what can be had without swapping; old
    // kernels lack it, and free memory is the closest they give.
    std::uint64_t available = KilobyteField(meminfo, "MemAvailable");
    if (available == 0) available = KilobyteField(meminfo, "MemFree");
    available = std::min(available, total);
    const std::uint64_t swap_total = KilobyteField(meminfo, "SwapTotal");
    const std::uint64_t swap_free = std::min(KilobyteField(meminfo, "SwapFree"), swap_total);
    const std::uint64_t mapped = std::min(KilobyteField(self_status, "VmSize"), kVirtualSpace);

    MEMORYSTATUS status;
    status.dwMemoryLoad = total ? static_cast<DWORD>((total - available) * 100 / total) : 0;
    status.dwTotalPhys = Saturated(total);
    status.dwAvailPhys = Saturated(available);
    status.dwTotalPageFile = Saturated(swap_total);
    status.dwAvailPageFile = Saturated(swap_free);
    status.dwTotalVirtual = Saturated(kVirtualSpace);
    status.dwAvailVirtual = Saturated(kVirtualSpace - mapped);
    return status;
}

}  // namespace platform

void GlobalMemoryStatus(MEMORYSTATUS* status) {
    if (!status) return;
    *status = platform::MemoryStatusFrom(platform::ReadText("/proc/meminfo"), platform::ReadText("/proc/self/status"));
}
