// Font sizes come from the INI file and from the Font page's edit, which
// stores any number typed: no size may take the dock down or stall it.
#include "harness.h"

#include "config/resource.h"

using harness::DockTest;

namespace {

std::string IniWithFontSize(const std::string& name, const std::string& size, int dockletData)
{
    const std::string path = harness::TempFolder() + name + ".ini";
    harness::WriteFile(path, "[D]\r\nFontSize=" + size + "\r\nDockletData=" + std::to_string(dockletData) + "\r\n");
    return path;
}

} // namespace

class FontSize : public DockTest {
protected:
    void SetUp() override
    {
        DockTest::SetUp();
        ASSERT_TRUE(UseSimulatedDriver("temperature 61\n"));
    }

    // The overlay a docklet with this stored size draws, and how long its refresh took.
    harness::Pixels Draw(const std::string& size, int dockletData, double* milliseconds = nullptr)
    {
        const std::string ini = IniWithFontSize("size" + size + "-" + std::to_string(dockletData), size, dockletData);
        auto* docklet = Create(ini.c_str(), "D");
        if (!docklet)
            return harness::Pixels();
        Freeze(docklet);
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        Tick(docklet);
        QueryPerformanceCounter(&end);
        if (milliseconds)
            *milliseconds = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
        harness::Pixels overlay = Overlay(docklet);

        GetDock().Entry().OnSave(docklet->instance, const_cast<char*>(ini.c_str()), const_cast<char*>("D"), FALSE);
        char saved[32] = "";
        GetPrivateProfileStringA("D", "FontSize", "", saved, sizeof saved, ini.c_str());
        EXPECT_EQ(std::string(saved), size) << "the stored size keeps its value";
        Destroy(docklet);
        return overlay;
    }
};

TEST_F(FontSize, HugeSizesDrawAsTheLargestDrawableSize)
{
    struct Case {
        const char* size;
        const char* drawsAs; // a size already beyond the bound, of the same sign (negative: no text)
    } cases[] = {
        {"1000000", "3000"},
        {"2147483647", "3000"},
        {"-1347849200", "-3000"},
        {"-2147483648", "-3000"},
    };
    for (int dockletData : {DOCKLET_TEMPERATURE, DOCKLET_GRAPH}) {
        for (const Case& c : cases) {
            const std::string name = std::string(c.size) + (dockletData == DOCKLET_GRAPH ? " graph" : " text");
            double milliseconds = 0;
            harness::Pixels huge = Draw(c.size, dockletData, &milliseconds);
            harness::Pixels bound = Draw(c.drawsAs, dockletData);
            ASSERT_FALSE(huge.Empty()) << name;
            EXPECT_EQ(huge.argb, bound.argb) << name;
            printf("font size %s: refresh %.1f ms\n", name.c_str(), milliseconds);
        }
    }
}

TEST_F(FontSize, FontPageTakesAnyStoredSizeAndKeepsIt)
{
    const std::string ini = IniWithFontSize("page", "-1347849200", DOCKLET_TEMPERATURE);
    auto* docklet = Create(ini.c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    harness::Pixels preview;
    Ui().Then(OpenPage(2)).Do([&] {
        preview = harness::PictureOf(CurrentPage(), IDC_FONT_PREVIEW);
        // Typed: far beyond anything drawable, the preview still follows.
        SetDlgItemTextW(CurrentPage(), IDC_FONT_SIZE, L"4000000000");
        PressSheetButton(PSBTN_OK);
    });
    EXPECT_EQ(Configure(docklet), 0);
    EXPECT_EQ(preview.width, 150);
    // A negative size draws no sample: only the menu colour shows.
    ASSERT_FALSE(preview.Empty());
    const uint32_t background = preview.At(0, 0);
    int drawn = 0;
    for (uint32_t pixel : preview.argb)
        drawn += pixel != background;
    EXPECT_EQ(drawn, 0) << "pixels of a sample drawn at a negative size";
    EXPECT_EQ(Saved(docklet, "FontSize"), std::to_string(static_cast<int>(4000000000u))) << "stored as typed";
}
