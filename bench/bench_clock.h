#pragma once
// The clocks and the median the benchmarks share.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <vector>

namespace tarvik::bench {

inline double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// CPU time of all threads: on a busy machine, what the split work costs.
inline double ProcessSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

inline double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double MedianSeconds(int repeats, const std::function<void()>& body, double (*clock)() = ThreadSeconds) {
    std::vector<double> t;
    for (int r = 0; r < repeats; ++r) {
        const double start = clock();
        body();
        t.push_back(clock() - start);
    }
    return Median(std::move(t));
}

} // namespace tarvik::bench
