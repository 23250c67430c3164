// The overlays a docklet composes from the layers it keeps between refreshes,
// against the same overlays drawn anew by a build of the module that keeps
// nothing (MoravelDockletUncached.dll): every pixel of every overlay over a
// long sequence of modes, units, colours, transparencies, outline, shadow,
// faces, sizes, readings, sleeping seconds and settings sheets.
#include "harness.h"
#include "record.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>


#include "config/resource.h"
#include "system_fakes.h"

using harness::DockTest;

namespace {

struct Step {
    const char* name;
    harness::KeyValues change; // settings changed in both docklets
    const char* scenario;      // the driver's answers from now on; null: unchanged
    int powerState = 0;        // the processor's from now on (1 awake, 4 asleep); 0: unchanged
};

std::string N(unsigned long value)
{
    return std::to_string(value);
}

const Step STEPS[] = {
    {"defaults: graph, Celsius", {}, "temperature 55\n"},
    {"a new reading", {}, "temperature 56\n"},
    {"the same reading again", {}, nullptr},
    {"text mode", {{"DockletData", N(DOCKLET_TEMPERATURE)}}, nullptr},
    {"Fahrenheit, text", {{"Celcius", "0"}}, nullptr},
    {"Fahrenheit, graph", {{"DockletData", N(DOCKLET_GRAPH)}}, nullptr},
    {"Celsius again", {{"Celcius", "1"}}, nullptr},
    {"both mode bits", {{"DockletData", N(DOCKLET_GRAPH | DOCKLET_TEMPERATURE)}}, nullptr},
    {"no mode bit", {{"DockletData", "0"}}, nullptr},
    {"icons hidden, text", {{"DockletData", N(DOCKLET_HIDE_ICONS | DOCKLET_TEMPERATURE)}},
     nullptr},
    {"icons hidden, graph", {{"DockletData", N(DOCKLET_HIDE_ICONS | DOCKLET_GRAPH)}}, nullptr},
    {"text colour", {{"FontColor", N(RGB(255, 32, 0))}, {"FontAlpha", "128"}}, nullptr},
    {"text clear", {{"FontAlpha", "0"}}, nullptr},
    {"outline colour", {{"FontAlpha", "255"}, {"OutlineColor", N(RGB(0, 0, 255))}, {"OutlineAlpha", "99"}},
     nullptr},
    {"shadow colour", {{"ShadowColor", N(RGB(0, 200, 0))}, {"ShadowAlpha", "255"}}, nullptr},
    {"outline off", {{"Outline", "0"}}, nullptr},
    {"shadow off", {{"Shadow", "0"}}, nullptr},
    {"outline on, shadow off", {{"Outline", "1"}}, nullptr},
    {"shadow on", {{"Shadow", "1"}}, nullptr},
    {"bar colour", {{"CpuColor", N(RGB(200, 0, 200))}, {"CpuAlpha", "40"}}, nullptr},
    {"no gradient", {{"Gradient", "0"}}, nullptr},
    {"gradient, bars opaque", {{"Gradient", "1"}, {"CpuAlpha", "255"}}, nullptr},
    {"background colour", {{"BackgroundColor", N(RGB(0, 0, 128))}, {"BackgroundAlpha", "200"}},
     nullptr},
    {"background clear", {{"BackgroundAlpha", "0"}}, nullptr},
    {"frame colour", {{"FrameColor", N(RGB(255, 255, 0))}, {"FrameAlpha", "255"}}, nullptr},
    {"frame clear", {{"FrameAlpha", "0"}}, nullptr},
    {"another face", {{"FontName", "DejaVu Sans"}}, nullptr},
    {"a face no font has", {{"FontName", "No Such Face"}},
     nullptr},
    {"Tahoma again", {{"FontName", "Tahoma"}}, nullptr},
    {"size 16: caption em 0", {{"FontSize", "16"}}, nullptr},
    {"size 0", {{"FontSize", "0"}}, nullptr},
    {"negative size", {{"FontSize", "-30"}}, nullptr},
    {"size 90", {{"FontSize", "90"}}, nullptr},
    {"size held at the drawing bound", {{"FontSize", "5000"}}, nullptr},
    {"size 34", {{"FontSize", "34"}}, nullptr},
    {"asleep", {}, nullptr, 4},
    {"asleep, text", {{"DockletData", N(DOCKLET_TEMPERATURE)}}, nullptr},
    {"awake, text", {}, nullptr, 1},
    {"asleep, graph", {{"DockletData", N(DOCKLET_GRAPH)}}, nullptr, 3},
    {"awake, graph", {}, nullptr, 1},
    {"no reading", {}, "status thermal -1\n"},
    {"no reading, Fahrenheit", {{"Celcius", "0"}}, nullptr},
    {"over full scale", {{"Celcius", "1"}}, "temperature 200\n"},
    {"far below zero", {}, "temperature -500\n"},
    {"the largest reading", {}, "temperature 2147483647\n"},
    {"the largest reading, Fahrenheit", {{"Celcius", "0"}}, nullptr},
    {"text mode at the largest reading", {{"DockletData", N(DOCKLET_TEMPERATURE)}}, nullptr},
    {"back to graph, a usual reading",
     {{"DockletData", N(DOCKLET_GRAPH)}, {"Celcius", "1"}}, "temperature 61\n"},
};

// Pixels that differ in any channel, and the largest difference of a channel.
struct Difference {
    int pixels = 0;
    int largest = 0;
};

Difference Compare(const harness::Pixels& a, const harness::Pixels& b)
{
    Difference difference;
    if (a.width != b.width || a.height != b.height) {
        difference.pixels = -1;
        return difference;
    }
    for (size_t i = 0; i < a.argb.size(); ++i) {
        if (a.argb[i] == b.argb[i])
            continue;
        ++difference.pixels;
        for (int shift = 0; shift < 32; shift += 8) {
            const int delta = abs(static_cast<int>((a.argb[i] >> shift) & 0xFF) - static_cast<int>((b.argb[i] >> shift) & 0xFF));
            difference.largest = delta > difference.largest ? delta : difference.largest;
        }
    }
    return difference;
}

} // namespace

