// A host that frees the module after its last docklet is gone and loads it
// again later, after a first load just for OnGetInformation: every use works,
// the module really leaves the process, and nothing it made outlives it (a
// timer or callback left pointing into it would crash the pump after each
// unload). The module's activation-context and GDI+ calls are counted through
// its imports, patched anew after every load.
#include "harness.h"
#include "footprint.h"
#include "imports.h"

using harness::DockTest;

namespace {

typedef HANDLE(WINAPI* CreateActCtxWFn)(PCACTCTXW);
typedef void(WINAPI* ReleaseActCtxFn)(HANDLE);
typedef Gdiplus::Status(WINAPI* StartupFn)(ULONG_PTR*, const Gdiplus::GdiplusStartupInput*,
                                           Gdiplus::GdiplusStartupOutput*);
typedef void(WINAPI* ShutdownFn)(ULONG_PTR);

struct Balance {
    int contextsCreated = 0;
    int contextsReleased = 0;
    int gdiplusStarted = 0;
    int gdiplusShut = 0;
};
Balance balance;

CreateActCtxWFn systemCreateActCtx;
ReleaseActCtxFn systemReleaseActCtx;
StartupFn systemStartup;
ShutdownFn systemShutdown;

HANDLE WINAPI CountingCreateActCtx(PCACTCTXW request)
{
    HANDLE context = systemCreateActCtx(request);
    if (context != INVALID_HANDLE_VALUE)
        ++balance.contextsCreated;
    return context;
}

void WINAPI CountingReleaseActCtx(HANDLE context)
{
    ++balance.contextsReleased;
    systemReleaseActCtx(context);
}

Gdiplus::Status WINAPI CountingStartup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                                       Gdiplus::GdiplusStartupOutput* output)
{
    Gdiplus::Status status = systemStartup(token, input, output);
    if (status == Gdiplus::Ok)
        ++balance.gdiplusStarted;
    return status;
}

void WINAPI CountingShutdown(ULONG_PTR token)
{
    ++balance.gdiplusShut;
    systemShutdown(token);
}

// Each load is a fresh image with the system's addresses in its imports.
void CountModuleCalls(HMODULE module)
{
    using dockhost::PatchImport;
    systemCreateActCtx = reinterpret_cast<CreateActCtxWFn>(
        PatchImport(module, "kernel32.dll", "CreateActCtxW", reinterpret_cast<void*>(&CountingCreateActCtx)));
    systemReleaseActCtx = reinterpret_cast<ReleaseActCtxFn>(
        PatchImport(module, "kernel32.dll", "ReleaseActCtx", reinterpret_cast<void*>(&CountingReleaseActCtx)));
    systemStartup = reinterpret_cast<StartupFn>(
        PatchImport(module, "gdiplus.dll", "GdiplusStartup", reinterpret_cast<void*>(&CountingStartup)));
    systemShutdown = reinterpret_cast<ShutdownFn>(
        PatchImport(module, "gdiplus.dll", "GdiplusShutdown", reinterpret_cast<void*>(&CountingShutdown)));
}

} // namespace

class HostReload : public DockTest {};

TEST_F(HostReload, FiveCyclesOfLoadUseAndFree)
{
    ASSERT_TRUE(UseSimulatedDriver("temperature 57\n"));
    dockhost::Dock& dock = GetDock();
    const std::wstring path = dock.ModulePath();
    ASSERT_TRUE(dock.UnloadModule()) << "the harness's load is the module's only one";
    dock.afterLoad = CountModuleCalls;
    const std::string ini = harness::TempFolder() + "reload.ini";

    for (int cycle = 1; cycle <= 5; ++cycle) {
        balance = Balance();
        const dockhost::CycleReport report = dockhost::RunHostCycle(dock, path, ini, 1100);
        EXPECT_TRUE(report.Complete()) << "cycle " << cycle << ": " << report.Describe();
        EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr) << "cycle " << cycle << ": still loaded";
        ASSERT_NE(systemCreateActCtx, nullptr);
        EXPECT_GE(balance.contextsCreated, 1) << "cycle " << cycle << ": the dialogs ran under the module's context";
        EXPECT_EQ(balance.contextsReleased, balance.contextsCreated)
            << "cycle " << cycle << ": activation contexts left behind";
        // One start-up for the cycle's two docklets, shut down with the last.
        EXPECT_EQ(balance.gdiplusStarted, 1) << "cycle " << cycle;
        EXPECT_EQ(balance.gdiplusShut, 1) << "cycle " << cycle << ": GDI+ start-ups left running";
        Host().Clear();
    }
    dock.afterLoad = nullptr;

    // What each docklet saved is what the next load read.
    EXPECT_EQ(harness::ReadSection(ini, "Docklet1").size(), 25u);
    EXPECT_EQ(harness::ReadSection(ini, "Docklet2").size(), 25u);
}

// Hosts that list their docklets load each module just for its information
// and free it again: that must cost nothing, however often.
TEST_F(HostReload, LoadingForTheInformationLeavesNoHeapBehind)
{
    dockhost::Dock& dock = GetDock();
    const std::wstring path = dock.ModulePath();
    ASSERT_TRUE(dock.UnloadModule());
    auto lookOnce = [&] {
        if (!dock.LoadModule(path))
            return false;
        char name[256] = "", author[256] = "", description[2048] = "";
        int version = 0;
        dock.Entry().OnGetInformation(name, author, &version, description);
        return dock.UnloadModule();
    };
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(lookOnce());
    const SIZE_T before = dockhost::HeapBytesInUse();
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(lookOnce());
    const SIZE_T after = dockhost::HeapBytesInUse();
    // Ten lost exception pools of the C++ runtime would be some 700 KiB.
    EXPECT_LT(after, before + 16 * 1024) << "the heap grew from " << before << " to " << after
                                         << " bytes over ten loads";
}
