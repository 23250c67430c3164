// bench_refresh: what one refresh of the real module costs in a dock, against
// a minimal program that issues the same GDI+ drawing calls directly.
//
//   bench_refresh [--rounds N] [--no-driver]
//
// The refresh is driven through the timer tick, as a dock delivers it; the
// dock deletes the previous overlay when it receives the next, so the
// reference deletes its image too. With the simulated driver (built beside
// the dock host) each refresh also reads a temperature. The reference draws
// the whole icon every time; the docklet keeps what did not change between
// refreshes, so the ratio of the two is what that saves. Modes alternate by
// batches: the first refresh of a batch, right after the change of mode,
// redraws what is kept and is reported apart.
#include <windows.h>
#include <psapi.h>
#include <gdiplus.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/docklet.h"
#include "dock.h"
#include "host_services.h"
#include "record.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

using bench::Figures;
using bench::Now;
using bench::Summarise;

const int BATCH = 25;

// ---- The reference: the icon's drawing calls, nothing else. ----

struct Style {
    const wchar_t* face = L"Tahoma";
    ARGB fill = 0xFFFFFFFF, shadow = 0x55000000, outline = 0xFF000000;
};

void ReferenceText(GpGraphics* graphics, const wchar_t* text, const Style& style, StringAlignment alignment,
                   float emSize, const Rect& band)
{
    GpFontFamily* family = nullptr;
    GdipCreateFontFamilyFromName(style.face, nullptr, &family);
    GpPen* pen = nullptr;
    GdipCreatePen1(style.outline, 1.0f, UnitWorld, &pen);
    GpSolidFill* shadowBrush = nullptr;
    GdipCreateSolidFill(style.shadow, &shadowBrush);
    GpSolidFill* fillBrush = nullptr;
    GdipCreateSolidFill(style.fill, &fillBrush);
    GpPath* path = nullptr;
    GdipCreatePath(FillModeAlternate, &path);
    GpStringFormat* format = nullptr;
    GdipCreateStringFormat(0, LANG_NEUTRAL, &format);
    GdipSetStringFormatAlign(format, alignment);
    GdipSetStringFormatLineAlign(format, StringAlignmentCenter);
    GdipAddPathStringI(path, text, -1, family, FontStyleBold, emSize, &band, format);

    GpPath* shadowPath = nullptr;
    GdipCreatePath(FillModeAlternate, &shadowPath);
    const Rect shifted(band.X + 2, band.Y + 2, band.Width, band.Height);
    GdipAddPathStringI(shadowPath, text, -1, family, FontStyleBold, emSize, &shifted, format);
    GdipFillPath(graphics, shadowBrush, shadowPath);
    GdipDeletePath(shadowPath);

    GdipFillPath(graphics, fillBrush, path);
    GdipDrawPath(graphics, pen, path);

    GdipDeleteStringFormat(format);
    GdipDeletePath(path);
    GdipDeleteBrush(fillBrush);
    GdipDeleteBrush(shadowBrush);
    GdipDeletePen(pen);
    GdipDeleteFontFamily(family);
}

void ReferenceGraph(GpGraphics* graphics, const std::vector<int>& samples)
{
    const int x = 27, y = 64, width = 204, height = 158;
    GpSolidFill* background = nullptr;
    GdipCreateSolidFill(0x5B000000, &background);
    GpPen* framePen = nullptr;
    GdipCreatePen1(0x5BFFFFFF, 1.0f, UnitWorld, &framePen);
    GpPen* barPen = nullptr;
    GdipCreatePen1(0xC100FF00, 3.0f, UnitWorld, &barPen);
    GdipFillRectangleI(graphics, background, x, y, width, height);

    const int half = height / 2;
    const Point points[6] = {Point(x, y),          Point(x + width, y), Point(x + width, y + half),
                             Point(x + width, y + height), Point(x, y + height), Point(x, y + half)};
    const ARGB colours[6] = {0xC1FF0000, 0xC1FF0000, 0xC1FFFF00, 0xC100FF00, 0xC100FF00, 0xC1FFFF00};
    GpPathGradient* gradient = nullptr;
    GdipCreatePathGradientI(points, 6, WrapModeClamp, &gradient);
    GdipSetPathGradientCenterColor(gradient, 0xC1FFFF00);
    INT count = 0;
    GdipGetPathGradientPointCount(gradient, &count);
    GdipSetPathGradientSurroundColorsWithCount(gradient, colours, &count);
    GdipSetPenBrushFill(barPen, gradient);
    GdipDeleteBrush(gradient);

    const double factor = (height - 1.0) / 120.0;
    int k = 1;
    for (int sample : samples) {
        const double value = sample > 120 ? 120.0 : sample;
        const int h = static_cast<int>(value * factor);
        GdipDrawLineI(graphics, barPen, x + 2 * k, y + height, x + 2 * k, y + height - h);
        ++k;
    }
    GdipDrawRectangleI(graphics, framePen, x, y, width, height);
    GdipDeletePen(barPen);
    GdipDeletePen(framePen);
    GdipDeleteBrush(background);
}

