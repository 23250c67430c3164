// The module as a dock built with Microsoft's compiler runs it: a host that
// deletes every overlay through slot 0 of its table and lends images laid
// out as that compiler lays them out, and that frees and loads the module
// again. Built for both machines: the 64-bit program runs in the suite, the
// 32-bit one (the product users install) under the 32-bit Wine.
#include "harness.h"
#include "record.h"

#include <commctrl.h>
#include <stdio.h>

#include "config/resource.h"
#include "core/menu.h"
#include "footprint.h"
#include "imports.h"
#include "system_fakes.h"

using harness::DockTest;

namespace {

const char SCENARIO[] = "temperature 61\nname 0 GeForce Sim 9000\n";

std::wstring Machine()
{
    return sizeof(void*) == 4 ? L"32-bit" : L"64-bit";
}

// TLS slots the process can still allocate.
int FreeTlsSlots()
{
    std::vector<DWORD> taken;
    for (DWORD slot; (slot = TlsAlloc()) != TLS_OUT_OF_INDEXES;)
        taken.push_back(slot);
    for (DWORD slot : taken)
        TlsFree(slot);
    return static_cast<int>(taken.size());
}

struct Holdings {
    dockhost::Footprint footprint;
    int tlsSlots = 0;
};

Holdings Measure()
{
    Holdings holdings;
    // Slots first: the first use of the expansion slots gives the thread an
    // array of them on the heap, which the heap figure then holds both times.
    holdings.tlsSlots = FreeTlsSlots();
    holdings.footprint = dockhost::MeasureFootprint();
    return holdings;
}

// The host's record of service calls grows with every call; emptied and its
// memory handed back before the heap is measured.
void ForgetCalls()
{
    std::vector<dockhost::ServiceCall>().swap(dockhost::Services().calls);
}

bool LoadedNow(const std::wstring& path)
{
    return GetModuleHandleW(path.c_str()) != nullptr;
}

const char NO_DRIVER_LABEL[] = "No Nvidia Driver/GPU Found";

const wchar_t* DriverFileName()
{
    return sizeof(void*) == 4 ? L"nvapi.dll" : L"nvapi64.dll";
}

std::string LabelOf(const dockhost::Docklet* docklet)
{
    return dockhost::Services().views[docklet->hwnd].label;
}

typedef Gdiplus::GpStatus(WINAPI* CloneImageFn)(Gdiplus::GpImage*, Gdiplus::GpImage**);
CloneImageFn systemCloneImage = nullptr;
Gdiplus::GpStatus cloneFailure = Gdiplus::Ok;

// GdipCloneImage as the module calls it: failing with `cloneFailure` while
// that is set.
Gdiplus::GpStatus WINAPI CloneImageOrFail(Gdiplus::GpImage* image, Gdiplus::GpImage** copy)
{
    return cloneFailure != Gdiplus::Ok ? cloneFailure : systemCloneImage(image, copy);
}

// A key of the section the docklet saved into `ini`.
std::string SavedIn(const std::string& ini, const char* key)
{
    return harness::Value(harness::ReadSection(ini, "D"), key);
}

} // namespace

