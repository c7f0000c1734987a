#include "app/method_selection.h"

#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/number_format.h"

namespace tarvik {

Real BytesToMegabytes(__int128 bytes) { return static_cast<Real>(bytes) / 1024 / 1024; }

__int128 MethodStorageBytes(MethodId method, int64_t n) { return Traits(method).storageBytes(n); }

__int128 MethodAllocationBytes(MethodId method, int64_t n, bool quadraticFromFiles, int hessianBand) {
    const MethodTraits& m = Traits(method);
    const __int128 vector = (__int128(n) + 1) * sizeof(Real);
    // No iteration holds more than ten vectors of its own at a time (BFGS
    // six, the Newton methods with their elimination five).
    __int128 bytes = 10 * vector;
    if (m.formsHessian && hessianBand >= 0) {
        // The band, and the elimination's rows, which fill in a few more
        // columns each.
        bytes += 4 * (__int128(n) + 1) * (2 * hessianBand + 1) * __int128(sizeof(Real));
    } else if (m.hessianMatrix) {
        bytes += MyArray2::Bytes(n);
    }
    if (m.inverseHessianTriangle) bytes += PackedSymmetric::Bytes(n);
    // The elimination keeps the matrix from files and works in a copy.
    if (m.formsHessian && quadraticFromFiles) bytes += MyArray2::Bytes(n);
    if (m.lbfgsPairs != 0) bytes += 2 * (__int128(m.lbfgsPairs) + 1) * (__int128(n) + 1) * kStoredRealBytes;
    // Dir, and the collinear method's three vectors besides.
    if (IsCollinear(m))
        bytes += 4 * vector;
    else if (!m.searchesAlongGradient)
        bytes += vector;
    return bytes;
}

void ShowStorageNeed(RunState& s, Real megabytes, int n) {
    if (n < 500) return;
    s.SetStatus(" Distributing the storage... need " + FormatFloat("0.###", megabytes) + "MB");
    s.Host->ProcessEvents();
}

void MethodSelect(RunState& s, int n) {
    const MethodTraits& m = Traits(MethodAtListPosition(s.Choices.MethodPosition));
    if (s.Preparing) s.AppendLine("Memory allocation...");

    s.MethodCode = m.id;
    s.MethodName = std::string(m.name.substr(0, 60));
    if (m.lbfgsPairs != 0) s.LbfgsMemory = static_cast<uint8_t>(m.lbfgsPairs);
    Real& ProblemStorageMB = s.StorageMB;
    ProblemStorageMB += BytesToMegabytes(m.storageBytes(n));
    if (m.announcesStorage) ShowStorageNeed(s, ProblemStorageMB, n);

    // Arrays of the previous selection go first, so a failed allocation
    // never leaves a mixture behind.
    ReleaseVector(s.Dir);
    s.HMatrix.release();
    s.InverseHessian.release();
    s.HBand.release();
    s.LbfgsS.release();
    s.LbfgsY.release();
    ReleaseVector(s.DivGradVec);
    ReleaseVector(s.DivGradVecPrev);
    ReleaseVector(s.GradJSaved);
    ReleaseVector(s.Collinear.ub);
    ReleaseVector(s.Collinear.gb);

    const auto rows = static_cast<std::size_t>(n) + 1;
    if (m.hessianMatrix) s.HMatrix = NewMatrix(n);
    if (m.inverseHessianTriangle) s.InverseHessian = PackedSymmetric(n);
    // A banded Hessian is kept as its band, which the Newton step shapes.
    if (m.hessianMatrix && !(m.formsHessian && Traits(s.FunctionCode).hessianBand >= 0)) s.HMatrix = NewMatrix(n);
    if (m.lbfgsPairs != 0) {
        s.LbfgsS = MyArray2(static_cast<std::size_t>(m.lbfgsPairs) + 1, rows);
        s.LbfgsY = MyArray2(static_cast<std::size_t>(m.lbfgsPairs) + 1, rows);
    }
    if (IsCollinear(m)) {
        s.DivGradVec = NewVector(n);
        s.DivGradVecPrev = NewVector(n);
    }
    // Every direction but the gradient itself is kept in Dir.
    if (!m.searchesAlongGradient) s.Dir = NewVector(n);
    if (IsCollinear(m)) s.GradJSaved = NewVector(n);
    s.SetStatus("");
}

} // namespace tarvik
