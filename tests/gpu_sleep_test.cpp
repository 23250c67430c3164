// A processor the system has put to sleep is left asleep: the docklet learns
// its power state from the system's device list (a list of the test's
// choosing here) and then asks the driver nothing. Each test runs in a
// process of its own.
#include "gpu_support.h"
#include "render_support.h"

using namespace gpu_test;
using dockhost::FakeDisplayDevice;
using harness::Pixels;
using namespace render_test;

namespace {

// The simulated driver puts processor 0 on bus 1, slot 0; the processor's
// own graphics sit on bus 0, slot 2, as in most laptops.
const FakeDisplayDevice BUILT_IN = {0, 2 << 16, 1};
FakeDisplayDevice Processor(int powerState, DWORD bus = 1, DWORD slot = 0)
{
    return FakeDisplayDevice{bus, slot << 16, powerState};
}

const char SCENARIO[] = "temperature 47\nname 0 GeForce Sleepy\n";

// What lies above the graph: the caption band, where the temperature stands.
Pixels AboveTheGraph(Pixels pixels)
{
    for (int y = GRAPH_Y; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            pixels.argb[static_cast<size_t>(y) * pixels.width + x] = 0;
    return pixels;
}

std::string Celsius(int temperature)
{
    return "GPU Temperature: " + std::to_string(temperature) + " " + DEGREE + "C";
}

struct SleepCase {
    const char* name;
    std::vector<FakeDisplayDevice> devices;
    const char* scenario; // added to SCENARIO
    bool listFails;
    bool asleep;      // the driver must not be asked
    bool asksForList; // the driver told where the processor sits
};

void PrintTo(const SleepCase& c, std::ostream* out)
{
    *out << c.name;
}

const SleepCase SLEEP_CASES[] = {
    {"D3", {BUILT_IN, Processor(4)}, "", false, true, true},
    {"D2", {BUILT_IN, Processor(3)}, "", false, true, true},
    {"D1", {Processor(2)}, "", false, true, true},
    {"D0", {BUILT_IN, Processor(1)}, "", false, false, true},
    {"NoPowerData", {BUILT_IN, Processor(0)}, "", false, false, true},
    {"OtherBus", {Processor(4, 2)}, "", false, false, true},
    {"OtherSlot", {Processor(4, 1, 1)}, "", false, false, true},
    {"NoDevices", {}, "", false, false, true},
    {"ListFails", {Processor(4)}, "", true, false, true},
    {"BusUnknownToTheDriver", {Processor(4)}, "unknown bus\n", false, false, false},
    {"SlotQueryFails", {Processor(4)}, "status slot -1\n", false, false, false},
    {"PlacedElsewhereByTheDriver", {BUILT_IN, Processor(4, 3, 5)}, "bus 0 3\nslot 0 5\n", false, true, true},
};

class SleepingProcessor : public GpuTest, public ::testing::WithParamInterface<SleepCase> {};

} // namespace

TEST_P(SleepingProcessor, AskedOrLeftAlone)
{
    const SleepCase& c = GetParam();
    UseLibrary(Library::Simulated, std::string(SCENARIO) + c.scenario);
    FakeSystem();
    dockhost::SetFakeDevices(c.devices);
    dockhost::SetFakeDeviceListFails(c.listFails);

    dockhost::Docklet* docklet = CreateWithLabel(LABEL_TEMPERATURE);
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    const int callsAfterStart = AllDriverCalls() - CallCount("thermal");
    for (int tick = 0; tick < 3; ++tick)
        Tick(docklet);

    EXPECT_EQ(AllDriverCalls() - CallCount("thermal"), callsAfterStart) << c.name << ": driver asked more than readings";
    if (c.asleep) {
        EXPECT_EQ(CallCount("thermal"), 0) << c.name;
        EXPECT_EQ(Label(docklet), "GPU Temperature: Off") << c.name;
        EXPECT_EQ(Samples(docklet), std::vector<int>(4, SAMPLE_ASLEEP)) << c.name;
    } else {
        EXPECT_EQ(CallCount("thermal"), 4) << c.name;
        EXPECT_EQ(Label(docklet), Celsius(47)) << c.name;
        EXPECT_EQ(Samples(docklet), std::vector<int>(4, 47)) << c.name;
    }
    // Present display adapters, asked for once.
    EXPECT_EQ(dockhost::DeviceCalls().lists, c.asksForList ? 1 : 0) << c.name;
    EXPECT_EQ(dockhost::DeviceCalls().displayLists, c.asksForList && !c.listFails ? 1 : 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Gpu, SleepingProcessor, ::testing::ValuesIn(SLEEP_CASES),
                         [](const ::testing::TestParamInfo<SleepCase>& info) { return info.param.name; });

class SleepAndWake : public GpuTest {};

// The device is found at creation, its list kept, and each refresh asks only
// its power data; destroying the docklet gives the list back.
TEST_F(SleepAndWake, DeviceFoundOnceAndAskedEveryRefresh)
{
    UseLibrary(Library::Simulated, SCENARIO);
    FakeSystem();
    dockhost::SetFakeDevices({BUILT_IN, Processor(1)});
    dockhost::Docklet* first = Create();
    dockhost::Docklet* second = Create();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    Freeze(first);
    Freeze(second);
    const dockhost::FakeDeviceCalls created = dockhost::DeviceCalls();
    EXPECT_EQ(created.lists, 2);
    EXPECT_EQ(created.listsOpen, 2);
    EXPECT_EQ(created.powerQueries, 2) << "one for each first refresh";
    EXPECT_EQ(CallCount("bus"), 2);
    EXPECT_EQ(CallCount("slot"), 2);

    for (int tick = 0; tick < 10; ++tick)
        Tick(first);
    const dockhost::FakeDeviceCalls refreshed = dockhost::DeviceCalls();
    EXPECT_EQ(refreshed.lists, 2);
    EXPECT_EQ(refreshed.enumerations, created.enumerations);
    EXPECT_EQ(refreshed.placeQueries, created.placeQueries);
    EXPECT_EQ(refreshed.powerQueries, 12);
    EXPECT_EQ(CallCount("bus"), 2);

    Destroy(first);
    EXPECT_EQ(dockhost::DeviceCalls().listsOpen, 1);
    Destroy(second);
    EXPECT_EQ(dockhost::DeviceCalls().listsOpen, 0);
}

// Asleep, the temperature's place on the icon says "Off" (both modes, both
// units), the graph leaves a gap, and the other labels are unchanged.
TEST_F(SleepAndWake, IconLabelAndGraphWhileAsleep)
{
    UseLibrary(Library::Simulated, SCENARIO);
    FakeSystem();
    dockhost::SetFakeDevices({BUILT_IN, Processor(1)});
    // Plain white text and opaque red bars, nothing else.
    dockhost::Docklet* docklet = CreateWith({{"Outline", "0"}, {"Shadow", "0"}, {"CpuColor", "255"},
                                             {"CpuAlpha", "255"}, {"BackgroundAlpha", "0"}, {"FrameAlpha", "0"},
                                             {"Gradient", "0"}, {"LabelData", std::to_string(LABEL_TEMPERATURE)}});
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    // Each step chooses the icon's mode and the unit from the menu; each
    // choice refreshes the docklet.
    auto choose = [&](UINT command) {
        Choose(docklet, command);
        Freeze(docklet);
    };
    const UINT TEXT = 3, GRAPH = 4, CELSIUS = 17, FAHRENHEIT = 18;
    struct Step {
        const char* name;
        int powerState;
        UINT mode, unit;
        const wchar_t* icon;
        const char* label;
    } steps[] = {
        {"awake, text", 1, TEXT, CELSIUS, L"47 \u00B0C", "GPU Temperature: 47 \xB0" "C"},
        {"asleep, text", 4, TEXT, CELSIUS, L"Off", "GPU Temperature: Off"},
        {"asleep, text, Fahrenheit", 4, TEXT, FAHRENHEIT, L"Off", "GPU Temperature: Off"},
        {"asleep, graph", 3, GRAPH, CELSIUS, L"Off", "GPU Temperature: Off"},
        {"awake, graph", 1, GRAPH, FAHRENHEIT, L"116 \u00B0F", "GPU Temperature: 116 \xB0" "F"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        dockhost::SetFakePowerState(1, step.powerState);
        choose(step.mode);
        choose(step.unit);
        EXPECT_EQ(Label(docklet), step.label);
        const Pixels icon = Overlay(docklet);
        ASSERT_FALSE(icon.Empty());
        const bool graph = step.mode == GRAPH;
        const Pixels expected = ExpectedIconText(graph, step.icon);
        EXPECT_LE(graph ? CountDifferent(AboveTheGraph(icon), AboveTheGraph(expected)) : CountDifferent(icon, expected),
                  ICON_MISMATCH_ALLOWED);
    }

    // Samples: creation awake, then two a step (awake, three asleep, awake).
    const std::vector<int> samples = Samples(docklet);
    ASSERT_EQ(samples.size(), 11u);
    const Pixels graph = Overlay(docklet);
    for (int position = 1; position <= 11; ++position) {
        const bool gap = samples[position - 1] == SAMPLE_ASLEEP;
        EXPECT_EQ(gap, position >= 4 && position <= 9) << "sample " << position;
        // 47 degrees stand 61 pixels high; a gap leaves its column clear.
        const int alpha = graph.Alpha(BarX(position), GRAPH_BASE - 30);
        EXPECT_TRUE(gap ? alpha < 64 : alpha > 192) << "bar " << position << ": alpha " << alpha;
    }

    // The other labels do not depend on the power state.
    const struct {
        UINT command;
        const char* label;
    } labels[] = {{14, "GeForce Sleepy"}, {13, "Moravel"}, {7, ""}}; // full name, title, Hide Label
    dockhost::SetFakePowerState(1, 4);
    for (const auto& expected : labels) {
        choose(expected.command);
        EXPECT_EQ(Label(docklet), expected.label) << "menu command " << expected.command;
    }
    EXPECT_EQ(CallCount("thermal"), 5) << "creation's reading and two of each step awake";
}
