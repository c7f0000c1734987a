#include "app/method_selection.h"

#include "core/number_format.h"
#include "core/method_catalogue.h"

namespace tarvik {

Real BytesToMegabytes(__int128 bytes) { return static_cast<Real>(bytes) / 1024 / 1024; }

__int128 MethodStorageBytes(int position, int64_t n) {
    const __int128 nn = n;
    switch (position) {
    case 0: return 0;
    case 1: return 40 * nn;
    case 2: return 20 * nn;
    case 3: case 5: return 50 * nn;
    case 4: case 6: return 30 * nn;
    case 7: case 8: return 30 * (nn * nn + nn);
    case 9: case 10: return 10 * (2 * 5 * nn + 2 * nn);
    case 11: return 10 * (2 * 15 * nn + 2 * nn);
    case 12: case 13: return 20 * (nn * nn + nn);
    case 14: return 70 * nn;
    case 15: return 10 * (2 * nn * nn + 3 * nn);
    default: return 40 * nn;
    }
}

__int128 MethodAllocationBytes(int position, int64_t n, bool quadraticFromFiles) {
    const MethodEntry& entry = MethodAtPosition(position);
    const __int128 vector = (__int128(n) + 1) * sizeof(Real);
    // No iteration holds more than ten vectors of its own at a time (BFGS
    // six, the Newton methods with their elimination five).
    __int128 bytes = 10 * vector;
    switch (entry.group) {
    case MethodGroupId::Grad:
        break;
    case MethodGroupId::ConjGrad:
        bytes += vector;
        break;
    case MethodGroupId::QuasiN:
        if (position == 7 || position == 8)
            bytes += MyArray2::Bytes(n);
        else
            bytes += 2 * (__int128(entry.lbfgsMemory) + 1) * (__int128(n) + 1) * kStoredRealBytes;
        bytes += vector;
        break;
    case MethodGroupId::Newton:
        if (position != 14) bytes += MyArray2::Bytes(n);
        if (position != 14 && quadraticFromFiles) bytes += MyArray2::Bytes(n);
        bytes += vector;
        break;
    case MethodGroupId::Author:
        bytes += 4 * vector;
        break;
    }
    return bytes;
}

void ShowStorageNeed(RunState& s, Real megabytes, int n) {
    if (n < 500) return;
    s.SetStatus(" Distributing the storage... need " + FormatFloat("0.###", megabytes) + "MB");
    s.Host->ProcessEvents();
}

void MethodSelect(RunState& s, int n) {
    const int p = s.Choices.MethodPosition;
    const MethodEntry& entry = MethodAtPosition(p);
    if (s.Preparing) s.AppendLine("Memory allocation...");

    s.MethodCode = entry.code;
    s.MethodName = std::string(entry.name.substr(0, 60));
    if (entry.lbfgsMemory != 0) s.LbfgsMemory = entry.lbfgsMemory;
    Real& ProblemStorageMB = s.StorageMB;
    ProblemStorageMB += BytesToMegabytes(MethodStorageBytes(p, n));
    if (p != 2) ShowStorageNeed(s, ProblemStorageMB, n);

    // Arrays of the previous selection go first, so a failed allocation
    // never leaves a mixture behind.
    ReleaseVector(s.Dir);
    s.HMatrix.release();
    s.LbfgsS.release();
    s.LbfgsY.release();
    ReleaseVector(s.DivGradVec);
    ReleaseVector(s.DivGradVecPrev);
    ReleaseVector(s.GradJSaved);

    const auto rows = static_cast<std::size_t>(n) + 1;
    switch (entry.group) {
    case MethodGroupId::Grad:
        break;
    case MethodGroupId::ConjGrad:
        s.Dir = NewVector(n);
        break;
    case MethodGroupId::QuasiN:
        if (p == 7 || p == 8) {
            s.HMatrix = NewMatrix(n);
        } else {
            s.LbfgsS = MyArray2(static_cast<std::size_t>(entry.lbfgsMemory) + 1, rows);
            s.LbfgsY = MyArray2(static_cast<std::size_t>(entry.lbfgsMemory) + 1, rows);
        }
        s.Dir = NewVector(n);
        break;
    case MethodGroupId::Newton:
        if (p != 14) s.HMatrix = NewMatrix(n);
        s.Dir = NewVector(n);
        break;
    case MethodGroupId::Author:
        s.DivGradVec = NewVector(n);
        s.DivGradVecPrev = NewVector(n);
        s.Dir = NewVector(n);
        s.GradJSaved = NewVector(n);
        break;
    }
    s.SetStatus("");
}

} // namespace tarvik
