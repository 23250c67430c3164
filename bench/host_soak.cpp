// hostsoak: a host that frees the module after its last docklet is gone and
// loads it again, cycle after cycle, and what the process holds of the
// system before and after.
//
//   hostsoak [--cycles N] [--pump MS] [--no-driver] [--bare] [--check]
//
// Each cycle is RunHostCycle (tools/dockhost/host_cycle.h): load, read the
// information, free; load, two docklets ticked and used through the menu,
// the About box and every page of the sheet, both saved and destroyed, the
// overlays deleted, free; then messages are pumped for --pump ms (default
// 1100, past the refresh period). Two warm-up cycles come first: the first
// uses of GDI+, the common controls, the fonts and the dialogs grow the
// process once.
//
// Like a real dock, which shows file choosers and common controls of its own,
// the program holds the common dialogs (and with them the common controls and
// the print spooler) and the device-list library loaded, so that freeing the
// module does not unload them (HoldDockLibraries). --bare leaves them to the
// module: under Wine every unload and reload of those system libraries then
// costs a handle (the spooler's named mutex), once the sheet has run a GDI
// object, and some 2 KiB of heap (the device list), whoever loads them.
//
// With --check (the short run in the test suite) the program fails when a
// cycle did not complete, when GDI objects, USER objects or handles grew at
// all, or when private bytes or heap bytes grew by more than their tolerance.
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

#include <string>

#include "bench_support.h"
#include "dock.h"
#include "footprint.h"
#include "host_cycle.h"
#include "host_services.h"

namespace {

// The heap's busy blocks are counted exactly. Under Wine the version 6
// common controls lose a little each time their buttons and edit boxes are
// created, whoever creates them: some 150 bytes for the General page, some
// 550 bytes for a cycle's four pages, 27 KiB over 50 cycles. Every lost
// exception pool (73 KiB) or overlay (256 KiB) would show at once.
const long long HEAP_BYTES_TOLERANCE = 64 * 1024;
// The commit charge moves in steps of the heap's segments (a few hundred KiB
// at a time as freed blocks fragment), not with what is in use; the heap
// figure above is the exact one.
const long long PRIVATE_BYTES_TOLERANCE = 2 * 1024 * 1024;

double MiB(SIZE_T bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

void Print(const char* when, const dockhost::Footprint& f)
{
    printf("hostsoak: %-6s GDI objects %5d%s, USER objects %4d%s, handles %4d%s, private bytes %7.2f MiB%s, "
           "heap %7.2f MiB\n",
           when, f.gdiObjects, f.gdiProbed ? " (probed)" : "", f.userObjects, f.userProbed ? " (probed)" : "",
           f.handles, f.handlesProbed ? " (probed)" : "", MiB(f.privateBytes),
           f.privateFromCommit ? " (commit charge)" : "", MiB(f.heapBytes));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int cycles = 50;
    DWORD pump = 1100;
    bool driver = true;
    bool bare = false;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--cycles") == 0 && i + 1 < argc) {
            cycles = _wtoi(argv[++i]);
        } else if (wcscmp(argv[i], L"--pump") == 0 && i + 1 < argc) {
            pump = static_cast<DWORD>(_wtoi(argv[++i]));
        } else if (wcscmp(argv[i], L"--no-driver") == 0) {
            driver = false;
        } else if (wcscmp(argv[i], L"--bare") == 0) {
            bare = true;
        } else if (wcscmp(argv[i], L"--check") == 0) {
            check = true;
        } else {
            fwprintf(stderr, L"usage: hostsoak [--cycles N] [--pump MS] [--no-driver] [--bare] [--check]\n");
            return 2;
        }
    }
    if (cycles < 1) {
        fwprintf(stderr, L"hostsoak: --cycles must be at least 1\n");
        return 2;
    }

    if (!bare)
        dockhost::HoldDockLibraries(); // for the whole run, as a dock holds them
    dockhost::Dock dock;
    driver = driver && bench::UseDemoDriver();
    const std::wstring module = dockhost::BuiltModule();
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    const std::string ini =
        dockhost::Narrow(temp) + "moravel-hostsoak-" + std::to_string(GetCurrentProcessId()) + ".ini";
    dockhost::Services().repaint = false;

    int failed = 0;
    auto cycle = [&](int number) {
        const dockhost::CycleReport report = dockhost::RunHostCycle(dock, module, ini, pump);
        dockhost::Services().Clear(); // the recorded calls would grow the heap
        if (!report.Complete()) {
            ++failed;
            printf("hostsoak: cycle %d: %s\n", number, report.Describe().c_str());
        }
    };
    cycle(0); // warm-up, twice
    cycle(0);
    const dockhost::Footprint before = dockhost::MeasureFootprint();
    const DWORD start = GetTickCount();
    for (int i = 1; i <= cycles; ++i)
        cycle(i);
    const DWORD elapsed = GetTickCount() - start;
    const dockhost::Footprint after = dockhost::MeasureFootprint();
    DeleteFileA(ini.c_str());

    printf("hostsoak: %d cycles after two warm-up cycles, %lu ms each (pump %lu ms), driver %s, common dialogs and "
           "device list %s, %d failed\n",
           cycles, static_cast<unsigned long>(elapsed / static_cast<DWORD>(cycles)),
           static_cast<unsigned long>(pump), driver ? "simulated (demo)" : "none",
           bare ? "left to the module" : "held by the host", failed);
    Print("before", before);
    Print("after", after);
    const dockhost::ImageObjectCounts& images = dockhost::Services().images;
    printf("hostsoak: %s\n", images.Describe().c_str());
    if (!images.Sound()) {
        printf("hostsoak: FAILED: image objects not deleted as a dock deletes them\n");
        ++failed;
    }
    const long long privateGrowth =
        static_cast<long long>(after.privateBytes) - static_cast<long long>(before.privateBytes);
    const long long heapGrowth = static_cast<long long>(after.heapBytes) - static_cast<long long>(before.heapBytes);
    printf("hostsoak: growth GDI objects %+d, USER objects %+d, handles %+d, private bytes %+lld KiB, "
           "heap %+lld KiB\n",
           after.gdiObjects - before.gdiObjects, after.userObjects - before.userObjects,
           after.handles - before.handles, privateGrowth / 1024, heapGrowth / 1024);
    if (!check)
        return failed ? 1 : 0;
    const bool grew = after.gdiObjects > before.gdiObjects || after.userObjects > before.userObjects ||
                      after.handles > before.handles || privateGrowth > PRIVATE_BYTES_TOLERANCE ||
                      heapGrowth > HEAP_BYTES_TOLERANCE;
    if (grew)
        printf("hostsoak: FAILED: the process grew across the cycles\n");
    return failed || grew ? 1 : 0;
}
