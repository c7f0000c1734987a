#include "app/memory_budget.h"

#include <sys/resource.h>

#include <fstream>
#include <limits>
#include <sstream>
#include <utility>

#include "core/errors.h"

namespace tarvik {

namespace {

// "Key:   123 kB" in a /proc text, in bytes.
std::optional<uint64_t> KilobyteField(const char* path, const std::string& key) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0 || line.size() <= key.size() || line[key.size()] != ':') continue;
        std::istringstream fields(line.substr(key.size() + 1));
        uint64_t kilobytes = 0;
        if (!(fields >> kilobytes)) return std::nullopt;
        return kilobytes * 1024;
    }
    return std::nullopt;
}

std::optional<uint64_t> Limit(int resource) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return static_cast<uint64_t>(limit.rlim_cur);
}

std::optional<uint64_t> NumberIn(const std::string& path) {
    std::ifstream in(path);
    uint64_t value = 0;
    if (!(in >> value)) return std::nullopt;  // also "max": no limit
    return value;
}

// A container's limit does not show in /proc/meminfo, yet the kernel ends
// a process of a group that exceeds it. Version 2 first, then version 1.
void ReadGroupLimit(MemoryFigures& f) {
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string group = line.substr(second + 1);
        std::optional<uint64_t> limit, used;
        if (controllers.empty()) {
            limit = NumberIn("/sys/fs/cgroup" + group + "/memory.max");
            used = NumberIn("/sys/fs/cgroup" + group + "/memory.current");
        } else if (controllers == "memory") {
            limit = NumberIn("/sys/fs/cgroup/memory" + group + "/memory.limit_in_bytes");
            used = NumberIn("/sys/fs/cgroup/memory" + group + "/memory.usage_in_bytes");
        }
        // Version 1 writes "no limit" as a number near 2^63.
        if (limit && *limit < (uint64_t{1} << 62) && (!f.groupLimit || *limit < *f.groupLimit)) {
            f.groupLimit = limit;
            f.groupUsed = used.value_or(0);
        }
    }
}

MemoryProbe& Probe() {
    static MemoryProbe probe;
    return probe;
}

} // namespace

MemoryFigures ReadMemoryFigures() {
    MemoryFigures f;
    f.available = KilobyteField("/proc/meminfo", "MemAvailable");
    f.addressSpaceLimit = Limit(RLIMIT_AS);
    f.dataLimit = Limit(RLIMIT_DATA);
    if (f.addressSpaceLimit) f.addressSpaceUsed = KilobyteField("/proc/self/status", "VmSize").value_or(0);
    if (f.dataLimit) f.dataUsed = KilobyteField("/proc/self/status", "VmData").value_or(0);
    ReadGroupLimit(f);
    return f;
}

uint64_t ObtainableBytes(const MemoryFigures& f) {
    uint64_t bytes = std::numeric_limits<uint64_t>::max();
    auto within = [&bytes](uint64_t limit, uint64_t used) {
        const uint64_t left = limit > used ? limit - used : 0;
        if (left < bytes) bytes = left;
    };
    if (f.available) within(*f.available, 0);
    if (f.addressSpaceLimit) within(*f.addressSpaceLimit, f.addressSpaceUsed);
    if (f.dataLimit) within(*f.dataLimit, f.dataUsed);
    if (f.groupLimit) within(*f.groupLimit, f.groupUsed);
    return bytes;
}

MemoryProbe SetMemoryProbe(MemoryProbe probe) { return std::exchange(Probe(), std::move(probe)); }

uint64_t ObtainableMemory() {
    if (Probe()) return Probe()();
    return ObtainableBytes(ReadMemoryFigures());
}

std::string NotEnoughMemoryText(int n) {
    return "Not enough memory for a problem of dimension n=" + std::to_string(n) +
           " with this method. Please choose a smaller n.";
}

void RequireMemory(int n, __int128 bytes) {
    if (bytes > static_cast<__int128>(ObtainableMemory())) throw ERealBadError(NotEnoughMemoryText(n));
}

} // namespace tarvik
