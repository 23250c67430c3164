// What the test programs, the fuzzers and the benchmarks read or set in a
// docklet's record where nothing the dock sees tells it: the samples behind
// the graph and the last reading, what the sensor learnt of the driver, the
// settings as they are held (texts before they meet the dock's code page),
// and settings changed under a running docklet whose kept layers must
// notice. This is the one place outside the module that knows the record's
// layout; everything else checks the docklet as the dock sees it.
#pragma once

#include <stddef.h>

#include <string>
#include <utility>
#include <vector>

#include "dock.h"
#include "gpu/gpu_state.h"
#include "gpu/warr.h"

namespace record {

// The samples of a history, oldest first; of the docklet's (none without one).
std::vector<int> Samples(const Warr<int>& history);
std::vector<int> Samples(const dockhost::Docklet* docklet);
// The docklet's history itself (null without one), for a benchmark that
// sets its samples.
Warr<int>* History(const dockhost::Docklet* docklet);
// The last reading, in degrees Celsius; -1 when it read nothing.
int LastReading(const dockhost::Docklet* docklet);

// What the sensor keeps about the driver and the processors.
const GpuState& Gpu(const dockhost::Docklet* docklet);

// A text setting as the docklet holds it, by its INI key (and "EmptyImage",
// the resolved picture shown while icons are hidden): the field's units and
// its capacity, terminator included.
struct HeldText {
    const char* key;
    const wchar_t* units;
    size_t capacity;
};
std::vector<HeldText> Texts(const dockhost::Docklet* docklet);
std::wstring Text(const dockhost::Docklet* docklet, const std::string& key);
// A number setting as the docklet holds it, by its INI key; 0 for a key
// that is no number setting.
long Number(const dockhost::Docklet* docklet, const std::string& key);

// Sets the settings named by their INI keys (values as a file holds them)
// in a running docklet, which notices at its next refresh, as it does after
// the sheet's OK; what it drew and kept before stays. False when a key is
// none of the font's, the colours', the transparencies' or the switches'.
bool ChangeSettings(dockhost::Docklet* docklet, const std::vector<std::pair<std::string, std::string>>& settings);

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
    Warr<int>* history_;
};

} // namespace record
