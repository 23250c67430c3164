// A host without the overlay service: every composed overlay is deleted at
// once instead of being handed to nobody.
#include "harness.h"

#include <psapi.h>

using harness::DockTest;

namespace {

class OverlayWithoutHost : public DockTest {};

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    return counters.PrivateUsage > counters.WorkingSetSize ? counters.PrivateUsage : counters.WorkingSetSize;
}

TEST_F(OverlayWithoutHost, RefreshesDoNotAccumulateOverlays)
{
    ASSERT_EQ(GetProcAddress(GetModuleHandleW(nullptr), "DockletSetImageOverlay"), nullptr);
    for (int mode : {DOCKLET_GRAPH, DOCKLET_TEMPERATURE}) {
        auto* docklet = CreateWith({{"DockletData", std::to_string(mode)}});
        ASSERT_NE(docklet, nullptr);
        for (int i = 0; i < 20; ++i)
            Tick(docklet);
        const SIZE_T before = PrivateBytes();
        ASSERT_GT(before, 0u);
        // 300 kept overlays would be 75 MiB.
        for (int i = 0; i < 300; ++i)
            Tick(docklet);
        const SIZE_T after = PrivateBytes();
        EXPECT_LT(after, before + 16u * 1024 * 1024)
            << "mode " << mode << ": grew from " << before / 1024 << " KiB to " << after / 1024 << " KiB";
        Destroy(docklet);
    }
}

} // namespace
