// What the benchmarks share: a millisecond clock and the figures they print.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench {

inline double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Figures {
    double median = 0, p95 = 0;
};

inline Figures Summarise(std::vector<double> samples)
{
    Figures figures;
    if (samples.empty())
        return figures;
    std::sort(samples.begin(), samples.end());
    figures.median = samples[samples.size() / 2];
    figures.p95 = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
    return figures;
}

} // namespace bench
