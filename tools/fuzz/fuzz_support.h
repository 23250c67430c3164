// What both fuzz programs share: a seeded generator whose cases can be run
// one by one, a dock with the host's services, refresh timing, counts, the
// crash and hang guard, and GDI object and memory figures.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "dock.h"
#include "host_services.h"

namespace fuzz {

// splitmix64: small, fast, the same sequence on every machine.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next();
    uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }
    int Between(int low, int high) { return low + static_cast<int>(Below(static_cast<uint32_t>(high - low + 1))); }
    bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }
    uint32_t Bits32() { return static_cast<uint32_t>(Next() >> 16); }
    template <typename T, size_t N>
    const T& Pick(const T (&items)[N]) { return items[Below(N)]; }

private:
    uint64_t state_;
};

// Each case has a generator of its own, so one case can be replayed alone.
uint64_t CaseSeed(uint64_t seed, long long index);

struct Options {
    uint64_t seed = 1;
    long long cases = 0;     // 0: the program's default for the mode
    long long only = -1;     // --case N: that case alone
    bool shortMode = false;  // --short
    bool verbose = false;    // --verbose: print every case's input
    std::vector<std::string> rest;
};
bool ParseOptions(int argc, wchar_t** argv, Options& options, const char* usage);

// Refresh times: a fixed-bucket distribution, the maximum and the case that
// took it.
class TimeStats {
public:
    void Add(double ms, long long caseIndex);
    void Print(const char* title, double boundMs) const;
    long long Count() const { return count_; }
    long long Over(double boundMs) const;

private:
    std::vector<double> samples_;
    long long count_ = 0;
    double max_ = 0;
    long long maxCase_ = -1;
};

// Outcome counts, printed in name order.
class Counts {
public:
    void Add(const std::string& outcome, long long n = 1) { counts_[outcome] += n; }
    long long Of(const std::string& outcome) const;
    void Print(const char* title) const;

private:
    std::map<std::string, long long> counts_;
};

// Faults found: every one is counted, the first ones are printed in full.
class Faults {
public:
    void Add(long long caseIndex, const std::string& what);
    long long Count() const { return count_; }
    void Print() const;

private:
    long long count_ = 0;
    std::map<std::string, long long> kinds_;
};

// Prints the case being run and exits when the module crashes or a case
// runs longer than `hangSeconds`.
void InstallGuard(const char* program, uint64_t seed, int hangSeconds);
void EnterCase(long long index, const char* phase);

// Live GDI objects of this process, counted by probing handle indexes.
int CountGdiObjects();
// The process's committed memory.
size_t CommittedBytes();

// A program's run of cases besides its faults: how many ran and how long
// they took, the GDI objects after the first case and at the end, the
// committed memory after the warm-up and at the end.
class CaseRun {
public:
    // Progress is printed every `progressEvery` cases.
    explicit CaseRun(long long progressEvery);
    // After each case: what the case left queued dispatched, then measured.
    void CaseDone(const Faults& faults);
    // After the last case: the end measured, and how many ran printed.
    void End();
    // The objects and memory, and GDI objects left behind as a fault.
    void PrintFootprint(Faults& faults) const;
    long long Ran() const { return ran_; }

private:
    long long progressEvery_;
    double started_;
    long long ran_ = 0;
    int gdiAfterFirst_ = -1, gdiAtEnd_ = -1;
    size_t bytesAfterWarmUp_ = 0, bytesAtEnd_ = 0;
};

std::string TempFolder(const char* program);
std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& content);

// Printable form of bytes: ASCII as is, others as \xHH.
std::string Escaped(const std::string& bytes, size_t limit = 200);

// Dispatches what the thread's queue holds, as a dock's message loop would;
// call it while no docklet is alive. Unread messages of destroyed windows
// keep memory in Wine.
void DrainMessages();

// Delivers one tick of the refresh timer as a host forwards it; returns the
// time it took.
double TimedTick(dockhost::Dock& dock, dockhost::Docklet* docklet);
std::string LabelOf(dockhost::Docklet* docklet);

} // namespace fuzz
