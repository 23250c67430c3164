// What one refresh shows: the temperature on the icon and in the label, the
// label's other contents, and the samples it adds. The simulated driver
// answers; each test runs in a process of its own, so each picks its scenario.
#include "record.h"
#include "render_support.h"

#include <set>
#include <string>
#include <utility>

using harness::DockTest;
using harness::Pixels;
using record::Samples;
using namespace render_test;

namespace {

class IconAndLabel : public DockTest {
protected:
    // Text mode in plain white, so the icon can be compared with the expected text.
    dockhost::Docklet* PlainTextDocklet()
    {
        return CreateWith({{"Outline", "0"}, {"Shadow", "0"}, {"DockletData", "1"}, {"LabelData", "2"}});
    }
};

TEST_F(IconAndLabel, TemperatureInBothUnits)
{
    // Each reading comes twice, so that alternating units meet every reading
    // in both, however many readings creation takes.
    ASSERT_TRUE(UseSimulatedDriver("temperatures 0 0 37 37 50 50 100 100 -5 -5 -2 -2 -1 -1 60 60 25\n"))
        << "the simulated driver is missing";
    struct Case {
        int reading;
        int celsius;
        const wchar_t* icon;
        const char* label;
    } cases[] = {
        {37, 1, L"37 \u00B0C", "GPU Temperature: 37 \xB0" "C"},
        {37, 0, L"98 \u00B0F", "GPU Temperature: 98 \xB0" "F"},
        {50, 0, L"122 \u00B0F", "GPU Temperature: 122 \xB0" "F"},
        {100, 0, L"212 \u00B0F", "GPU Temperature: 212 \xB0" "F"},
        {-5, 0, L"23 \u00B0F", "GPU Temperature: 23 \xB0" "F"},
        // The icon truncates before adding 32, the label after.
        {-2, 0, L"29 \u00B0F", "GPU Temperature: 28 \xB0" "F"},
        // -1 is no reading: no number, in either unit.
        {-1, 0, L"-- \u00B0F", "GPU Temperature: -- \xB0" "F"},
        {-1, 1, L"-- \u00B0C", "GPU Temperature: -- \xB0" "C"},
        {60, 0, L"140 \u00B0F", "GPU Temperature: 140 \xB0" "F"},
        {60, 1, L"60 \u00B0C", "GPU Temperature: 60 \xB0" "C"},
    };
    dockhost::Docklet* docklet = PlainTextDocklet();
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);

    // The unit switched from the menu at every refresh, which the switch makes.
    std::set<std::pair<int, int>> seen;
    for (int tick = 0; tick < 40 && !Samples(docklet).empty() && Samples(docklet).back() != 25; ++tick) {
        const int celsius = tick % 2;
        Choose(docklet, celsius ? 17 : 18); // Show °C, Show °F
        Freeze(docklet);                    // which armed the timer again
        for (const Case& c : cases) {
            if (c.reading != Samples(docklet).back() || c.celsius != celsius)
                continue;
            SCOPED_TRACE(std::to_string(c.reading) + (c.celsius ? " C" : " F"));
            seen.insert({c.reading, c.celsius});
            EXPECT_EQ(Label(docklet), c.label);
            Pixels icon = Overlay(docklet);
            ASSERT_FALSE(icon.Empty());
            EXPECT_LE(CountDifferent(icon, ExpectedIconText(false, c.icon)), ICON_MISMATCH_ALLOWED)
                << "the icon does not show the expected text";
        }
    }
    for (const Case& c : cases)
        EXPECT_TRUE(seen.count({c.reading, c.celsius})) << c.reading << (c.celsius ? " C" : " F") << " never shown";
}

