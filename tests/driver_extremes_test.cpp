// Readings at the ends of the driver's 32-bit range, in Fahrenheit: the
// label and the icon show the conversion held within int's range, never a
// wrapped or sign-flipped number.
#include "render_support.h"

using harness::DockTest;
using harness::Pixels;
using namespace render_test;

namespace {

struct ExtremeCase {
    const char* name;
    const char* scenario;
    const wchar_t* icon;
    const char* label;
};

void PrintTo(const ExtremeCase& c, std::ostream* out)
{
    *out << c.name;
}

const ExtremeCase EXTREME_CASES[] = {
    {"Hottest", "temperature 2147483647", L"2147483647 \u00B0F", "GPU Temperature: 2147483647 \xB0" "F"},
    // The icon truncates before adding 32: the lowest it shows is INT_MIN + 32.
    {"Coldest", "temperature -2147483648", L"-2147483616 \u00B0F", "GPU Temperature: -2147483648 \xB0" "F"},
    {"FirstBeyondTheRange", "temperature 1193046471", L"2147483647 \u00B0F", "GPU Temperature: 2147483647 \xB0" "F"},
    {"LastWithin", "temperature 1193046452", L"2147483645 \u00B0F", "GPU Temperature: 2147483645 \xB0" "F"},
    {"BelowAbsoluteZero", "temperature -300", L"-508 \u00B0F", "GPU Temperature: -508 \xB0" "F"},
    {"TenThousand", "temperature 10000", L"18032 \u00B0F", "GPU Temperature: 18032 \xB0" "F"},
};

class ExtremeReading : public DockTest, public ::testing::WithParamInterface<ExtremeCase> {};

} // namespace

TEST_P(ExtremeReading, FahrenheitHeldWithinRange)
{
    const ExtremeCase& c = GetParam();
    ASSERT_TRUE(UseSimulatedDriver(c.scenario)) << "the simulated driver is missing";
    dockhost::Docklet* docklet = CreateWith({{"Celcius", "0"}, {"Outline", "0"}, {"Shadow", "0"},
                                             {"DockletData", std::to_string(DOCKLET_TEMPERATURE)},
                                             {"LabelData", std::to_string(LABEL_TEMPERATURE)}});
    ASSERT_NE(docklet, nullptr);
    Tick(docklet);
    EXPECT_EQ(Label(docklet), c.label) << c.name;
    Pixels icon = Overlay(docklet);
    ASSERT_FALSE(icon.Empty());
    EXPECT_LE(CountDifferent(icon, ExpectedIconText(false, c.icon)), ICON_MISMATCH_ALLOWED)
        << c.name << ": the icon does not show the expected text";
}

INSTANTIATE_TEST_SUITE_P(Driver, ExtremeReading, ::testing::ValuesIn(EXTREME_CASES),
                         [](const ::testing::TestParamInfo<ExtremeCase>& info) { return info.param.name; });
