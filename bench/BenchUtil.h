#pragma once
// Small helpers shared by the benchmarks: summary figures and CPU time.
#include <QString>
#include <algorithm>
#include <sys/resource.h>
#include <vector>

struct Summary {
    double median = 0, min = 0, max = 0;
};

inline Summary summarize(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back()};
}

// User + system CPU time of this process, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
