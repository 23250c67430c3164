// The module starts GDI+ once, for its first docklet, and shuts it down when
// its last docklet goes (docklets may draw on threads of their own, and a
// shutdown under one that draws would pull GDI+ away from it); a docklet
// whose start-up failed shuts nothing down. The module's imports of the two
// calls are redirected to counting wrappers.
#include "harness.h"
#include "imports.h"

#include <vector>

using harness::DockTest;

namespace {

typedef Gdiplus::Status(WINAPI* StartupFn)(ULONG_PTR*, const Gdiplus::GdiplusStartupInput*,
                                           Gdiplus::GdiplusStartupOutput*);
typedef void(WINAPI* ShutdownFn)(ULONG_PTR);

StartupFn realStartup;
ShutdownFn realShutdown;
std::vector<ULONG_PTR> startedTokens;
std::vector<ULONG_PTR> shutTokens;
int failNextStartups = 0;

Gdiplus::Status WINAPI CountingStartup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                                       Gdiplus::GdiplusStartupOutput* output)
{
    if (failNextStartups > 0) {
        --failNextStartups;
        return Gdiplus::GdiplusNotInitialized;
    }
    Gdiplus::Status status = realStartup(token, input, output);
    if (status == Gdiplus::Ok)
        startedTokens.push_back(*token);
    return status;
}

void WINAPI CountingShutdown(ULONG_PTR token)
{
    shutTokens.push_back(token);
    realShutdown(token);
}

} // namespace

class GdiplusBalance : public DockTest {
protected:
    void SetUp() override
    {
        DockTest::SetUp();
        if (!realStartup) {
            HMODULE module = GetDock().Module();
            realStartup = reinterpret_cast<StartupFn>(dockhost::PatchImport(
                module, "gdiplus.dll", "GdiplusStartup", reinterpret_cast<void*>(&CountingStartup)));
            realShutdown = reinterpret_cast<ShutdownFn>(dockhost::PatchImport(
                module, "gdiplus.dll", "GdiplusShutdown", reinterpret_cast<void*>(&CountingShutdown)));
        }
        ASSERT_NE(realStartup, nullptr);
        ASSERT_NE(realShutdown, nullptr);
    }
};

TEST_F(GdiplusBalance, TheFirstDockletStartsItAndTheLastShutsItDown)
{
    auto* first = Create();
    auto* second = Create();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(startedTokens.size(), 1u) << "one start-up for the module";

    Destroy(first);
    EXPECT_TRUE(shutTokens.empty()) << "shut down under a docklet that still draws";
    Tick(second);
    EXPECT_FALSE(Overlay(second).Empty());
    Destroy(second);
    EXPECT_EQ(shutTokens, startedTokens) << "shut down once, with its token, by the last";

    // The next docklet starts it again.
    Destroy(Create());
    ASSERT_EQ(startedTokens.size(), 2u);
    EXPECT_EQ(shutTokens, startedTokens);
}

TEST_F(GdiplusBalance, FailedStartupSaysSoAndShutsNothingDown)
{
    failNextStartups = 1;
    auto* failed = Create();
    ASSERT_NE(failed, nullptr);
    ASSERT_GE(Host().calls.size(), 2u);
    EXPECT_EQ(Host().calls[1].text, "Error: GdiplusStartup, 18") << "after the configure label";
    EXPECT_TRUE(WaitForTimerRefresh(failed)) << "creation goes on: the refresh timer runs";
    auto* working = Create();
    ASSERT_NE(working, nullptr);

    Destroy(failed);
    EXPECT_TRUE(shutTokens.empty()) << "a failed start-up must not shut GDI+ down for the others";
    Tick(working);
    EXPECT_FALSE(Overlay(working).Empty());
    Destroy(working);
    EXPECT_EQ(shutTokens, startedTokens);
}