void ReferenceIcon(bool graphMode, const std::vector<int>& samples)
{
    GpBitmap* bitmap = nullptr;
    GdipCreateBitmapFromScan0(256, 256, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    GpGraphics* graphics = nullptr;
    GdipGetImageGraphicsContext(bitmap, &graphics);
    GdipSetInterpolationMode(graphics, InterpolationModeHighQuality);
    GdipSetCompositingQuality(graphics, CompositingQualityHighQuality);
    GdipSetCompositingMode(graphics, CompositingModeSourceOver);
    GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);

    const Style style;
    wchar_t temperature[32];
    swprintf(temperature, 32, L"%d \u00B0C", samples.empty() ? -1 : samples.back());
    if (graphMode) {
        const Rect band(27, 25, 204, 40);
        ReferenceText(graphics, L"GPU Temp", style, StringAlignmentNear, 18.0f, band);
        ReferenceText(graphics, temperature, style, StringAlignmentFar, 29.0f, band);
        ReferenceGraph(graphics, samples);
    } else {
        ReferenceText(graphics, L"GPU Temp", style, StringAlignmentCenter, 34.0f, Rect(0, 108, 255, 30));
        ReferenceText(graphics, temperature, style, StringAlignmentCenter, 38.0f, Rect(0, 140, 255, 34));
    }
    GdipDeleteGraphics(graphics);
    GdipDisposeImage(bitmap);
}

// ---- Measuring ----

struct Mode {
    const char* name;
    int dockletData;
    // Every sample of the history changed before each refresh (untimed): no
    // bar of the last overlay can be reused, as with a reading that changes
    // at every sample.
    bool everyBarNew;
    std::vector<double> refresh, reference, firstAfterChange;
};

void ChangeEverySample(Warr<int>& history)
{
    for (int i = history.first; i <= history.last; ++i)
        history.At(i) ^= 1;
}

// A batch follows a change of mode, a settings change that the docklet's
// kept layers must follow: its first refresh is timed apart.
void TimeRefreshes(dockhost::Dock& dock, dockhost::Docklet* docklet, bool everyBarNew, std::vector<double>& first,
                   std::vector<double>& times)
{
    Warr<int>& history = *record::History(docklet);
    const std::vector<int> kept = record::Samples(history); // the history as the other modes see it
    for (int i = 0; i < BATCH; ++i) {
        dockhost::Services().calls.clear();
        if (everyBarNew)
            ChangeEverySample(history);
        const double start = Now();
        dock.Entry().OnProcessMessage(docklet->instance, docklet->hwnd, WM_TIMER, REFRESH_TIMER_ID, 0);
        (i == 0 ? first : times).push_back(Now() - start);
    }
    if (everyBarNew) {
        int at = 0;
        for (int i = history.first; i <= history.last && at < static_cast<int>(kept.size()); ++i)
            history.At(i) = kept[at++];
    }
}

void TimeReference(bool graphMode, const std::vector<int>& samples, std::vector<double>& times)
{
    for (int i = 0; i < BATCH; ++i) {
        const double start = Now();
        ReferenceIcon(graphMode, samples);
        times.push_back(Now() - start);
    }
}

// What a tick costs besides the refresh's own work: the timer stopped and
// re-armed. (The dock's repaint requests are turned off for the bench.)
void TimeTickOverhead(HWND hwnd, std::vector<double>& times)
{
    for (int i = 0; i < BATCH; ++i) {
        const double start = Now();
        KillTimer(hwnd, REFRESH_TIMER_ID);
        SetTimer(hwnd, REFRESH_TIMER_ID, REFRESH_PERIOD, nullptr);
        times.push_back(Now() - start);
    }
}

// What a docklet that runs for months must not grow: memory, GDI and
// window-manager objects of the process.
struct Footprint {
    double workingSetMiB = 0, committedMiB = 0;
    DWORD gdiObjects = 0, userObjects = 0; // Wine counts none
};

