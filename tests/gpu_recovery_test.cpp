// A driver that comes back is used again without a restart: handles that a
// driver reset made stale are replaced at once, and a driver or processor
// missing at creation is looked for again, at most once every 10 seconds,
// on a clock the test moves. Each test runs in a process of its own.
#include "gpu_support.h"

using namespace gpu_test;

namespace {

std::string Celsius(int temperature)
{
    return "GPU Temperature: " + std::to_string(temperature) + " " + DEGREE + "C";
}

const DWORD SECOND = 1000;
const DWORD RETRY_INTERVAL = 10 * SECOND;

struct LateCase {
    const char* name;
    Library library;
    const char* scenario;      // at creation
    const char* later;         // loaded right after creation (null: none); the driver's counts start again
    const char* tries;         // the driver call each try makes once
    int failedTries;           // creation's included
    std::string labelMeanwhile;
    DWORD startTicks;
};

void PrintTo(const LateCase& c, std::ostream* out)
{
    *out << c.name;
}

const char* const TEMPERATURE = "temperature 63\n";

const LateCase LATE_CASES[] = {
    {"StartsOnTheThirdTry", Library::Simulated, "status init -5 until 2\ntemperature 63\n", nullptr, "init", 2,
     "No Nvidia Driver/GPU Found", 100000},
    {"ClockWrapsBetweenTries", Library::Simulated, "status init -5 until 2\ntemperature 63\n", nullptr, "init", 2,
     "No Nvidia Driver/GPU Found", 0xFFFFFFFFu - 14500},
    {"EnumerationFailsFirst", Library::Simulated, "status enum -1 at 1\nmessage -1 No processors yet\ntemperature 63\n",
     nullptr, "enum", 1, "No processors yet", 100000},
    // Asleep and not listed: the temperature label shows no reading meanwhile.
    {"NoProcessorListedFirst", Library::Simulated, "gpus 0\n", TEMPERATURE, "enum", 1,
     "GPU Temperature: -- " + std::string(DEGREE) + "C", 100000},
    {"DriverInstalledLater", Library::None, "", TEMPERATURE, "init", 1, "No Nvidia Driver/GPU Found", 100000},
};

class LateDriver : public GpuTest, public ::testing::WithParamInterface<LateCase> {};

} // namespace

TEST_P(LateDriver, FoundWithinThirtySecondsNeverTriedMoreOften)
{
    const LateCase& c = GetParam();
    UseLibrary(c.library, c.scenario);
    FakeSystem(c.startTicks);
    dockhost::Docklet* docklet = CreateWithLabel(LABEL_TEMPERATURE);
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    EXPECT_EQ(Label(docklet), c.labelMeanwhile) << c.name;
    if (c.later) {
        ASSERT_TRUE(harness::LoadScenario(c.later)) << c.name;
    }

    // A refresh a second for 45 seconds; each try is seen as one call of its kind.
    std::vector<DWORD> tries = {0}; // creation's, at 0 ms
    int shownAt = -1;
    int seen = c.later ? 0 : CallCount(c.tries);
    for (int second = 1; second <= 45; ++second) {
        dockhost::AdvanceFakeTickCount(SECOND);
        Tick(docklet);
        for (; seen < CallCount(c.tries); ++seen)
            tries.push_back(second * SECOND);
        if (shownAt < 0 && Label(docklet) == Celsius(63))
            shownAt = second;
        if (shownAt < 0) {
            EXPECT_EQ(Label(docklet), c.labelMeanwhile) << c.name << ", second " << second;
        }
    }

    for (size_t i = 1; i < tries.size(); ++i)
        EXPECT_GE(tries[i] - tries[i - 1], RETRY_INTERVAL) << c.name << ": try " << i << " came too soon";
    ASSERT_EQ(tries.size(), static_cast<size_t>(c.failedTries) + 1) << c.name << ": tries made";
    const int succeededAt = static_cast<int>(tries.back() / SECOND);
    EXPECT_EQ(shownAt, succeededAt) << c.name << ": the temperature waited past the good try";
    EXPECT_LE(shownAt, 30) << c.name;
    EXPECT_EQ(Label(docklet), Celsius(63)) << c.name;
    EXPECT_EQ(Samples(docklet).back(), 63) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Gpu, LateDriver, ::testing::ValuesIn(LATE_CASES),
                         [](const ::testing::TestParamInfo<LateCase>& info) { return info.param.name; });

class DriverReset : public GpuTest {};

// Handles that go stale after the third reading: the fourth refresh lists
// the processors again, finds their device again and reads with the new
// handle; the label never stops showing the temperature.
TEST_F(DriverReset, StaleHandlesAreReplacedWithinTheRefresh)
{
    UseLibrary(Library::Simulated, "temperatures 50 51 52 53 54 55 56\nstale 3\n");
    FakeSystem();
    dockhost::SetFakeDevices({{1, 0, 1}});
    dockhost::Docklet* docklet = CreateWithLabel(LABEL_TEMPERATURE);
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    for (int tick = 0; tick < 4; ++tick) {
        Tick(docklet);
        EXPECT_EQ(Label(docklet).compare(0, 17, "GPU Temperature: "), 0) << "tick " << tick << ": " << Label(docklet);
    }
    // The fourth reading answered "handle invalidated"; the fifth used the new
    // handle (the stale one reads nothing).
    EXPECT_EQ(Samples(docklet), (std::vector<int>{50, 51, 52, 54, 55}));
    EXPECT_EQ(Label(docklet), Celsius(55));
    EXPECT_EQ(CallCount("enum"), 2);
    EXPECT_EQ(CallCount("rejected"), 0);
    EXPECT_EQ(CallCount("bus"), 2) << "the device is found again with the new handle";
    EXPECT_EQ(dockhost::DeviceCalls().lists, 2);
    EXPECT_EQ(dockhost::DeviceCalls().listsOpen, 1);
}

// The driver is still resetting when the docklet lists the processors
// again: its message shows until a try 10 seconds later finds them.
TEST_F(DriverReset, ProcessorsListedAgainAfterAFailedTry)
{
    UseLibrary(Library::Simulated,
               "temperatures 50 51 52 53 54 55\nstale 2\nstatus enum -1 at 2\nmessage -1 Driver resetting\n");
    FakeSystem();
    dockhost::Docklet* docklet = CreateWithLabel(LABEL_TEMPERATURE);
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    Tick(docklet); // the second reading, after which the handles go stale
    dockhost::AdvanceFakeTickCount(SECOND);
    Tick(docklet); // "handle invalidated", and listing them fails
    EXPECT_EQ(Label(docklet), "Driver resetting");
    // Up to 10 seconds after the failed try, a refresh a second.
    for (int second = 2; second <= 11; ++second) {
        dockhost::AdvanceFakeTickCount(SECOND);
        Tick(docklet);
    }
    EXPECT_EQ(CallCount("enum"), 2) << "tried again within 10 seconds";
    EXPECT_EQ(Label(docklet), "Driver resetting");
    dockhost::AdvanceFakeTickCount(SECOND);
    Tick(docklet);
    EXPECT_EQ(CallCount("enum"), 3);
    EXPECT_EQ(Label(docklet), Celsius(53));
    EXPECT_EQ(Samples(docklet), (std::vector<int>{50, 51, -1, 53}));
}