TEST_F(IconAndLabel, LabelChoicesWhenTheSensorIsReady)
{
    ASSERT_TRUE(UseSimulatedDriver("temperature 37\n"
                                   "name 0 GeForce Sim 9800 GTX\n"
                                   "chipset Sim G92\n"
                                   "vendor Simvendor\n"))
        << "the simulated driver is missing";
    struct Case {
        const char* name;
        int labelData;
        const char* label;
    } cases[] = {
        {"none", 0, "Unknown Label Type"},
        {"hide", LABEL_HIDE, ""},
        {"hide wins over temperature", LABEL_HIDE | LABEL_TEMPERATURE, ""},
        {"temperature", LABEL_TEMPERATURE, "GPU Temperature: 37 \xB0" "C"},
        {"temperature before title", LABEL_TEMPERATURE | LABEL_TITLE, "GPU Temperature: 37 \xB0" "C"},
        {"temperature before full name", LABEL_TEMPERATURE | LABEL_FULL_NAME, "GPU Temperature: 37 \xB0" "C"},
        {"full name", LABEL_FULL_NAME, "GeForce Sim 9800 GTX"},
        {"full name before title", LABEL_FULL_NAME | LABEL_TITLE, "GeForce Sim 9800 GTX"},
        {"full name before vendor", LABEL_FULL_NAME | LABEL_VENDOR_STRING, "GeForce Sim 9800 GTX"},
        {"vendor", LABEL_VENDOR_STRING, "Simvendor - Sim G92"},
        {"vendor before title", LABEL_VENDOR_STRING | LABEL_TITLE, "Simvendor - Sim G92"},
        {"title", LABEL_TITLE, "Moravel"},
        {"unknown bit", 32, "Unknown Label Type"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dockhost::Docklet* docklet = CreateWith({{"LabelData", std::to_string(c.labelData)}});
        ASSERT_NE(docklet, nullptr);
        Freeze(docklet);
        const int calls = Host().CountCalls("DockletSetLabel", docklet->hwnd);
        Tick(docklet);
        // An empty label is handed over too, not skipped.
        ASSERT_EQ(Host().CountCalls("DockletSetLabel", docklet->hwnd), calls + 1);
        EXPECT_EQ(Host().LastCall("DockletSetLabel", docklet->hwnd)->text, c.label);
        Destroy(docklet);
    }
}

TEST_F(IconAndLabel, EachRefreshAddsOneSampleWhenReady)
{
    ASSERT_TRUE(UseSimulatedDriver("temperatures 40 41 42 43 44 45 46 47 48 49\n"))
        << "the simulated driver is missing";
    dockhost::Docklet* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    for (int tick = 0; tick < 4; ++tick) {
        SCOPED_TRACE("tick " + std::to_string(tick));
        const std::vector<int> before = Samples(docklet);
        Tick(docklet);
        const std::vector<int> after = Samples(docklet);
        ASSERT_EQ(after.size(), before.size() + 1);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
        EXPECT_EQ(Label(docklet), "GPU Temperature: " + std::to_string(after.back()) + " \xB0" "C")
            << "the new sample is the reading shown";
        EXPECT_GE(after.back(), 40);
    }
}

TEST_F(IconAndLabel, FailedReadingsShowNoNumberAndStillAddSamples)
{
    ASSERT_TRUE(UseSimulatedDriver("temperature 50\nstatus thermal -1\n")) << "the simulated driver is missing";
    dockhost::Docklet* docklet = PlainTextDocklet();
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    const size_t count = Samples(docklet).size();
    Tick(docklet);
    ASSERT_EQ(Samples(docklet).size(), count + 1);
    EXPECT_EQ(Samples(docklet).back(), -1);
    EXPECT_EQ(Label(docklet), "GPU Temperature: -- \xB0" "C");
    EXPECT_LE(CountDifferent(Overlay(docklet), ExpectedIconText(false, L"-- \u00B0C")), ICON_MISMATCH_ALLOWED);
}

// No driver library at all: the hide bit and the label choice are not looked
// at, and no refresh adds a sample.
TEST_F(IconAndLabel, WithoutDriverTheLabelSaysSo)
{
    const int labels[] = {0, LABEL_HIDE, LABEL_HIDE | LABEL_TEMPERATURE, LABEL_TITLE};
    for (int labelData : labels) {
        SCOPED_TRACE("labelData " + std::to_string(labelData));
        dockhost::Docklet* docklet = CreateWith({{"LabelData", std::to_string(labelData)}});
        ASSERT_NE(docklet, nullptr);
        Freeze(docklet);
        Tick(docklet);
        EXPECT_EQ(Label(docklet), "No Nvidia Driver/GPU Found");
        EXPECT_TRUE(Samples(docklet).empty());
        Destroy(docklet);
    }
}

} // namespace
