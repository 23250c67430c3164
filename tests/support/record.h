// What a test reads or sets in a docklet's record where nothing the dock
// sees tells it: the samples behind the graph, what the sensor learnt of the
// driver, and settings changed under a running docklet whose kept layers
// must notice. Everything else the tests check as the dock sees it (see
// harness.h); this is the one place that knows the record.
#pragma once

#include <vector>

#include "dock.h"
#include "gpu/gpu_state.h"
#include "gpu/warr.h"
#include "harness.h"

namespace harness {

// The samples of a history, oldest first; of the docklet's (none without one).
std::vector<int> Samples(const Warr<int>& history);
std::vector<int> Samples(const dockhost::Docklet* docklet);

// What the sensor keeps about the driver and the processors.
const GpuState& Gpu(const dockhost::Docklet* docklet);

// Sets the settings named by their INI keys (values as the file holds them)
// in a running docklet, which notices at its next refresh, as it does after
// the sheet's OK; what it drew and kept before stays. An unknown key fails
// the test.
void ChangeSettings(dockhost::Docklet* docklet, const KeyValues& settings);

// The docklet without its history while this lives, as when it could not
// be made at creation.
class WithoutHistory {
public:
    explicit WithoutHistory(dockhost::Docklet* docklet);
    ~WithoutHistory();
    WithoutHistory(const WithoutHistory&) = delete;
    WithoutHistory& operator=(const WithoutHistory&) = delete;

private:
    dockhost::Docklet* docklet_;
    void* history_;
};

} // namespace harness
