// soak: months of a docklet's life in one dock process, compressed. Each
// phase runs once to warm up, then many times between two measurements of
// what the process holds: GDI objects, USER objects, kernel handles and
// private bytes, and the heap in use. Any growth of the first three fails,
// and so does a heap that grew by more than HEAP_BYTES_SLACK; private bytes
// (the commit charge under Wine) are shown, not judged: they move in steps.
//
//   soak [--quick] [--refreshes N] [--menus N] [--sheets N] [--abouts N]
//
// Without options: 100,000 refreshes of one docklet and of two, 200 menus,
// 200 sheets (every page visited, every slider moved, OK and Cancel in
// turn) and 200 About boxes. --quick runs a short version for ./test.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "config/resource.h"
#include "core/docklet.h"
#include "dock.h"
#include "host_services.h"
#include "modal.h"
#include "footprint.h"

using dockhost::Dock;
using dockhost::Docklet;
using dockhost::ModalDriver;

namespace {

// Wine's own common controls keep a few hundred bytes of heap per sheet.
const SIZE_T HEAP_BYTES_SLACK = 64 * 1024;
const wchar_t SHEET_CAPTION[] = L"Configure Corvane Docklet";
const wchar_t ABOUT_CAPTION[] = L"About Moravel Docklet v0.1.0.0b";

struct Counts {
    int refreshes = 100000;
    int menus = 200;
    int sheets = 200;
    int abouts = 200;
};

double Seconds()
{
    return bench::Now() / 1000.0;
}

void Tick(Dock& dock, Docklet* docklet)
{
    dock.Entry().OnProcessMessage(docklet->instance, docklet->hwnd, WM_TIMER, REFRESH_TIMER_ID, 0);
}

// Runs `open` (which opens a modal window) while `driver`'s steps run.
bool Drive(ModalDriver& driver, const std::function<void()>& open)
{
    driver.Start(10, 30000);
    open();
    driver.Stop();
    const bool ok = driver.Finished() && !driver.TimedOut();
    driver.Clear();
    return ok;
}

HWND CurrentPage()
{
    HWND sheet = dockhost::FindThreadWindow(SHEET_CAPTION);
    return sheet ? reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
}

void MoveSlider(HWND page, int slider, int position)
{
    HWND control = GetDlgItem(page, slider);
    SendMessageW(control, TBM_SETPOS, TRUE, position);
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(control));
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, position), reinterpret_cast<LPARAM>(control));
}

bool OneMenu(Dock& dock, Docklet* docklet, int round)
{
    ModalDriver driver;
    driver.Then([round] {
        HWND popup = dockhost::FindPopupMenu();
        if (!popup)
            return false;
        if (round % 2)
            dockhost::ChooseMenuItem(popup, 17); // flips the unit and refreshes
        else
            EndMenu();
        return true;
    });
    return Drive(driver, [&] { dock.Entry().OnRightButtonClick(docklet->instance, nullptr, nullptr); });
}

bool OneSheet(Dock& dock, Docklet* docklet, int round)
{
    ModalDriver driver;
    driver.Then([] { return dockhost::FindThreadWindow(SHEET_CAPTION) != nullptr; });
    driver.Do([round] {
        HWND sheet = dockhost::FindThreadWindow(SHEET_CAPTION);
        for (int page = 0; page < 4; ++page) {
            SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(page), 0);
            HWND window = CurrentPage();
            const int position = (round * 37 + page * 11) % 256;
            if (page == 0)
                SetDlgItemTextW(window, IDC_GENERAL_TITLE, round % 2 ? L"Soak" : L"Moravel");
            if (page == 1)
                SendDlgItemMessageW(window, IDC_ICON_RESET, BM_CLICK, 0, 0);
            if (page == 2) {
                SetDlgItemInt(window, IDC_FONT_SIZE, static_cast<UINT>(20 + round % 40), FALSE);
                for (int slider : {IDC_FONT_FILL_ALPHA, IDC_FONT_OUTLINE_ALPHA, IDC_FONT_SHADOW_ALPHA})
                    MoveSlider(window, slider, position);
            }
            if (page == 3) {
                for (int slider : {IDC_GRAPH_BAR_ALPHA, IDC_GRAPH_BACKGROUND_ALPHA, IDC_GRAPH_FRAME_ALPHA})
                    MoveSlider(window, slider, position);
                SendDlgItemMessageW(window, IDC_GRAPH_GRADIENT, BM_CLICK, 0, 0);
            }
        }
        PostMessageW(sheet, PSM_PRESSBUTTON, round % 2 ? PSBTN_OK : PSBTN_CANCEL, 0);
    });
    return Drive(driver, [&] { dock.Entry().OnConfigure(docklet->instance); });
}

bool OneAbout(Dock& dock, Docklet* docklet, int)
{
    ModalDriver driver;
    driver.Then([] {
        HWND box = dockhost::FindThreadWindow(ABOUT_CAPTION);
        if (box)
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        return box != nullptr;
    });
    return Drive(driver, [&] { dock.Entry().OnAbout(docklet->instance); });
}