// First in this program, before any driver is loaded: on a machine without
// the driver, a library of the driver's name where a plain name's search
// goes on to (the dock's current folder, which follows its file choosers, or
// a PATH folder) is never loaded; the docklet says there is no driver.
TEST(ProductDriver, OnlyTheSystemFolderIsSearched)
{
    wchar_t systemFolder[MAX_PATH] = L"";
    GetSystemDirectoryW(systemFolder, MAX_PATH);
    const std::wstring realDriver = std::wstring(systemFolder) + L"\\" + DriverFileName();
    ASSERT_EQ(GetFileAttributesW(realDriver.c_str()), INVALID_FILE_ATTRIBUTES)
        << "this machine has a driver: " << dockhost::Narrow(realDriver);
    ASSERT_EQ(GetModuleHandleW(DriverFileName()), nullptr) << "a driver is loaded already";

    struct Case {
        const char* name;
        bool currentFolder; // else a PATH folder
    };
    const Case CASES[] = {{"the current folder", true}, {"a folder on PATH", false}};
    wchar_t savedFolder[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, savedFolder);
    std::vector<wchar_t> savedPath(32768, L'\0');
    GetEnvironmentVariableW(L"PATH", savedPath.data(), static_cast<DWORD>(savedPath.size()));

    for (size_t i = 0; i < sizeof CASES / sizeof CASES[0]; ++i) {
        const Case& c = CASES[i];
        SCOPED_TRACE(c.name);
        // The simulated driver, which answers a temperature wherever it is loaded from.
        const std::wstring folder = dockhost::Widen(harness::TempFolder()) + L"planted" + std::to_wstring(i);
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring planted = folder + L"\\" + DriverFileName();
        ASSERT_TRUE(CopyFileW(harness::SimulatedDriverPath().c_str(), planted.c_str(), FALSE));
        if (c.currentFolder)
            ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
        else
            ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", (folder + L";" + savedPath.data()).c_str()));

        dockhost::Dock dock;
        ASSERT_TRUE(dock.LoadModule(harness::ModulePath()));
        dockhost::Docklet* docklet = dock.AddDocklet(nullptr, nullptr);
        ASSERT_NE(docklet, nullptr);
        dockhost::TickDocklet(dock, *docklet);
        EXPECT_EQ(LabelOf(docklet), NO_DRIVER_LABEL);
        EXPECT_EQ(GetModuleHandleW(planted.c_str()), nullptr) << "the planted library was loaded";
        EXPECT_TRUE(dock.UnloadModule());
        // Had it been loaded, it would stay: gone again, the next case starts as this one did.
        for (HMODULE loaded; (loaded = GetModuleHandleW(planted.c_str())) != nullptr;)
            FreeLibrary(loaded);

        SetCurrentDirectoryW(savedFolder);
        SetEnvironmentVariableW(L"PATH", savedPath.data());
    }
}

// The module has not been loaded yet, so freeing it really unloads it.
TEST(ProductLoads, FreeingTheModuleLeavesNothingBehind)
{
    const std::wstring module = harness::ModulePath();
    ASSERT_FALSE(LoadedNow(module)) << "another test loaded the module first";
    ASSERT_TRUE(harness::LoadScenario(SCENARIO));
    // A dock holds the common dialogs and the device list loaded, so freeing
    // the module does not unload them (under Wine each reload of those costs
    // the print spooler's named mutex, and 2 KiB of heap for the device list).
    dockhost::HoldDockLibraries();

    const std::string ini = harness::TempFolder() + "cycles.ini";
    dockhost::Dock dock;
    auto cycle = [&](int index) {
        SCOPED_TRACE("cycle " + std::to_string(index));
        ASSERT_TRUE(dock.LoadModule(module));
        char name[256] = "", author[256] = "", description[2048] = "";
        int version = 0;
        dock.Entry().OnGetInformation(name, author, &version, description);
        EXPECT_STREQ(name, "Moravel Docklet");
        EXPECT_EQ(version, 100);
        dockhost::Docklet* docklet = dock.AddDocklet(ini.c_str(), "D");
        ASSERT_NE(docklet, nullptr);
        dockhost::TickDocklet(dock, *docklet);
        dock.RemoveDocklet(docklet, true);
        dock.Pump(0);
        ASSERT_TRUE(dock.UnloadModule()) << "the module stayed in the process";
        ForgetCalls();
    };

    // The first loads bring in GDI+, the fonts and the window classes for good.
    const int WARM_UP = 3, CYCLES = 200;
    for (int i = 0; i < WARM_UP; ++i)
        cycle(i);
    const Holdings before = Measure();
    for (int i = 0; i < CYCLES && !HasFatalFailure(); ++i)
        cycle(WARM_UP + i);
    const Holdings after = Measure();

    const long long heap = static_cast<long long>(after.footprint.heapBytes) -
                           static_cast<long long>(before.footprint.heapBytes);
    printf("[ figures  ] %ls, %d load/free cycles (load, information, a docklet created, refreshed, saved and "
           "destroyed, free): handles %+d%s, TLS slots %+d, GDI objects %+d, USER objects %+d, heap %+lld bytes\n",
           Machine().c_str(), CYCLES, after.footprint.handles - before.footprint.handles,
           after.footprint.handlesProbed ? " (probed)" : "", before.tlsSlots - after.tlsSlots,
           after.footprint.gdiObjects - before.footprint.gdiObjects,
           after.footprint.userObjects - before.footprint.userObjects, heap);
    EXPECT_EQ(after.footprint.handles, before.footprint.handles) << "kernel handles kept by the loads";
    EXPECT_EQ(after.tlsSlots, before.tlsSlots) << "TLS slots kept by the loads";
    EXPECT_EQ(after.footprint.gdiObjects, before.footprint.gdiObjects);
    EXPECT_EQ(after.footprint.userObjects, before.footprint.userObjects);
    // A byte a cycle would show; what the system libraries keep varies by a
    // few blocks between measurements.
    EXPECT_LT(heap, CYCLES) << "heap bytes kept by the loads";
    EXPECT_EQ(dock.Module(), nullptr);
}

