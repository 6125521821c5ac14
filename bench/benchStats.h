#pragma once
// Timing of the benchmarks: every figure is the median of several runs with
// the fastest and the slowest beside it, never a best or a mean alone (the
// machine may be shared; the spread shows how much).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

struct BenchTiming {
    double median = 0, min = 0, max = 0;  // seconds
    int runs = 0;
};

// Median and min-max of the times of single runs, in seconds.
inline BenchTiming benchSummary(std::vector<double> t) {
    BenchTiming r;
    if (t.empty()) return r;
    std::sort(t.begin(), t.end());
    const size_t n = t.size();
    r.median = n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
    r.min = t.front();
    r.max = t.back();
    r.runs = static_cast<int>(n);
    return r;
}

// Runs f runs times (at least 7) and times each run; between runs,
// between() is called outside the timing.
template <typename F, typename G = void (*)()>
BenchTiming benchRuns(int runs, F&& f, G between = [] {}) {
    runs = std::max(runs, 7);
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        auto a = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count());
        between();
    }
    return benchSummary(std::move(t));
}

// "12.345 ms (11.9-13.0 ms, 15 runs)"
inline std::string benchMs(const BenchTiming& t) {
    char s[96];
    std::snprintf(s, sizeof s, "%.3f ms (%.3f-%.3f ms, %d runs)", t.median * 1e3, t.min * 1e3,
                  t.max * 1e3, t.runs);
    return s;
}
