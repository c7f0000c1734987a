#pragma once
// How much memory a new problem can really get. Linux grants large
// allocations lazily and the kernel's out-of-memory killer ends a process
// that then touches more than there is, so std::bad_alloc comes too late or
// never: the need is compared with what is there before allocating.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/numeric.h"

namespace tarvik {

struct MemoryFigures {
    std::optional<uint64_t> available = std::nullopt;          // MemAvailable of /proc/meminfo
    std::optional<uint64_t> addressSpaceLimit = std::nullopt;  // RLIMIT_AS, when one is set
    uint64_t addressSpaceUsed = 0;                             // VmSize of /proc/self/status
    std::optional<uint64_t> dataLimit = std::nullopt;          // RLIMIT_DATA, when one is set
    uint64_t dataUsed = 0;                                     // VmData of /proc/self/status
    std::optional<uint64_t> groupLimit = std::nullopt;         // the process's control group's limit
    uint64_t groupUsed = 0;                                    // and that group's usage
};

// The figures of this process on this machine, now.
MemoryFigures ReadMemoryFigures();

// The most that new allocations can take: the least of the known figures,
// UINT64_MAX when none is known.
uint64_t ObtainableBytes(const MemoryFigures& f);

// The figure that preparation compares with. Tests put their own probe in
// place (an empty one restores the machine's figures) and get the previous
// one back.
using MemoryProbe = std::function<uint64_t()>;
MemoryProbe SetMemoryProbe(MemoryProbe probe);
uint64_t ObtainableMemory();

// Raises ERealBadError "Not enough memory for a problem of dimension n=..."
// when `bytes`, what is about to be allocated, does not fit into the memory
// this process can get.
void RequireMemory(int n, __int128 bytes);

// The message of a problem too large for the memory.
std::string NotEnoughMemoryText(int n);

} // namespace tarvik
