// Creation, the refresh timer, destruction, and the image paths the host is given.
#include "harness.h"

using harness::DockTest;
using harness::TempFolder;

namespace {

std::string HostFolder()
{
    return dockhost::Narrow(harness::BinFolder());
}

std::string IniWith(const std::string& name, const std::string& lines)
{
    std::string path = TempFolder() + name;
    harness::WriteFile(path, "[D]\r\n" + lines);
    return path;
}

} // namespace

class Lifecycle : public DockTest {};

TEST_F(Lifecycle, ImagePathsAreResolvedAgainstTheDocklet)
{
    struct Case {
        const char* name;
        std::string relativeFolder;
        std::string backgroundImage; // as stored; empty: key absent
        std::string expected;
    } cases[] = {
        {"default name", ".\\a\\b\\", "background.png", HostFolder() + "a\\b\\icons\\background.png"},
        {"default name, other case", ".\\a\\b\\", "BACKGROUND.PNG", HostFolder() + "a\\b\\icons\\BACKGROUND.PNG"},
        {"key absent", ".\\a\\b\\", "", HostFolder() + "a\\b\\icons\\background.png"},
        {"user's full path", ".\\a\\b\\", "D:\\p\\gpu.png", "D:\\p\\gpu.png"},
        {"relative to the host", ".\\a\\b\\", ".\\x.png", HostFolder() + "x.png"},
        {"a lone dot", ".\\a\\b\\", ".", HostFolder()},
        {"host gives a full folder", "C:\\dock\\m\\", "background.png", "C:\\dock\\m\\icons\\background.png"},
        {"host gives nothing", "", "background.png", "icons\\background.png"},
        {"8-bit folder name", ".\\caf\xE9\\", "background.png", HostFolder() + "caf\xE9\\icons\\background.png"},
    };
    int index = 0;
    for (const Case& c : cases) {
        Host().Clear();
        Host().relativeFolder = c.relativeFolder;
        std::string lines = c.backgroundImage.empty() ? "" : "BackgroundImage=" + c.backgroundImage + "\r\n";
        std::string ini = IniWith("resolve" + std::to_string(index++) + ".ini", lines);
        auto* docklet = Create(ini.c_str(), "D");
        ASSERT_NE(docklet, nullptr) << c.name;
        EXPECT_EQ(dockhost::Narrow(Record(docklet)->backgroundImage), c.expected) << c.name;
        ASSERT_EQ(Host().CountCalls("DockletSetImageFile"), 1) << c.name;
        EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, c.expected) << c.name;
        Destroy(docklet);
    }
}

TEST_F(Lifecycle, HiddenIconsStartOnTheResolvedEmptyImage)
{
    std::string ini = IniWith("hidden.ini", "DockletData=6\r\nImagesFolder=art\r\n");
    auto* docklet = Create(ini.c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    const std::string expected = HostFolder() + "Docklets\\Moravel\\art\\empty.png";
    EXPECT_EQ(dockhost::Narrow(Record(docklet)->emptyImage), expected);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, expected);
}

TEST_F(Lifecycle, OverlongImagePathsStayWithinTheirField)
{
    Host().relativeFolder = ".\\" + std::string(266, 'r') + "\\";
    std::string ini = IniWith("long.ini", "ImagesFolder=" + std::string(250, 'i') + "\r\n");
    auto* docklet = Create(ini.c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    EXPECT_LT(wcsnlen(Record(docklet)->backgroundImage, PATH_CAPACITY), static_cast<size_t>(PATH_CAPACITY));
    EXPECT_LT(wcsnlen(Record(docklet)->emptyImage, PATH_CAPACITY), static_cast<size_t>(PATH_CAPACITY));
    EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), 1);
}

TEST_F(Lifecycle, OnlyTheRefreshTimerIsHandled)
{
    auto* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
    } cases[] = {
        {"another timer", WM_TIMER, REFRESH_TIMER_ID + 1},
        {"timer id 0", WM_TIMER, 0},
        {"paint", WM_PAINT, REFRESH_TIMER_ID},
        {"mouse move", WM_MOUSEMOVE, 0},
        {"user message", WM_USER + 1, REFRESH_TIMER_ID},
    };
    for (const Case& c : cases) {
        Host().Clear();
        GetDock().Entry().OnProcessMessage(docklet->instance, docklet->hwnd, c.message, c.wParam, 0);
        EXPECT_TRUE(Host().calls.empty()) << c.name;
        EXPECT_EQ(Record(docklet)->created, 1) << c.name;
    }
    Host().Clear();
    Tick(docklet);
    EXPECT_EQ(Host().CountCalls("DockletSetLabel"), 1);
    EXPECT_EQ(Host().CountCalls("DockletSetImageOverlay"), 1);
    EXPECT_EQ(Record(docklet)->created, 1) << "re-armed after the refresh";
}

TEST_F(Lifecycle, TimerRefreshesOnceASecondAfterEachRefresh)
{
    auto* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    Host().Clear();
    // A tick restarts the period: the next one comes a full second later.
    Tick(docklet);
    GetDock().Pump(700);
    EXPECT_EQ(Host().CountCalls("DockletSetImageOverlay"), 1) << "no timer refresh within 0.7 s of a tick";
    GetDock().Pump(2600);
    int refreshes = Host().CountCalls("DockletSetImageOverlay");
    EXPECT_GE(refreshes, 3);
    EXPECT_LE(refreshes, 4) << "one refresh per period, never two";
    EXPECT_EQ(Record(docklet)->created, 1);
}

TEST_F(Lifecycle, TwoDockletsRunSideBySide)
{
    auto* first = Create();
    auto* second = Create();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first->instance, second->instance);
    // Each window's own timer refreshes its docklet.
    for (int waited = 0; waited < 6000; waited += 100) {
        if (Host().views[first->hwnd].overlaysReceived >= 3 && Host().views[second->hwnd].overlaysReceived >= 3)
            break;
        GetDock().Pump(100);
    }
    EXPECT_GE(Host().views[first->hwnd].overlaysReceived, 3);
    EXPECT_GE(Host().views[second->hwnd].overlaysReceived, 3);

    // Destroying one leaves GDI+ running for the other.
    Destroy(first);
    Tick(second);
    harness::Pixels overlay = Overlay(second);
    ASSERT_FALSE(overlay.Empty());
    EXPECT_EQ(overlay.width, 256);
    EXPECT_EQ(overlay.height, 256);
}

TEST_F(Lifecycle, DestroyStopsTheTimer)
{
    auto* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    void* instance = docklet->instance;
    docklet->instance = nullptr; // the dock forgets it, as it does before destroying
    GetDock().Entry().OnDestroy(instance, docklet->hwnd);
    Sleep(1300);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, docklet->hwnd, WM_TIMER, WM_TIMER, PM_REMOVE))
        << "a tick after destruction would reach freed memory";
}