void ForgetServiceCalls()
{
    std::vector<dockhost::ServiceCall>().swap(dockhost::Services().calls);
}

struct Phase {
    const char* name;
    int count;
    std::function<bool(int)> once;
};

bool RunPhase(Dock& dock, const Phase& phase)
{
    // Warm-up, both kinds of round: what the system makes on first use stays.
    if (!phase.once(0) || !phase.once(1)) {
        printf("%-28s FAILED at the warm-up\n", phase.name);
        return false;
    }
    // The dock's record of service calls is the test host's, not the
    // docklet's: it is emptied after every round, and its buffer handed back
    // before each measurement.
    ForgetServiceCalls();
    dock.Pump(0);
    const dockhost::Footprint before = dockhost::MeasureFootprint();
    const double start = Seconds();
    int failed = 0;
    for (int i = 2; i < phase.count + 2; ++i) {
        if (!phase.once(i))
            ++failed;
        dockhost::Services().calls.clear();
        if (i % 64 == 0)
            dock.Pump(0);
    }
    ForgetServiceCalls();
    dock.Pump(0);
    const double seconds = Seconds() - start;
    const dockhost::Footprint after = dockhost::MeasureFootprint();
    const long long heapGrowth = static_cast<long long>(after.heapBytes) - static_cast<long long>(before.heapBytes);
    // The commit charge moves in steps of the heap's segments, with what
    // Wine keeps of freed blocks: it is shown, the heap in use is judged.
    const bool grew = heapGrowth > static_cast<long long>(HEAP_BYTES_SLACK) || after.gdiObjects > before.gdiObjects ||
                      after.userObjects > before.userObjects || after.handles > before.handles;
    printf("%-28s %7d %8.1f s %7.2f ms | GDI %4d -> %4d | USER %3d -> %3d | handles %4d -> %4d | private "
           "%7.1f -> %7.1f KiB | heap %7.1f -> %7.1f KiB%s%s\n",
           phase.name, phase.count, seconds, phase.count ? 1000.0 * seconds / phase.count : 0.0, before.gdiObjects,
           after.gdiObjects, before.userObjects, after.userObjects, before.handles, after.handles,
           before.privateBytes / 1024.0, after.privateBytes / 1024.0, before.heapBytes / 1024.0,
           after.heapBytes / 1024.0, grew ? "  GREW" : "",
           failed ? "  (some rounds failed)" : "");
    fflush(stdout);
    return !grew && failed == 0;
}

bool ParseOptions(int argc, wchar_t** argv, Counts& counts)
{
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        auto number = [&](int& target) {
            if (i + 1 >= argc)
                return false;
            target = _wtoi(argv[++i]);
            return target >= 0;
        };
        if (arg == L"--quick") {
            counts = Counts{400, 20, 10, 20};
        } else if (!((arg == L"--refreshes" && number(counts.refreshes)) || (arg == L"--menus" && number(counts.menus)) ||
                     (arg == L"--sheets" && number(counts.sheets)) || (arg == L"--abouts" && number(counts.abouts)))) {
            return false;
        }
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Counts counts;
    if (!ParseOptions(argc, argv, counts)) {
        fprintf(stderr, "usage: soak [--quick] [--refreshes N] [--menus N] [--sheets N] [--abouts N]\n");
        return 2;
    }
    Dock dock;
    if (!bench::UseDemoDriver()) {
        fprintf(stderr, "soak: cannot load the simulated driver\n");
        return 1;
    }
    if (!bench::LoadModule(dock, "soak"))
        return 1;
    // Ticks come from the soak alone.
    Docklet* first = bench::AddDocklet(dock, "soak", true);
    if (!first)
        return 1;

    printf("%-28s %7s %10s %10s\n", "phase", "rounds", "time", "per round");
    bool ok = true;
    ok &= RunPhase(dock, {"refreshes, one docklet", counts.refreshes, [&](int) {
                              Tick(dock, first);
                              return true;
                          }});
    Docklet* second = bench::AddDocklet(dock, "soak", true);
    if (!second)
        return 1;
    ok &= RunPhase(dock, {"refreshes, two docklets", counts.refreshes, [&](int) {
                              Tick(dock, first);
                              Tick(dock, second);
                              return true;
                          }});
    ok &= RunPhase(dock, {"context menus", counts.menus, [&](int i) { return OneMenu(dock, first, i); }});
    ok &= RunPhase(dock, {"settings sheets", counts.sheets, [&](int i) { return OneSheet(dock, first, i); }});
    ok &= RunPhase(dock, {"About boxes", counts.abouts, [&](int i) { return OneAbout(dock, first, i); }});
    dock.RemoveAll(false);
    const dockhost::ImageObjectCounts& images = dockhost::Services().images;
    printf("soak: %s\n", images.Describe().c_str());
    ok &= images.Sound();
    printf("soak: %s\n", ok ? "no growth" : "GROWTH OR FAILURES");
    return ok ? 0 : 1;
}
