// What the benchmarks share: their dock, a millisecond clock and the figures
// they print.
#pragma once

#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <vector>

#include "dock.h"
#include "core/docklet.h"
#include "host_services.h"

namespace bench {

inline double Now()
{
    return dockhost::NowMilliseconds();
}

// The simulated driver, playing its built-in "demo" scenario; false when
// it cannot be loaded.
inline bool UseDemoDriver()
{
    SetEnvironmentVariableW(L"MORAVEL_SIMGPU", L"demo");
    return dockhost::UseDriverLibrary(dockhost::BuiltSimulatedDriver());
}

// The module loaded into `dock`, whose repaint requests are off so that the
// figures are the docklet's own; false, said on the error stream as
// `program`, when it cannot be loaded.
inline bool LoadModule(dockhost::Dock& dock, const char* program)
{
    if (!dock.LoadModule(dockhost::BuiltModule())) {
        fprintf(stderr, "%s: cannot load MoravelDocklet.dll\n", program);
        return false;
    }
    dockhost::Services().repaint = false;
    return true;
}

// A docklet without settings, its timer stopped: only the benchmark
// refreshes it. Null, said as `program`, without one.
inline dockhost::Docklet* AddDocklet(dockhost::Dock& dock, const char* program, bool visible = false)
{
    dockhost::Docklet* docklet = dock.AddDocklet(nullptr, nullptr, visible);
    if (!docklet || !docklet->instance) {
        fprintf(stderr, "%s: no docklet (is there a display?)\n", program);
        return nullptr;
    }
    KillTimer(docklet->hwnd, REFRESH_TIMER_ID);
    return docklet;
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
