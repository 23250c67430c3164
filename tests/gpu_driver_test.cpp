#include "gpu_support.h"

#include <stddef.h>

#include <utility>

using namespace gpu_test;

namespace {

// What a docklet shows and keeps after creation and two refresh ticks, for
// each way the driver library can be there, missing or broken.
struct StartCase {
    const char* name;
    Library library;
    const char* scenario;
    int status;
    std::string label;                                // right after creation
    std::vector<int> samples;                         // after creation and two ticks
    std::vector<std::pair<const char*, int>> calls;   // what the simulated driver saw
    bool loaderFails = false;                         // the sensor must then write nothing
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const StartCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string Temperature(int celsius)
{
    return "GPU Temperature: " + std::to_string(celsius) + " " + DEGREE + "C";
}

// A failed reading is not shown as a number.
const std::string NO_READING = "GPU Temperature: -- " + std::string(DEGREE) + "C";

const StartCase START_CASES[] = {
    {"NoLibrary", Library::None, "", -2, "No Nvidia Driver/GPU Found", {}, {}, true},
    {"LibraryWithoutLookup", Library::WithoutLookup, "", -1, "No Nvidia Driver/GPU Found", {}, {}, true},
    // Entry 0 is still the stub after a failed start: no message to show.
    {"InitialiseFails", Library::Simulated, "status init -5", -1, "No Nvidia Driver/GPU Found", {},
     {{"init", 1}, {"query", 1}, {"message", 0}, {"thermal", 0}}, true},
    {"InitialiseUnknown", Library::Simulated, "unknown init", -1, "No Nvidia Driver/GPU Found", {},
     {{"init", 0}, {"query", 1}}, true},
    {"ChipsetFails", Library::Simulated, "status chipset -7\nmessage -1 Chipset query failed", -1,
     "Chipset query failed", {}, {{"message", 3}, {"enum", 0}, {"thermal", 0}}},
    {"EnumerationFails", Library::Simulated, "status enum -3", -1, "Simulated driver error", {},
     {{"name", 0}, {"thermal", 0}}},
    {"PropertyFails", Library::Simulated, "status propertyC -1", -1, "Simulated driver error", {},
     {{"propertyC", 1}, {"thermal", 0}}},
    {"NameUnknown", Library::Simulated, "unknown name\nmessage -1 No name", -1, "No name", {},
     {{"name", 0}, {"propertyA", 0}, {"thermal", 0}}},
    {"NameAndMessageUnknown", Library::Simulated, "unknown name message", -1, "No Nvidia Driver/GPU Found", {},
     {{"message", 0}}},
    {"MessageFails", Library::Simulated, "status enum -3\nstatus message -1", -1, "No Nvidia Driver/GPU Found", {},
     {{"message", 3}}},
    {"MessageEmpty", Library::Simulated, "status enum -3\nmessage -1 hex:00", -1, "No Nvidia Driver/GPU Found", {},
     {{"message", 3}}},
    {"VersionFailureIgnored", Library::Simulated, "status version -1\ntemperature 44", 0, Temperature(44),
     {44, 44, 44}, {{"version", 1}}},
    {"Working", Library::Simulated, "temperature 57", 0, Temperature(57), {57, 57, 57},
     {{"thermal", 3}, {"thermal:0", 3}, {"rejected", 0}}},
    {"TemperatureList", Library::Simulated, "temperatures 40 -1 42", 0, Temperature(40), {40, -1, 42}, {}},
    {"ThermalUnknown", Library::Simulated, "unknown thermal\ntemperature 50", 0, NO_READING, {-1, -1, -1},
     {{"thermal", 0}}},
    {"NoSensors", Library::Simulated, "sensors 0\ntemperature 50", 0, NO_READING, {-1, -1, -1},
     {{"thermal", 3}, {"rejected", 0}}},
    {"ReadingFailsLater", Library::Simulated, "temperature 50\nstatus thermal -1 from 2", 0, Temperature(50),
     {50, -1, -1}, {{"thermal", 3}}},
    // Slot 0 keeps its zero handle; the driver refuses it.
    {"NoProcessor", Library::Simulated, "gpus 0\ntemperature 50", 0, NO_READING, {-1, -1, -1},
     {{"name", 0}, {"rejected", 3}}},
};

class DriverStart : public GpuTest, public ::testing::WithParamInterface<StartCase> {};

bool GpuStateUntouched(const GpuState& gpu)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&gpu);
    for (size_t i = offsetof(GpuState, interfaceVersion); i < sizeof gpu; ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

} // namespace

TEST_P(DriverStart, StatusLabelAndSamples)
{
    const StartCase& c = GetParam();
    SCOPED_TRACE(c.name);
    UseLibrary(c.library, c.scenario);

    dockhost::Docklet* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    // The label alone cannot tell a missing library from a failed start.
    EXPECT_EQ(record::Gpu(docklet).gpuStatus, c.status) << c.name;
    EXPECT_EQ(Label(docklet), c.label) << c.name;
    // The first refresh samples once when the sensor is ready, never otherwise.
    EXPECT_EQ(Samples(docklet).size(), c.samples.empty() ? 0u : 1u) << c.name;
    if (c.loaderFails) {
        EXPECT_TRUE(GpuStateUntouched(record::Gpu(docklet))) << c.name << ": a failed start wrote driver data";
    }

    Tick(docklet);
    Tick(docklet);
    EXPECT_EQ(Samples(docklet), c.samples) << c.name;
    EXPECT_EQ(record::Gpu(docklet).gpuStatus, c.status) << c.name << ": the status changed after creation";
    for (const auto& call : c.calls)
        EXPECT_EQ(CallCount(call.first), call.second) << c.name << ": calls of " << call.first;
}

INSTANTIATE_TEST_SUITE_P(Gpu, DriverStart, ::testing::ValuesIn(START_CASES),
                         [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

class DriverInterface : public GpuTest {};

const char* const ENTRY_IDS[] = {"0x6C2D048C", "0x01053FA5", "0xE5AC921F", "0xBAAABFCC", "0xCEEE8E9F", "0xC33BAEB1",
                                 "0x1BB18724", "0xE3640A56", "0x53DABBCA", "0x1BE0B8E5", "0x2A0A350F"};

TEST_F(DriverInterface, SecondDockletAsksTheDriverNothingAgain)
{
    UseLibrary(Library::Simulated, "temperature 61");
    dockhost::Docklet* first = Create();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(Label(first), Temperature(61));
    for (const char* id : ENTRY_IDS)
        EXPECT_EQ(CallCount((std::string("query:") + id).c_str()), 1) << id;
    const int queries = CallCount("query");

    dockhost::Docklet* second = Create();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(CallCount("query"), queries) << "the second start looked ids up again";
    EXPECT_EQ(CallCount("init"), 1);
    // Each docklet still reads the processors for itself.
    EXPECT_EQ(CallCount("enum"), 2);
    EXPECT_EQ(Label(second), Temperature(61));
}

TEST_F(DriverInterface, FailedAttemptIsRepeatedInFull)
{
    UseLibrary(Library::Simulated, "status init -5 at 1\ntemperature 48\nmessage -1 Driver said no");
    dockhost::Docklet* failed = Create();
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(Label(failed), "No Nvidia Driver/GPU Found") << "a driver that did not start has no message";
    EXPECT_EQ(CallCount("query"), 1) << "entries were looked up after a failed start";

    dockhost::Docklet* working = Create();
    ASSERT_NE(working, nullptr);
    EXPECT_EQ(Label(working), Temperature(48));
    EXPECT_EQ(CallCount("query:0x0150E828"), 2);
    EXPECT_EQ(CallCount("init"), 2);
    for (const char* id : ENTRY_IDS)
        EXPECT_EQ(CallCount((std::string("query:") + id).c_str()), 1) << id;
    EXPECT_EQ(Samples(working), std::vector<int>{48});

    // The earlier docklet stays failed until its next try, 10 seconds after
    // its creation, but the driver can now word its status.
    Tick(failed);
    EXPECT_TRUE(Samples(failed).empty());
    EXPECT_EQ(Label(failed), "Driver said no");
}
