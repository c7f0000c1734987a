#include "core/gauss.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/progress.h"

namespace tarvik {

namespace {

constexpr int kPanel = 8;

// The work matrix is a run-state item so that its storage shows up where
// the rest of the run's storage lives, but it must never outlive one solve,
// not even when Stop or a zero pivot ends the elimination half-way.
class GaussWorkScope {
public:
    explicit GaussWorkScope(RunState& s) : s_(s) {}
    ~GaussWorkScope() { s_.GaussWork.release(); }
    GaussWorkScope(const GaussWorkScope&) = delete;
    GaussWorkScope& operator=(const GaussWorkScope&) = delete;

private:
    RunState& s_;
};

[[noreturn]] void RaiseZeroPivot(RunState& s, MyArray1& x, int n) {
    s.ResumeSteepest = 1;
    for (int i = 1; i <= n; ++i) x[i] = s.GradJ[i];
    s.Host->HideProgress();
    if (s.FunctionCode == 13 && s.IterCount == 0) throw ERealBadError("Incorrect Function parameters.");
    throw ENotSoBadError("Hessian matrix is 0! (Iterate=" + std::to_string(s.IterCount) + ").");
}

} // namespace

void GaussSolve(RunState& s, MyArray1& x) {
    const int n = s.N;
    const MyArray2& m = (s.FunctionCode == 17) ? s.Quad.QuadA : s.HMatrix;
    if (x.size() < static_cast<std::size_t>(n) + 1) x.resize(static_cast<std::size_t>(n) + 1, 0.0L);

    if (n >= 200) {
        s.Host->ShowProgress(n);
        s.SetStatus(" Gauss method works...");
    }

    GaussWorkScope scope(s);
    s.GaussWork = NewMatrix(n);
    MyArray2& w = s.GaussWork;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) w[i][j] = m[i][j];
    MyArray1 r = NewVector(n);
    for (int i = 1; i <= n; ++i) r[i] = s.GradJ[i];
    std::vector<int> p(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) p[i] = i;

    // Right-looking elimination, organised in panels of pivot rows: the rows
    // below a panel receive its updates one element at a time, with the
    // element held in a register across the panel's updates. Every element
    // still sees the same operations in the same order as with one update
    // sweep per pivot row, so the result is bit for bit the same; only the
    // memory traffic, which dominates for large n, shrinks.
    for (int k0 = 1; k0 <= n; k0 += kPanel) {
        const int kEnd = std::min(n, k0 + kPanel - 1);

        for (int k = k0; k <= kEnd; ++k) {
            ProgressTick(s);

            Real best = 0;
            int q = k;
            Real* rowK = w[k];
            for (int j = k; j <= n; ++j) {
                if (std::fabs(rowK[j]) > std::fabs(best)) {
                    best = rowK[j];
                    q = j;
                }
            }
            if (best == 0) RaiseZeroPivot(s, x, n);

            if (k < n) {
                for (int i = 1; i <= n; ++i) std::swap(w[i][k], w[i][q]);
                std::swap(p[k], p[q]);
            }

            const Real pivot = rowK[k];
            for (int j = k; j <= n; ++j) rowK[j] = rowK[j] / pivot;
            r[k] = r[k] / pivot;

            // The panel's own rows are needed complete for their pivot search.
            if (k < n) {
                for (int i = k + 1; i <= kEnd; ++i) {
                    Real* rowI = w[i];
                    const Real f = rowI[k];
                    for (int j = k; j <= n; ++j) rowI[j] = rowI[j] - f * rowK[j];
                    r[i] = r[i] - r[k] * f;
                }
            }
        }

        const int width = kEnd - k0 + 1;
        const Real* pivotRow[kPanel];
        for (int t = 0; t < width; ++t) pivotRow[t] = w[k0 + t];
        for (int i = kEnd + 1; i <= n; ++i) {
            Real* rowI = w[i];
            // f[t] is the multiplier of pivot row k0 + t: the entry of this
            // row in that pivot column after the updates of the earlier ones.
            Real f[kPanel];
            for (int t = 0; t < width; ++t) {
                const int j = k0 + t;
                Real v = rowI[j];
                for (int u = 0; u < t; ++u) v = v - f[u] * pivotRow[u][j];
                f[t] = v;
                v = v - f[t] * pivotRow[t][j];
                rowI[j] = v;
            }
            for (int j = kEnd + 1; j <= n; ++j) {
                Real v = rowI[j];
                for (int t = 0; t < width; ++t) v = v - f[t] * pivotRow[t][j];
                rowI[j] = v;
            }
            for (int t = 0; t < width; ++t) r[i] = r[i] - r[k0 + t] * f[t];
        }
    }

    x[n] = r[n];
    for (int i = n - 1; i >= 1; --i) {
        const Real* rowI = w[i];
        Real sum = 0;
        for (int j = i + 1; j <= n; ++j) sum += rowI[j] * x[j];
        x[i] = r[i] - sum;
    }

    for (int i = 1; i <= n; ++i) {
        if (p[i] != i) {
            int j = i + 1;
            while (j <= n && p[j] != i) ++j;
            std::swap(x[i], x[j]);
            std::swap(p[i], p[j]);
        }
    }

    s.Host->HideProgress();
}

} // namespace tarvik
