#include "fuzz_support.h"

#include "footprint.h"

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <algorithm>

#include "core/docklet.h"

namespace fuzz {

uint64_t Rng::Next()
{
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t CaseSeed(uint64_t seed, long long index)
{
    Rng mixer(seed * 0x100000001B3ull + static_cast<uint64_t>(index));
    mixer.Next();
    return mixer.Next();
}

bool ParseOptions(int argc, wchar_t** argv, Options& options, const char* usage)
{
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--seed" && hasValue) {
            options.seed = wcstoull(argv[++i], nullptr, 0);
        } else if (arg == L"--cases" && hasValue) {
            options.cases = wcstoll(argv[++i], nullptr, 0);
        } else if (arg == L"--case" && hasValue) {
            options.only = wcstoll(argv[++i], nullptr, 0);
        } else if (arg == L"--short") {
            options.shortMode = true;
        } else if (arg == L"--verbose") {
            options.verbose = true;
        } else if (arg == L"--help") {
            fprintf(stdout, "%s", usage);
            return false;
        } else {
            options.rest.push_back(dockhost::Narrow(arg));
        }
    }
    return true;
}

CaseRun::CaseRun(long long progressEvery) : progressEvery_(progressEvery), started_(dockhost::NowMilliseconds()) {}

void CaseRun::CaseDone(const Faults& faults)
{
    DrainMessages();
    ++ran_;
    if (ran_ == 1)
        gdiAfterFirst_ = CountGdiObjects();
    if (ran_ == 50)
        bytesAfterWarmUp_ = CommittedBytes();
    if (ran_ % progressEvery_ == 0) {
        printf("... %lld cases, %lld faults, %.0f s\n", ran_, faults.Count(),
               (dockhost::NowMilliseconds() - started_) / 1000);
        fflush(stdout);
    }
}

void CaseRun::End()
{
    EnterCase(-1, "done");
    gdiAtEnd_ = CountGdiObjects();
    bytesAtEnd_ = CommittedBytes();
    printf("cases run: %lld in %.1f s\n", ran_, (dockhost::NowMilliseconds() - started_) / 1000);
}

void CaseRun::PrintFootprint(Faults& faults) const
{
    printf("GDI objects: %d after the first case, %d at the end\n", gdiAfterFirst_, gdiAtEnd_);
    if (bytesAfterWarmUp_)
        printf("committed memory: %.1f MiB after 50 cases, %.1f MiB at the end\n", bytesAfterWarmUp_ / 1048576.0,
               bytesAtEnd_ / 1048576.0);
    if (ran_ > 1 && gdiAtEnd_ > gdiAfterFirst_)
        faults.Add(-1, "GDI objects left behind: " + std::to_string(gdiAtEnd_ - gdiAfterFirst_));
}

void TimeStats::Add(double ms, long long caseIndex)
{
    samples_.push_back(ms);
    ++count_;
    if (ms > max_) {
        max_ = ms;
        maxCase_ = caseIndex;
    }
}

long long TimeStats::Over(double boundMs) const
{
    return std::count_if(samples_.begin(), samples_.end(), [boundMs](double ms) { return ms >= boundMs; });
}

void TimeStats::Print(const char* title, double boundMs) const
{
    printf("%s: %lld\n", title, count_);
    if (samples_.empty())
        return;
    std::vector<double> sorted = samples_;
    std::sort(sorted.begin(), sorted.end());
    auto at = [&](double q) { return sorted[static_cast<size_t>(q * (sorted.size() - 1))]; };
    printf("  median %.2f ms, 90%% %.2f ms, 99%% %.2f ms, 99.9%% %.2f ms, max %.2f ms (case %lld)\n", at(0.5),
           at(0.9), at(0.99), at(0.999), max_, maxCase_);
    const double edges[] = {1, 2, 5, 10, 20, 50, 100, 250, 500, 1000};
    double low = 0;
    size_t from = 0;
    for (size_t e = 0; e <= sizeof edges / sizeof edges[0]; ++e) {
        const double high = e < sizeof edges / sizeof edges[0] ? edges[e] : 1e300;
        size_t to = static_cast<size_t>(std::lower_bound(sorted.begin(), sorted.end(), high) - sorted.begin());
        if (to > from) {
            if (high < 1e300)
                printf("  %6.0f - %4.0f ms: %zu\n", low, high, to - from);
            else
                printf("  %6.0f ms and more: %zu\n", low, to - from);
        }
        from = to;
        low = high;
    }
    printf("  at or over the %.0f ms bound: %lld\n", boundMs, Over(boundMs));
}

