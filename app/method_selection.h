#pragma once
// Turns the chosen list position into MethodCode, the method's arrays
// and its share of the storage estimate.
#include <cstdint>

#include "core/run_state.h"

namespace tarvik {

// Bytes of the method's own arrays for dimension n, formed exactly.
__int128 MethodStorageBytes(MethodId method, int64_t n);

// Bytes that the method's arrays (as MethodSelect allocates them) and its
// iterations' work arrays really take for dimension n; quadraticFromFiles
// adds the work copy the Newton elimination needs to keep that matrix.
__int128 MethodAllocationBytes(MethodId method, int64_t n, bool quadraticFromFiles, int hessianBand = -1);

// Storage need in the status bar (only for n >= 500).
void ShowStorageNeed(RunState& s, Real megabytes, int n);

// Selects the method at s.Choices.MethodPosition for dimension n: sets
// MethodCode, MethodName and LbfgsMemory, adds to StorageMB and allocates
// the method's arrays with n + 1 components (n = 0 gives empty ones).
void MethodSelect(RunState& s, int n);

// Bytes divided by 1024 twice in extended precision.
Real BytesToMegabytes(__int128 bytes);

} // namespace tarvik