class Product : public DockTest {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(harness::LoadScenario(SCENARIO)); }

    std::string Ini(const char* name) { return harness::WriteSection(name, "D", {}); }
};

TEST_F(Product, OverlaysReachTheDockWholeAndLeaveWithItsDelete)
{
    dockhost::Docklet* docklet = Create(Ini("overlays.ini").c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    EXPECT_EQ(Label(docklet), "GPU Temperature: 61 \xB0" "C");

    // Where dock code compiled from the GDI+ headers reads them: the image
    // one pointer in, the status after it.
    const void* overlay = Host().views[docklet->hwnd].overlay.get();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(dockhost::StatusOf(overlay), Gdiplus::Ok);
    UINT width = 0, height = 0;
    Gdiplus::PixelFormat format = 0;
    Gdiplus::DllExports::GdipGetImageWidth(dockhost::NativeOf(overlay), &width);
    Gdiplus::DllExports::GdipGetImageHeight(dockhost::NativeOf(overlay), &height);
    Gdiplus::DllExports::GdipGetImagePixelFormat(dockhost::NativeOf(overlay), &format);
    EXPECT_EQ(width, 256u);
    EXPECT_EQ(height, 256u);
    EXPECT_EQ(format, PixelFormat32bppARGB);

    // Graph mode: the caption band carries text, a corner stays clear, the
    // graph's frame is drawn.
    harness::Pixels pixels = Overlay(docklet);
    ASSERT_EQ(pixels.width, 256);
    int captionInk = 0;
    for (int y = 25; y < 65; ++y)
        for (int x = 27; x < 231; ++x)
            captionInk += pixels.Alpha(x, y) > 128;
    EXPECT_GT(captionInk, 100) << "no caption or temperature";
    EXPECT_EQ(pixels.Alpha(2, 2), 0);
    EXPECT_GT(pixels.Alpha(27, 140), 0) << "no graph frame";

    // A dock may clone what it holds: a copy of its own, deleted the same way.
    void* copy = dockhost::CloneAsDock(Host().views[docklet->hwnd].overlay.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(dockhost::NativeOf(copy), dockhost::NativeOf(overlay));
    harness::Pixels copied = harness::Capture(dockhost::ClassCopyOf(dockhost::NativeOf(copy)).get());
    EXPECT_EQ(copied.argb, pixels.argb);
    EXPECT_EQ(dockhost::DeleteAsDock(copy), 0);

    // Every tenth refresh draws the graph; the others draw nothing, which
    // keeps the 32-bit run (emulated, some 140 ms a drawn refresh) short.
    // Each hands the dock a new overlay and has the previous one deleted.
    const dockhost::ImageObjectCounts& images = Host().images;
    const int deletedBefore = images.overlaysDeleted;
    const int WARM_UP = 20, REFRESHES = sizeof(void*) == 8 ? 5000 : 1000;
    for (int i = 0; i < WARM_UP; ++i)
        Tick(docklet);
    ForgetCalls();
    const SIZE_T heapBefore = dockhost::HeapBytesInUse();
    for (int i = 0; i < REFRESHES; ++i) {
        ASSERT_TRUE(record::ChangeSettings(docklet, {{"DockletData", i % 10 == 0 ? "2" : "0"}}));
        Tick(docklet);
        if (i % 100 == 99)
            ForgetCalls();
    }
    const SIZE_T heapAfter = dockhost::HeapBytesInUse();
    const long long heap = static_cast<long long>(heapAfter) - static_cast<long long>(heapBefore);

    printf("[ figures  ] %ls, %d refreshes (%d drawn): %d overlays deleted through slot 0, %d with the stack pointer moved, "
           "heap %+lld bytes\n",
           Machine().c_str(), REFRESHES, REFRESHES / 10, images.overlaysDeleted - deletedBefore - WARM_UP, images.stackSlips, heap);
    EXPECT_EQ(images.overlaysDeleted - deletedBefore, WARM_UP + REFRESHES);
    EXPECT_EQ(images.stackSlips, 0) << "the stack pointer moved by " << images.lastSlip << " bytes";
    EXPECT_LT(heap, REFRESHES) << "heap bytes kept by the refreshes";
    Destroy(docklet);
}

// A dock's Clone() of an overlay behaves as the GDI+ headers' own: a copy
// that failed is still an object, carrying the failure, which the dock can
// ask for its status and size; the source keeps the failure as its last
// status, and a copy that succeeds leaves that alone.
TEST_F(Product, ACopyThatFailedIsAnObjectCarryingTheFailure)
{
    dockhost::Docklet* docklet = Create(Ini("clone.ini").c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    void* overlay = Host().views[docklet->hwnd].overlay.get();
    ASSERT_NE(overlay, nullptr);
    systemCloneImage = reinterpret_cast<CloneImageFn>(dockhost::PatchImport(
        GetDock().Module(), "gdiplus.dll", "GdipCloneImage", reinterpret_cast<void*>(&CloneImageOrFail)));
    ASSERT_NE(systemCloneImage, nullptr);

    cloneFailure = Gdiplus::OutOfMemory;
    void* failed = dockhost::CloneAsDock(overlay);
    cloneFailure = Gdiplus::Ok;
    ASSERT_NE(failed, nullptr) << "a failed copy must still be an object";
    EXPECT_EQ(dockhost::StatusOf(failed), Gdiplus::OutOfMemory);
    EXPECT_EQ(dockhost::NativeOf(failed), nullptr);
    // What the dock's GetWidth() does with it.
    UINT width = 12345;
    EXPECT_EQ(Gdiplus::DllExports::GdipGetImageWidth(dockhost::NativeOf(failed), &width), Gdiplus::InvalidParameter);
    EXPECT_EQ(dockhost::StatusOf(overlay), Gdiplus::OutOfMemory) << "the source keeps the failure";
    EXPECT_EQ(dockhost::DeleteAsDock(failed), 0);

    void* copy = dockhost::CloneAsDock(overlay);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(dockhost::StatusOf(copy), Gdiplus::Ok);
    EXPECT_EQ(harness::Capture(dockhost::ClassCopyOf(dockhost::NativeOf(copy)).get()).argb, Overlay(docklet).argb);
    EXPECT_EQ(dockhost::StatusOf(overlay), Gdiplus::OutOfMemory) << "a copy that succeeds leaves the source's status";
    EXPECT_EQ(dockhost::DeleteAsDock(copy), 0);

    dockhost::PatchImport(GetDock().Module(), "gdiplus.dll", "GdipCloneImage",
                          reinterpret_cast<void*>(systemCloneImage));
    Destroy(docklet);
}

TEST_F(Product, MenuAboutAndEveryPageUsedThenSaved)
{
    const std::string ini = Ini("use.ini");
    dockhost::Docklet* docklet = Create(ini.c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    const dockhost::ImageObjectCounts& images = Host().images;
    const int lentBefore = images.lent;

    // Menu, About box, every page of the sheet (Browse... and Reset on the
    // Icon page), OK.
    dockhost::UseReport report = dockhost::UseDocklet(GetDock(), *docklet);
    EXPECT_TRUE(report.Complete()) << report.Describe();

    // The Font and Graph pages used: a size typed, the bars' transparency
    // moved, OK.
    EXPECT_EQ(ConfigureSizeAndBars(docklet, L"40", 100), 0);

    // The previews drew the dock's picture: each one lent, deleted once
    // through slot 0 with the flag that frees it, never cloned.
    const int lent = images.lent - lentBefore;
    printf("[ figures  ] %ls: %d images lent for the previews, %d deleted, %d destroyed without freeing, "
           "%d cloned, %d calls on unknown objects\n",
           Machine().c_str(), lent, images.lentDeleted, images.lentDestroyedOnly, images.lentCloned,
           images.strangeCalls);
    EXPECT_GT(lent, 0) << "no preview drew the dock's picture";
    EXPECT_EQ(images.lentDeleted, images.lent);
    EXPECT_EQ(images.lentDestroyedOnly, 0);
    EXPECT_EQ(images.lentCloned, 0);
    EXPECT_EQ(images.strangeCalls, 0);
    EXPECT_TRUE(images.lentAlive.empty());
    EXPECT_EQ(images.stackSlips, 0);

    Destroy(docklet, true);
    EXPECT_EQ(SavedIn(ini, "FontSize"), "40");
    EXPECT_EQ(SavedIn(ini, "CpuAlpha"), "100");
    EXPECT_EQ(SavedIn(ini, "CpuColor"), "65280");
    EXPECT_EQ(SavedIn(ini, "Celcius"), "1");
    EXPECT_EQ(SavedIn(ini, "DockletData"), "2");
}

// The product's own imports of the device list decide: with the processor
// asleep, no driver call; awake, the reading comes back.
TEST_F(Product, SleepingProcessorIsLeftAlone)
{
    ASSERT_TRUE(dockhost::FakeDeviceList(GetDock().Module()));
    dockhost::SetFakeDevices({{1, 0, 4}}); // D3, where the simulated driver puts its processor
    dockhost::Docklet* docklet = Create(Ini("asleep.ini").c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    const int readings = harness::DriverCallCount("thermal");
    for (int i = 0; i < 3; ++i)
        Tick(docklet);
    EXPECT_EQ(Label(docklet), "GPU Temperature: Off");
    EXPECT_EQ(harness::DriverCallCount("thermal"), readings);
    EXPECT_EQ(dockhost::DeviceCalls().powerQueries, 4);

    dockhost::SetFakePowerState(0, 1);
    Tick(docklet);
    EXPECT_EQ(Label(docklet), "GPU Temperature: 61 \xB0" "C");
    EXPECT_EQ(harness::DriverCallCount("thermal"), readings + 1);
    Destroy(docklet);
    EXPECT_EQ(dockhost::DeviceCalls().listsOpen, 0);
}

namespace {

// A dock that frees the module while the module's code is still running:
// inside DockletRemoveSelf, or when it quits (destroys the docklet and frees
// the module) from a message that the docklet's own menu, About box or sheet
// dispatches.
enum class Opened { Menu, About, Sheet };

struct FreeingDock {
    const char* name;
    Opened opened;
    bool inRemoveSelf; // else: while `opened` is on screen
};

const FreeingDock FREEING_DOCKS[] = {
    {"RemoveEntryFreesInsideDockletRemoveSelf", Opened::Menu, true},
    {"QuitWhileTheSheetIsOpen", Opened::Sheet, false},
    {"QuitWhileTheMenuIsOpen", Opened::Menu, false},
    {"QuitWhileTheAboutBoxIsOpen", Opened::About, false},
};

void PrintTo(const FreeingDock& dock, std::ostream* out)
{
    *out << dock.name;
}

bool IsOpen(Opened opened)
{
    switch (opened) {
    case Opened::Menu:
        return dockhost::FindPopupMenu() != nullptr;
    case Opened::About:
        return dockhost::FindThreadWindow(harness::ABOUT_CAPTION) != nullptr;
    case Opened::Sheet:
        return dockhost::FindThreadWindow(harness::SHEET_CAPTION) != nullptr;
    }
    return false;
}

void Open(const dockhost::DockletEntryPoints& entry, void* instance, Opened opened)
{
    POINT point = {10, 10};
    SIZE size = {256, 256};
    switch (opened) {
    case Opened::Menu:
        entry.OnRightButtonClick(instance, &point, &size);
        break;
    case Opened::About:
        entry.OnAbout(instance);
        break;
    case Opened::Sheet:
        entry.OnConfigure(instance);
        break;
    }
}

// Runs `ui` while `open` opens the docklet's window; true when every step ran.
bool RunScripted(dockhost::ModalDriver& ui, const std::function<void()>& open)
{
    ui.Start();
    open();
    ui.Stop();
    const bool done = ui.Finished() && !ui.TimedOut();
    ui.Clear();
    return done;
}

} // namespace

class ProductFrees : public ::testing::TestWithParam<FreeingDock> {};

// The module keeps itself in the process then: nothing crashes, nothing of
// it is left behind, and loaded again it runs as before.
TEST_P(ProductFrees, NoCodeOfTheModuleRunsAfterTheFree)
{
    const FreeingDock& dockCase = GetParam();
    harness::ReleaseDock(); // the only reference is the one freed below
    const std::wstring module = harness::ModulePath();
    dockhost::Dock dock;
    dock.afterLoad = [](HMODULE loaded) { dockhost::WatchTimers(loaded); };
    dockhost::ForgetTimers();
    ASSERT_TRUE(dock.LoadModule(module));
    const dockhost::DockletEntryPoints entry = dock.Entry();
    const dockhost::ModuleRange image = dock.ModuleImage();
    dockhost::Docklet* docklet = dock.AddDocklet(nullptr, nullptr);
    ASSERT_NE(docklet, nullptr);
    void* instance = docklet->instance;
    const HWND hwnd = docklet->hwnd;

    bool freed = false;
    // Every docklet removed, the overlays deleted, the module freed.
    auto freeModule = [&dock, &freed] {
        dock.UnloadModule();
        freed = true;
    };
    dockhost::ModalDriver ui;
    if (dockCase.inRemoveSelf) {
        dockhost::Services().onRemoveSelf = [&freeModule](HWND) { freeModule(); };
        ui.Then([] {
            HWND popup = dockhost::FindPopupMenu();
            return popup && dockhost::ChooseMenuItem(popup, MENU_REMOVE);
        });
    } else {
        ui.Then([&dockCase, &freeModule] {
            if (!IsOpen(dockCase.opened))
                return false;
            freeModule();
            return true;
        });
    }
    EXPECT_TRUE(RunScripted(ui, [&] { Open(entry, instance, dockCase.opened); }));
    dockhost::Services().onRemoveSelf = nullptr;
    ASSERT_TRUE(freed);

    EXPECT_NE(GetModuleHandleW(module.c_str()), nullptr) << "the module did not keep itself in the process";
    EXPECT_TRUE(dock.Docklets().empty());
    EXPECT_EQ(dockhost::Services().views.count(hwnd), 0u) << "a service was called for the removed docklet";
    EXPECT_FALSE(IsOpen(dockCase.opened));
    EXPECT_EQ(dockhost::WindowsInto(image), 0) << "windows of the module left";
    EXPECT_EQ(dockhost::LiveTimers(), 0) << "timers of the module left";
    dockhost::RaiseThroughVectoredHandlers();
    dockhost::PumpFor(1100); // past the refresh period: anything left behind would run now

    // Loaded again: a docklet refreshes, and the one sheet of the module
    // opens again.
    ASSERT_TRUE(dock.LoadModule(module));
    docklet = dock.AddDocklet(nullptr, nullptr);
    ASSERT_NE(docklet, nullptr);
    EXPECT_FALSE(LabelOf(docklet).empty());
    ui.Then([] {
        HWND sheet = dockhost::FindThreadWindow(harness::SHEET_CAPTION);
        if (sheet)
            PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        return sheet != nullptr;
    });
    EXPECT_TRUE(RunScripted(ui, [&] { dock.Entry().OnConfigure(docklet->instance); })) << "no sheet opened";
    dock.UnloadModule();
}

INSTANTIATE_TEST_SUITE_P(Docks, ProductFrees, ::testing::ValuesIn(FREEING_DOCKS),
                         [](const ::testing::TestParamInfo<FreeingDock>& info) { return info.param.name; });
