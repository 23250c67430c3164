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
        ASSERT_EQ(Host().CountCalls("DockletSetImageFile"), 1) << c.name;
        EXPECT_EQ(ImageFile(docklet), c.expected) << c.name;
        Destroy(docklet);
    }
}

TEST_F(Lifecycle, HiddenIconsStartOnTheResolvedEmptyImage)
{
    std::string ini = IniWith("hidden.ini", "DockletData=6\r\nImagesFolder=art\r\n");
    auto* docklet = Create(ini.c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    EXPECT_EQ(ImageFile(docklet), HostFolder() + "Docklets\\Moravel\\art\\empty.png");
}

TEST_F(Lifecycle, OverlongImagePathsStayWithinTheirField)
{
    Host().relativeFolder = ".\\" + std::string(266, 'r') + "\\";
    // The background picture, and with icons hidden the empty one.
    for (const char* dockletData : {"2", "6"}) {
        SCOPED_TRACE(std::string("DockletData ") + dockletData);
        Host().Clear();
        auto* docklet = CreateWith({{"ImagesFolder", std::string(250, 'i')}, {"DockletData", dockletData}});
        ASSERT_NE(docklet, nullptr);
        EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), 1);
        EXPECT_LT(ImageFile(docklet).size(), static_cast<size_t>(PATH_CAPACITY));
        // Nothing ran over into the settings beside the paths.
        const harness::KeyValues saved = Saved(docklet);
        EXPECT_EQ(harness::Value(saved, "ImagesFolder"), std::string(250, 'i'));
        EXPECT_EQ(harness::Value(saved, "BackgroundImage"), "background.png");
        EXPECT_EQ(harness::Value(saved, "FontName"), "Tahoma");
        Destroy(docklet);
    }
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
    }
    EXPECT_TRUE(WaitForTimerRefresh(docklet)) << "the refresh timer stopped";
    Host().Clear();
    Tick(docklet);
    EXPECT_EQ(Host().CountCalls("DockletSetLabel"), 1);
    EXPECT_EQ(Host().CountCalls("DockletSetImageOverlay"), 1);
    EXPECT_TRUE(WaitForTimerRefresh(docklet)) << "not re-armed after the refresh";
}

TEST_F(Lifecycle, TimerRefreshesOnceASecondAfterEachRefresh)
{
    auto* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    Host().Clear();
    // A tick restarts the period: the next one comes a full second later,
    // and each one after a full second more.
    Tick(docklet);
    ASSERT_TRUE(WaitFor([&] { return OverlayTimes(docklet).size() >= 4; })) << "the timer stopped";
    const std::vector<DWORD> times = OverlayTimes(docklet);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], REFRESH_PERIOD - 50) << "refresh " << i << " came too soon";
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
    // A timer of the dock's that comes after the refresh timer's period: the
    // refresh timer, still armed, would fire first.
    const UINT_PTR LATER = REFRESH_TIMER_ID + 1;
    ASSERT_NE(SetTimer(docklet->hwnd, LATER, REFRESH_PERIOD + 300, nullptr), 0u);
    std::vector<UINT_PTR> fired;
    const DWORD start = GetTickCount();
    while (fired.empty() || fired.back() != LATER) {
        MSG message;
        while (PeekMessageW(&message, docklet->hwnd, WM_TIMER, WM_TIMER, PM_REMOVE))
            fired.push_back(message.wParam);
        const DWORD waited = GetTickCount() - start;
        if (waited >= 10000)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000 - waited, QS_TIMER);
    }
    KillTimer(docklet->hwnd, LATER);
    EXPECT_EQ(fired, std::vector<UINT_PTR>{LATER}) << "a tick after destruction would reach freed memory";
}