class OverlayCacheTest : public DockTest {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(UseSimulatedDriver("temperature 55\n")); }

    void SetUp() override
    {
        DockTest::SetUp();
        ASSERT_TRUE(reference_.LoadModule(harness::BinFolder() + L"MoravelDockletUncached.dll"));
        // Both learn the processor's power state from the same device list.
        ASSERT_TRUE(dockhost::FakeDeviceList(GetDock().Module()));
        ASSERT_TRUE(dockhost::FakeDeviceList(reference_.Module()));
        dockhost::SetFakeDevices({{1, 0, 1}});
        ASSERT_TRUE(harness::LoadScenario("temperature 55\n"));
        cached_ = Create();
        ASSERT_NE(cached_, nullptr);
        Freeze(cached_);
        uncached_ = reference_.AddDocklet(nullptr, nullptr);
        ASSERT_NE(uncached_, nullptr);
        KillTimer(uncached_->hwnd, REFRESH_TIMER_ID);
    }

    void TearDown() override
    {
        reference_.RemoveAll(false);
        DockTest::TearDown();
    }

    // The sheet's OK refreshes the docklet once: the reference takes the
    // same reading, so both histories hold the same samples.
    void CatchUp()
    {
        const std::vector<int> cached = record::Samples(cached_);
        for (int i = 0; i < 2 && record::Samples(uncached_) != cached; ++i)
            dockhost::TickDocklet(reference_, *uncached_);
        ASSERT_EQ(record::Samples(uncached_), cached);
    }

    // One refresh of each, and how their overlays differ.
    Difference TickBoth()
    {
        Tick(cached_);
        dockhost::TickDocklet(reference_, *uncached_);
        harness::Pixels drawn = Overlay(cached_);
        harness::Pixels anew =
            harness::Capture(dockhost::ClassCopyOf(Host().views[uncached_->hwnd].overlay.native()).get());
        EXPECT_FALSE(drawn.Empty());
        return Compare(drawn, anew);
    }

    dockhost::Dock reference_;
    dockhost::Docklet* cached_ = nullptr;
    dockhost::Docklet* uncached_ = nullptr;
};

TEST_F(OverlayCacheTest, KeptLayersDrawTheSamePixelsAsDrawingAnew)
{
    int overlays = 0, differing = 0, largest = 0;
    auto check = [&](const std::string& name) {
        // The first refresh after the change, then one from what was kept.
        for (int refresh = 0; refresh < 2; ++refresh) {
            const Difference difference = TickBoth();
            ++overlays;
            EXPECT_EQ(difference.pixels, 0) << name << ", refresh " << refresh << ": " << difference.pixels
                                            << " pixels differ, by up to " << difference.largest;
            differing += difference.pixels > 0 ? difference.pixels : 0;
            largest = difference.largest > largest ? difference.largest : largest;
        }
    };
    for (const Step& step : STEPS) {
        if (step.scenario) {
            ASSERT_TRUE(harness::LoadScenario(step.scenario)) << step.name;
        }
        ASSERT_TRUE(record::ChangeSettings(cached_, step.change));
        ASSERT_TRUE(record::ChangeSettings(uncached_, step.change));
        if (step.powerState)
            dockhost::SetFakePowerState(0, step.powerState);
        check(step.name);
    }

    // Long enough for the history to fill and shift: readings that hold for a
    // while, step up and down, fail, sleep, and change every refresh, each
    // refresh compared (the docklet draws again only the bars that changed).
    for (int i = 0; i < 130; ++i) {
        dockhost::SetFakePowerState(0, (i >= 80 && i < 86) || i == 90 ? 4 : 1);
        const int reading = i < 40 ? 50 + i / 8 : i < 70 ? 60 + (i % 3) * 20 : i < 75 ? -1 : 45 + (i / 10) % 4;
        const std::string scenario =
            reading == -1 ? "status thermal -1\n" : "temperature " + std::to_string(reading) + "\n";
        ASSERT_TRUE(harness::LoadScenario(scenario.c_str()));
        const Difference difference = TickBoth();
        ++overlays;
        EXPECT_EQ(difference.pixels, 0) << "shifting history, refresh " << i << ": " << difference.pixels
                                        << " pixels differ, by up to " << difference.largest;
        differing += difference.pixels > 0 ? difference.pixels : 0;
        largest = difference.largest > largest ? difference.largest : largest;
    }

    // The sheet: OK with a new size and bar transparency reaches the next
    // refresh; Cancel changes nothing.
    EXPECT_EQ(ConfigureSizeAndBars(cached_, L"44", 150), 0);
    ASSERT_EQ(Saved(cached_, "FontSize"), "44");
    ASSERT_EQ(Saved(cached_, "CpuAlpha"), "150");
    ASSERT_TRUE(record::ChangeSettings(uncached_, {{"FontSize", "44"}, {"CpuAlpha", "150"}}));
    CatchUp();
    check("the sheet's OK");

    Ui().Then(OpenPage(2))
        .Do([] { SetDlgItemTextW(CurrentPage(), IDC_FONT_SIZE, L"12"); })
        .Do([] { PressSheetButton(PSBTN_CANCEL); });
    Configure(cached_);
    CatchUp();
    check("the sheet's Cancel");

    printf("[ figures  ] %d overlays compared, %d pixels differ, by up to %d\n", overlays, differing, largest);
}
