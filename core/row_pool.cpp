#include "core/row_pool.h"

#include <algorithm>
#include <cfenv>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace tarvik {

namespace {

// Waking a worker costs some microseconds; an extended-precision multiply
// and subtract about a nanosecond.
constexpr double kMinSplitWork = 60000;

class RowPool {
public:
    RowPool() {
        const unsigned cores = std::thread::hardware_concurrency();
        shares_ = static_cast<int>(std::clamp(cores, 1u, 8u));
        flags_.assign(static_cast<std::size_t>(shares_ - 1), 0);
        for (int w = 0; w + 1 < shares_; ++w) threads_.emplace_back([this, w] { Work(w); });
    }
    ~RowPool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    RowPool(const RowPool&) = delete;
    RowPool& operator=(const RowPool&) = delete;

    int Shares() const { return shares_; }

    void Run(int first, int last, const std::function<void(int, int)>& body) {
        const int shares = Shares();
        const int count = last - first + 1;
        std::fenv_t env;
        std::fegetenv(&env);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            body_ = &body;
            env_ = env;
            first_ = first;
            count_ = count;
            pending_ = shares - 1;
            ++generation_;
        }
        wake_.notify_all();
        const int end = first + count / shares - 1;
        if (end >= first) body(first, end);
        int raised = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait(lock, [this] { return pending_ == 0; });
            for (int f : flags_) raised |= f;
            body_ = nullptr;
        }
        if (raised != 0) std::feraiseexcept(raised);
    }

private:
    void Work(int w) {
        uint64_t seen = 0;
        for (;;) {
            const std::function<void(int, int)>* body = nullptr;
            std::fenv_t env;
            int first = 0, count = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
                if (quit_) return;
                seen = generation_;
                body = body_;
                env = env_;
                first = first_;
                count = count_;
            }
            const int shares = Shares();
            const int part = w + 1;
            const int begin = first + static_cast<int>(static_cast<int64_t>(count) * part / shares);
            const int end = first + static_cast<int>(static_cast<int64_t>(count) * (part + 1) / shares) - 1;
            std::fesetenv(&env);
            std::feclearexcept(FE_ALL_EXCEPT);
            if (end >= begin) (*body)(begin, end);
            const int raised = std::fetestexcept(FE_ALL_EXCEPT);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                flags_[static_cast<std::size_t>(w)] = raised;
                if (--pending_ == 0) done_.notify_one();
            }
        }
    }

    int shares_ = 1;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(int, int)>* body_ = nullptr;
    std::fenv_t env_{};
    int first_ = 0, count_ = 0, pending_ = 0;
    uint64_t generation_ = 0;
    bool quit_ = false;
    std::vector<int> flags_;
};

RowPool& Pool() {
    static RowPool pool;
    return pool;
}

} // namespace

int RowShares() { return Pool().Shares(); }

void SplitRows(int first, int last, double work, const std::function<void(int, int)>& body) {
    if (last < first) return;
    if (work < kMinSplitWork || last == first || Pool().Shares() == 1) {
        body(first, last);
        return;
    }
    Pool().Run(first, last, body);
}

void SplitRowsByWork(int first, int last, const std::function<double(int)>& rowWork,
                     const std::function<void(int, int)>& body) {
    if (last < first) return;
    double total = 0;
    for (int i = first; i <= last; ++i) total += rowWork(i);
    const int shares = Pool().Shares();
    if (total < kMinSplitWork || last == first || shares == 1) {
        body(first, last);
        return;
    }
    // bounds[p] is the first row of part p: the row at which the work done
    // before it reaches p/shares of the whole.
    std::vector<int> bounds(static_cast<std::size_t>(shares) + 1, last + 1);
    bounds[0] = first;
    double before = 0;
    int part = 1;
    for (int i = first; i <= last && part < shares; ++i) {
        while (part < shares && before >= total * part / shares) bounds[static_cast<std::size_t>(part++)] = i;
        before += rowWork(i);
    }
    Pool().Run(0, shares - 1, [&](int p0, int p1) {
        for (int p = p0; p <= p1; ++p) {
            const int a = bounds[static_cast<std::size_t>(p)], b = bounds[static_cast<std::size_t>(p) + 1] - 1;
            if (a <= b) body(a, b);
        }
    });
}

} // namespace tarvik