long long Counts::Of(const std::string& outcome) const
{
    auto found = counts_.find(outcome);
    return found == counts_.end() ? 0 : found->second;
}

void Counts::Print(const char* title) const
{
    printf("%s:\n", title);
    for (const auto& count : counts_)
        printf("  %-52s %lld\n", count.first.c_str(), count.second);
}

void Faults::Add(long long caseIndex, const std::string& what)
{
    ++count_;
    const std::string kind = what.substr(0, what.find(':'));
    if (++kinds_[kind] <= 5)
        printf("FAULT in case %lld: %s\n", caseIndex, what.c_str());
    fflush(stdout);
}

void Faults::Print() const
{
    printf("faults: %lld\n", count_);
    for (const auto& kind : kinds_)
        printf("  %-52s %lld\n", kind.first.c_str(), kind.second);
}

namespace {

struct Guard {
    const char* program = "";
    uint64_t seed = 0;
    int hangSeconds = 60;
    volatile LONG64 caseIndex = -1;
    const char* volatile phase = "start";
    volatile LONG64 caseStart = 0;
};

Guard guard;

void Report(const char* what)
{
    char text[400];
    snprintf(text, sizeof text, "\n%s: %s in case %lld (%s), seed %llu; replay with --seed %llu --case %lld\n",
             guard.program, what, static_cast<long long>(guard.caseIndex), guard.phase,
             static_cast<unsigned long long>(guard.seed), static_cast<unsigned long long>(guard.seed),
             static_cast<long long>(guard.caseIndex));
    DWORD written = 0;
    fflush(stdout);
    ::WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info)
{
    char what[120];
    snprintf(what, sizeof what, "CRASH (exception 0x%08lX at %p)", info->ExceptionRecord->ExceptionCode,
             info->ExceptionRecord->ExceptionAddress);
    Report(what);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Stack overflows get a handler too: it runs on what the guard page leaves.
LONG WINAPI OnStackOverflow(EXCEPTION_POINTERS* info)
{
    if (info->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW) {
        Report("CRASH (stack overflow)");
        TerminateProcess(GetCurrentProcess(), 3);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

DWORD WINAPI Watchdog(void*)
{
    for (;;) {
        Sleep(500);
        const LONG64 start = guard.caseStart;
        if (start && static_cast<LONG64>(GetTickCount64()) - start > guard.hangSeconds * 1000LL) {
            Report("HANG");
            TerminateProcess(GetCurrentProcess(), 4);
        }
    }
    return 0;
}

} // namespace

void InstallGuard(const char* program, uint64_t seed, int hangSeconds)
{
    guard.program = program;
    guard.seed = seed;
    guard.hangSeconds = hangSeconds;
    SetUnhandledExceptionFilter(OnCrash);
    AddVectoredExceptionHandler(1, OnStackOverflow);
    CreateThread(nullptr, 64 * 1024, Watchdog, nullptr, 0, nullptr);
}

void EnterCase(long long index, const char* phase)
{
    guard.phase = phase;
    if (guard.caseIndex != index) {
        guard.caseIndex = index;
        guard.caseStart = static_cast<LONG64>(GetTickCount64());
    }
}

int CountGdiObjects()
{
    return dockhost::MeasureFootprint().gdiObjects;
}

size_t CommittedBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

std::string TempFolder(const char* program)
{
    return dockhost::TempFolder(program);
}

std::string ReadFile(const std::string& path)
{
    return dockhost::ReadFile(path);
}

bool WriteFile(const std::string& path, const std::string& content)
{
    return dockhost::WriteFile(path, content);
}

std::string Escaped(const std::string& bytes, size_t limit)
{
    std::string out;
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    if (bytes.size() > limit)
        out += "...(" + std::to_string(bytes.size()) + " bytes)";
    return out;
}

void DrainMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

double TimedTick(dockhost::Dock& dock, dockhost::Docklet* docklet)
{
    const double start = dockhost::NowMilliseconds();
    dock.Entry().OnProcessMessage(docklet->instance, docklet->hwnd, WM_TIMER, REFRESH_TIMER_ID, 0);
    return dockhost::NowMilliseconds() - start;
}

std::string LabelOf(dockhost::Docklet* docklet)
{
    auto view = dockhost::Services().views.find(docklet->hwnd);
    return view == dockhost::Services().views.end() ? std::string() : view->second.label;
}

} // namespace fuzz