Footprint Measure()
{
    Footprint footprint;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters))
    {
        footprint.workingSetMiB = static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
        footprint.committedMiB = static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0);
    }
    footprint.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    footprint.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return footprint;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int rounds = 40;
    bool driver = true;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--rounds") == 0 && i + 1 < argc)
            rounds = _wtoi(argv[++i]);
        else if (wcscmp(argv[i], L"--no-driver") == 0)
            driver = false;
        else {
            fwprintf(stderr, L"usage: bench_refresh [--rounds N] [--no-driver]\n");
            return 2;
        }
    }

    dockhost::Dock dock;
    driver = driver && bench::UseDemoDriver();
    if (!bench::LoadModule(dock, "bench_refresh"))
        return 1;
    dockhost::Docklet* docklet = bench::AddDocklet(dock, "bench_refresh");
    if (!docklet)
        return 1;
    Warr<int>& history = *record::History(docklet);
    while (history.Count() < HISTORY_SLOTS)
        history.Push(30 + history.Count() % 70);

    Mode modes[] = {{"graph", DOCKLET_GRAPH, false, {}, {}, {}},
                    {"text", DOCKLET_TEMPERATURE, false, {}, {}, {}},
                    {"graph, every bar new", DOCKLET_GRAPH, true, {}, {}, {}}};
    std::vector<double> overhead;
    Footprint before;
    // Warm up, then alternate batches so that drift of the machine hits both alike.
    for (int round = -2; round < rounds; ++round) {
        for (Mode& mode : modes) {
            record::ChangeSettings(docklet, {{"DockletData", std::to_string(mode.dockletData)}});
            const bool graph = mode.dockletData == DOCKLET_GRAPH;
            std::vector<double> first, refresh, reference;
            TimeRefreshes(dock, docklet, mode.everyBarNew, first, refresh);
            TimeReference(graph, record::Samples(history), reference);
            std::vector<double> tick;
            TimeTickOverhead(docklet->hwnd, tick);
            if (round == 0 && &mode == &modes[0])
                before = Measure(); // after the warm-up rounds
            if (round >= 0) {
                overhead.insert(overhead.end(), tick.begin(), tick.end());
                mode.refresh.insert(mode.refresh.end(), refresh.begin(), refresh.end());
                mode.firstAfterChange.insert(mode.firstAfterChange.end(), first.begin(), first.end());
                mode.reference.insert(mode.reference.end(), reference.begin(), reference.end());
            }
        }
    }

    printf("bench_refresh: %d refreshes per row (%d first after a change of mode), history %d samples, driver %s\n",
           rounds * (BATCH - 1), rounds, history.Count(), driver ? "simulated (demo)" : "none");
    printf("%-21s %-22s %10s %10s\n", "mode", "measured", "median ms", "p95 ms");
    const Figures tick = Summarise(overhead);
    for (const Mode& mode : modes) {
        const Figures refresh = Summarise(mode.refresh);
        const Figures reference = Summarise(mode.reference);
        printf("%-21s %-22s %10.3f %10.3f\n", mode.name, "RefreshDocklet (tick)", refresh.median, refresh.p95);
        printf("%-21s %-22s %10.3f %10.3f\n", mode.name, "reference GDI+ calls", reference.median, reference.p95);
        printf("%-21s %-22s %10.3f %10.3f\n", mode.name, "ratio", refresh.median / reference.median,
               refresh.p95 / reference.p95);
        printf("%-21s %-22s %10.3f\n", mode.name, "ratio less tick costs",
               (refresh.median - tick.median) / reference.median);
        const Figures first = Summarise(mode.firstAfterChange);
        printf("%-21s %-22s %10.3f %10.3f\n", mode.name, "first after a change", first.median, first.p95);
        printf("%-21s %-22s %10.3f %10.3f\n", mode.name, "  its ratio", first.median / reference.median,
               first.p95 / reference.p95);
    }
    printf("%-21s %-22s %10.3f %10.3f\n", "any", "timer stop and re-arm", tick.median, tick.p95);
    const Footprint after = Measure();
    printf("footprint over %d refreshes: working set %.1f -> %.1f MiB, committed %.1f -> %.1f MiB, "
           "GDI objects %lu -> %lu, USER objects %lu -> %lu\n",
           rounds * BATCH * 2, before.workingSetMiB, after.workingSetMiB, before.committedMiB, after.committedMiB,
           before.gdiObjects, after.gdiObjects, before.userObjects, after.userObjects);
    dock.RemoveAll(false);
    return 0;
}
