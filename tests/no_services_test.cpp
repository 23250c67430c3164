// A host that exports none of the services: the docklet runs and nothing fails.
#include "harness.h"

using harness::DockTest;

class NoServices : public DockTest {};

TEST_F(NoServices, DockletRunsAndShowsNothing)
{
    ASSERT_EQ(GetProcAddress(GetModuleHandleW(nullptr), "DockletSetLabel"), nullptr);
    auto* docklet = Create("C:\\nowhere\\none.ini", "Docklet");
    ASSERT_NE(docklet, nullptr);
    for (int i = 0; i < 3; ++i)
        Tick(docklet);
    EXPECT_TRUE(Host().calls.empty());
    EXPECT_TRUE(WaitForTimerRefresh(docklet)) << "the refresh timer runs";
    char output[300] = "";
    EXPECT_TRUE(GetDock().Entry().OnExportFiles(docklet->instance, output, 0));
    EXPECT_STREQ(output, "icons");
}
