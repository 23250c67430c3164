// The context menu a right click opens, its commands, and the left click.
#include "harness.h"

#include <objbase.h>
#include <shellapi.h>

#include "core/menu.h"
#include "imports.h"

using harness::DockTest;

namespace {

// What the module asks of the window manager around its menu, in order.
struct ForegroundCall {
    std::string function;
    HWND hwnd;
};
std::vector<ForegroundCall> foregroundCalls;

decltype(&SetForegroundWindow) systemSetForegroundWindow = nullptr;
decltype(&TrackPopupMenu) systemTrackPopupMenu = nullptr;
decltype(&PostMessageW) systemPostMessageW = nullptr;

BOOL WINAPI RecordSetForegroundWindow(HWND hwnd)
{
    foregroundCalls.push_back({"SetForegroundWindow", hwnd});
    return systemSetForegroundWindow(hwnd);
}

BOOL WINAPI RecordTrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect)
{
    foregroundCalls.push_back({"TrackPopupMenu", owner});
    return systemTrackPopupMenu(menu, flags, x, y, reserved, owner, rect);
}

BOOL WINAPI RecordPostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NULL)
        foregroundCalls.push_back({"PostMessageW(WM_NULL)", hwnd});
    return systemPostMessageW(hwnd, message, wParam, lParam);
}

template <typename Fn>
Fn Patch(HMODULE module, const char* function, Fn replacement)
{
    return reinterpret_cast<Fn>(dockhost::PatchImport(module, "user32.dll", function,
                                                      reinterpret_cast<void*>(replacement)));
}

// What the module hands ShellExecuteW, and the thread's COM as the launch
// finds it.
struct Launch {
    HWND owner;
    std::wstring file;
    std::wstring parameters;
    int show;
    std::string apartment;
};
std::vector<Launch> launches;

// The thread's COM as a call made now finds it.
std::string Apartment()
{
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(result))
        CoUninitialize();
    if (result == S_OK)
        return "none";
    if (result == S_FALSE)
        return "single-threaded";
    return result == RPC_E_CHANGED_MODE ? "multithreaded" : "unknown";
}

HINSTANCE WINAPI RecordShellExecuteW(HWND owner, LPCWSTR /*verb*/, LPCWSTR file, LPCWSTR parameters,
                                     LPCWSTR /*folder*/, INT show)
{
    launches.push_back({owner, file ? file : L"", parameters ? parameters : L"", show, Apartment()});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

struct MenuState {
    std::vector<UINT> ids;
    std::vector<std::wstring> texts;
    std::vector<bool> checked;
    int lockDepthWhileOpen = -1;
};

} // namespace

class Menu : public harness::FrozenDockletTest {
protected:
    Menu() : FrozenDockletTest(61) {}

    // What the icon shows, what the label shows, and the unit, as saved.
    static harness::KeyValues Shown(int dockletData, int labelData, int celsius)
    {
        return {{"Celcius", std::to_string(celsius)},
                {"DockletData", std::to_string(dockletData)},
                {"LabelData", std::to_string(labelData)}};
    }
    harness::KeyValues ShownNow()
    {
        const harness::KeyValues saved = Saved(docklet);
        return {{"Celcius", harness::Value(saved, "Celcius")},
                {"DockletData", harness::Value(saved, "DockletData")},
                {"LabelData", harness::Value(saved, "LabelData")}};
    }

    // Opens the menu, reads what it shows, then picks `command` (0: dismisses it).
    MenuState Open(UINT command)
    {
        MenuState state;
        Ui().Then([this, &state, command] {
            HWND popup = dockhost::FindPopupMenu();
            if (!popup)
                return false;
            HMENU menu = dockhost::MenuOfPopup(popup);
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                wchar_t text[128] = L"";
                MENUITEMINFOW item = {};
                item.cbSize = sizeof item;
                item.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
                item.dwTypeData = text;
                item.cch = 128;
                GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
                state.ids.push_back(item.wID);
                state.texts.push_back((item.fType & MFT_SEPARATOR) ? L"-" : text);
                state.checked.push_back((item.fState & MFS_CHECKED) != 0);
            }
            state.lockDepthWhileOpen = Host().views[docklet->hwnd].lockDepth;
            if (command)
                dockhost::ChooseMenuItem(popup, command);
            else
                EndMenu();
            return true;
        });
        EXPECT_EQ(RightClick(docklet), TRUE);
        return state;
    }

    bool Checked(const MenuState& state, UINT id)
    {
        for (size_t i = 0; i < state.ids.size(); ++i)
            if (state.ids[i] == id && state.texts[i] != L"-")
                return state.checked[i];
        ADD_FAILURE() << "no item " << id;
        return false;
    }

    int Refreshes() { return Host().CountCalls("DockletSetImageOverlay"); }
};

TEST_F(Menu, ShowsTheSixteenEntriesInOrder)
{
    MenuState state = Open(0);
    const std::vector<UINT> ids = {3, 4, 5, 6, 12, 14, 15, 13, 7, 16, 17, 18, 12, 9, 10, 11};
    const std::vector<std::wstring> texts = {
        L"Show GPU Temperature", L"Show GPU Temperature Graph", L"Hide Icons", L"-",
        L"Show GPU Temperature at Docklet Label", L"Show GPU Full Name at Docklet Label",
        L"Show GPU Vendor String at Docklet Label", L"Show Title at Docklet Label", L"Hide Label", L"-",
        L"Show \u00B0C", L"Show \u00B0F", L"-", L"About Moravel Docklet", L"Remove Entry",
        L"Moravel Docklet Settings...",
    };
    EXPECT_EQ(state.ids, ids);
    EXPECT_EQ(state.texts, texts);
    EXPECT_EQ(state.lockDepthWhileOpen, 1) << "the mouse effect is locked while the menu is open";
    EXPECT_EQ(Host().CountCalls("DockletLockMouseEffect"), 2) << "locked once and released once";
    EXPECT_EQ(Host().views[docklet->hwnd].lockDepth, 0);
    EXPECT_EQ(Refreshes(), 0) << "dismissing changes nothing";
}

TEST_F(Menu, OwnerComesToTheForegroundBeforeTheMenuAndIsPostedANullMessageAfter)
{
    const HMODULE module = GetDock().Module();
    systemSetForegroundWindow = Patch(module, "SetForegroundWindow", RecordSetForegroundWindow);
    systemTrackPopupMenu = Patch(module, "TrackPopupMenu", RecordTrackPopupMenu);
    systemPostMessageW = Patch(module, "PostMessageW", RecordPostMessageW);
    ASSERT_NE(systemSetForegroundWindow, nullptr);
    ASSERT_NE(systemTrackPopupMenu, nullptr);
    ASSERT_NE(systemPostMessageW, nullptr);
    foregroundCalls.clear();
    Open(0);
    Open(MENU_HIDE_LABEL);
    Patch(module, "SetForegroundWindow", systemSetForegroundWindow);
    Patch(module, "TrackPopupMenu", systemTrackPopupMenu);
    Patch(module, "PostMessageW", systemPostMessageW);

    const HWND topLevel = GetAncestor(docklet->hwnd, GA_ROOT);
    const char* const expected[] = {"SetForegroundWindow", "TrackPopupMenu", "PostMessageW(WM_NULL)"};
    ASSERT_EQ(foregroundCalls.size(), 6u);
    for (size_t i = 0; i < foregroundCalls.size(); ++i) {
        const char* what = i < 3 ? "dismissed menu" : "chosen item";
        EXPECT_EQ(foregroundCalls[i].function, expected[i % 3]) << what << ", call " << i % 3;
        EXPECT_EQ(foregroundCalls[i].hwnd, i % 3 == 1 ? docklet->hwnd : topLevel) << what << ", call " << i % 3;
    }
    EXPECT_EQ(Saved(docklet, "LabelData"), std::to_string(LABEL_TEMPERATURE | LABEL_HIDE))
        << "the chosen item still reaches the docklet";
}

TEST_F(Menu, CheckMarksFollowTheSettings)
{
    struct Case {
        int dockletData, labelData, celsius;
        std::vector<UINT> checked;
    } cases[] = {
        {2, 2, 1, {4, 12, 17}},
        {1, 1, 0, {3, 7, 18}},
        {7, 31, 5, {3, 4, 5, 12, 14, 15, 13, 7, 17}},
        {4, 16, 0, {5, 15, 18}},
        {0, 0, -1, {17}},
    };
    const std::vector<UINT> items = {3, 4, 5, 12, 14, 15, 13, 7, 17, 18, 9, 10, 11};
    int index = 0;
    for (const Case& c : cases) {
        Restart(Shown(c.dockletData, c.labelData, c.celsius));
        MenuState state = Open(0);
        for (UINT id : items) {
            bool expected = std::find(c.checked.begin(), c.checked.end(), id) != c.checked.end();
            EXPECT_EQ(Checked(state, id), expected) << "case " << index << ", item " << id;
        }
        ++index;
    }
}

TEST_F(Menu, CommandsChangeWhatIconAndLabelShow)
{
    struct Case {
        const char* name;
        UINT command;
        int dockletData, labelData, celsius;         // before
        int wantDocklet, wantLabel, wantCelsius;     // after
    } cases[] = {
        {"temperature replaces the whole value", 3, 6, 2, 1, 1, 2, 1},
        {"graph replaces the whole value", 4, 5, 2, 1, 2, 2, 1},
        {"hide label on", 7, 2, 2, 1, 2, 3, 1},
        {"hide label off", 7, 2, 3, 1, 2, 2, 1},
        {"label temperature keeps hide", 12, 2, 17, 1, 2, 3, 1},
        {"label title keeps hide", 13, 2, 1, 1, 2, 5, 1},
        {"label full name", 14, 2, 2, 1, 2, 8, 1},
        {"label vendor drops the others", 15, 2, 30, 1, 2, 16, 1},
        {"Show C while in C stays in C", 17, 2, 2, 1, 2, 2, 1},
        {"Show F while in F stays in F", 18, 2, 2, 0, 2, 2, 0},
        {"Show F while in C switches to F", 18, 2, 2, 1, 2, 2, 0},
        {"Show C while in F switches to C", 17, 2, 2, 0, 2, 2, 1},
        {"Show C with an odd unit stored sets C", 17, 2, 2, 7, 2, 2, 1},
        {"Show F with an odd unit stored sets F", 18, 2, 2, 7, 2, 2, 0},
    };
    for (const Case& c : cases) {
        Restart(Shown(c.dockletData, c.labelData, c.celsius));
        Open(c.command);
        EXPECT_EQ(ShownNow(), Shown(c.wantDocklet, c.wantLabel, c.wantCelsius)) << c.name;
        EXPECT_EQ(Refreshes(), 1) << c.name << ": one refresh";
        EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), 0) << c.name << ": the base image stays";
    }
}

TEST_F(Menu, UnitEntriesShowTheUnitTheyName)
{
    struct Case {
        const char* name;
        int celsius;
        UINT command;
        const char* label;
    } cases[] = {
        {"Show \u00B0C while Celsius is shown", 1, 17, "GPU Temperature: 61 \xB0" "C"},
        {"Show \u00B0F while Fahrenheit is shown", 0, 18, "GPU Temperature: 141 \xB0" "F"},
        {"Show \u00B0F while Celsius is shown", 1, 18, "GPU Temperature: 141 \xB0" "F"},
        {"Show \u00B0C while Fahrenheit is shown", 0, 17, "GPU Temperature: 61 \xB0" "C"},
    };
    for (const Case& c : cases) {
        Restart(Shown(DOCKLET_GRAPH, LABEL_TEMPERATURE, c.celsius));
        Open(c.command);
        EXPECT_EQ(Label(docklet), c.label) << c.name;
        const MenuState after = Open(0);
        EXPECT_EQ(Checked(after, c.command), true) << c.name << ": the chosen entry is checked";
        EXPECT_EQ(Checked(after, c.command == 17 ? 18 : 17), false) << c.name;
    }
}

TEST_F(Menu, HideIconsSetsTheDefaultImagesOfTheImagesFolder)
{
    Host().relativeFolder = ".\\Docklets\\Moravel\\";
    Restart({{"ImagesFolder", "art"}, {"BackgroundImage", "D:\\mine\\other.png"}, {"DockletData", "2"}});
    ASSERT_EQ(ImageFile(docklet), "D:\\mine\\other.png");

    Open(5);
    EXPECT_EQ(Saved(docklet, "DockletData"), "6");
    ASSERT_EQ(Host().CountCalls("DockletSetImageFile"), 1);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, ".\\Docklets\\Moravel\\art\\empty.png");

    Open(5);
    EXPECT_EQ(Saved(docklet, "DockletData"), "2");
    ASSERT_EQ(Host().CountCalls("DockletSetImageFile"), 2);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, ".\\Docklets\\Moravel\\art\\background.png")
        << "the default name, whatever the background setting is";
    EXPECT_EQ(Refreshes(), 2);

    // Temperature with icons hidden clears the bit; the host keeps its image.
    Open(5);
    Open(3);
    EXPECT_EQ(Saved(docklet, "DockletData"), "1");
    EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), 3);
}

TEST_F(Menu, RemoveEntryAsksTheHostAndTouchesNothingAfter)
{
    // The dock removes the docklet inside the call, as a dock may.
    Open(10);
    EXPECT_EQ(Host().CountCalls("DockletRemoveSelf"), 1);
    EXPECT_EQ(Host().LastCall("DockletRemoveSelf")->value, 1);
    EXPECT_EQ(Refreshes(), 0);
    GetDock().Pump(0); // the dock destroys it now
    EXPECT_TRUE(GetDock().Docklets().empty());
}

TEST_F(Menu, AboutAndSettingsOpenFromTheMenu)
{
    Ui().Then([] { return dockhost::ChooseMenuItem(dockhost::FindPopupMenu(), 9); })
        .Then([] {
            HWND box = dockhost::FindThreadWindow(harness::ABOUT_CAPTION);
            if (box)
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            return box != nullptr;
        });
    EXPECT_EQ(RightClick(docklet), TRUE);

    Ui().Then([] {
        HWND popup = dockhost::FindPopupMenu();
        return popup && dockhost::ChooseMenuItem(popup, 11);
    });
    Ui().Then([] {
        if (!Sheet())
            return false;
        PressSheetButton(PSBTN_CANCEL);
        return true;
    });
    EXPECT_EQ(RightClick(docklet), TRUE);
    EXPECT_EQ(Refreshes(), 0) << "neither the About box nor a cancelled sheet refreshes";
}

TEST_F(Menu, DockletDestroyedWhileItsMenuIsOpen)
{
    const HWND hwnd = docklet->hwnd;
    size_t callsBeforeRemoval = 0;
    size_t callsAtRemoval = 0;
    int lockDepthAtRemoval = -1;
    Ui().Then([this, hwnd, &callsBeforeRemoval, &callsAtRemoval, &lockDepthAtRemoval] {
        if (!dockhost::FindPopupMenu())
            return false;
        callsBeforeRemoval = Host().calls.size();
        GetDock().RemoveDocklet(docklet, false);
        callsAtRemoval = Host().calls.size();
        lockDepthAtRemoval = 0;
        for (const auto& call : Host().calls)
            if (call.service == "DockletLockMouseEffect" && call.hwnd == hwnd)
                lockDepthAtRemoval += call.value ? 1 : -1;
        return true;
    });
    POINT point = {0, 0};
    void* instance = docklet->instance;
    Ui().Start();
    EXPECT_EQ(GetDock().Entry().OnRightButtonClick(instance, &point, nullptr), TRUE);
    Ui().Stop();
    EXPECT_TRUE(Ui().Finished());
    EXPECT_EQ(dockhost::FindPopupMenu(), nullptr) << "the menu closed with its docklet";
    EXPECT_TRUE(GetDock().Docklets().empty());
    // The dock's mouse-over effect is given back inside OnDestroy, or it
    // stays frozen.
    EXPECT_EQ(lockDepthAtRemoval, 0) << "the lock taken for the menu is released";
    const dockhost::ServiceCall* release = Host().LastCall("DockletLockMouseEffect", hwnd);
    ASSERT_NE(release, nullptr);
    EXPECT_EQ(release->value, 0);
    EXPECT_GE(static_cast<size_t>(release - Host().calls.data()), callsBeforeRemoval)
        << "released while the docklet was being destroyed";
    // The host has forgotten the docklet: a call about it would reach a
    // docklet the host no longer has.
    for (size_t i = callsAtRemoval; i < Host().calls.size(); ++i)
        EXPECT_NE(Host().calls[i].hwnd, hwnd) << Host().calls[i].service << " after the docklet was destroyed";
    EXPECT_EQ(Host().views.count(hwnd), 0u);
}

// The launch runs with COM on the thread, as shell extensions and the
// handlers of packaged apps need, whatever the dock did with COM, which it
// finds as it was afterwards; and the dock's window owns what it shows.
TEST_F(Menu, LeftClickLaunchesWithComAndTheDocksWindowAsOwner)
{
    // The docklet's window inside a window of the dock's, as docks keep them.
    HWND dockWindow = CreateWindowExW(0, L"STATIC", L"dock", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(dockWindow, nullptr);
    Restart({{"Command", "https://example.invalid/page"}, {"Parameters", "--new-window"}});
    const LONG_PTR style = GetWindowLongPtrW(docklet->hwnd, GWL_STYLE);
    SetWindowLongPtrW(docklet->hwnd, GWL_STYLE, WS_CHILD);
    SetParent(docklet->hwnd, dockWindow);
    auto systemShellExecute = reinterpret_cast<decltype(&ShellExecuteW)>(dockhost::PatchImport(
        GetDock().Module(), "shell32.dll", "ShellExecuteW", reinterpret_cast<void*>(&RecordShellExecuteW)));
    ASSERT_NE(systemShellExecute, nullptr);

    struct Case {
        const char* name;
        bool docksCom;   // the dock started COM on its thread
        DWORD docksKind; // and of this kind
        const char* atLaunch;
    };
    const Case CASES[] = {
        {"a dock without COM", false, 0, "single-threaded"},
        {"a dock in a single-threaded apartment", true, COINIT_APARTMENTTHREADED, "single-threaded"},
        {"a dock in the multithreaded apartment", true, COINIT_MULTITHREADED, "multithreaded"},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.name);
        launches.clear();
        if (c.docksCom) {
            ASSERT_EQ(CoInitializeEx(nullptr, c.docksKind), S_OK);
        }
        POINT point = {1, 1};
        SIZE size = {256, 256};
        EXPECT_EQ(GetDock().Entry().OnLeftButtonClick(docklet->instance, &point, &size), TRUE);
        ASSERT_EQ(launches.size(), 1u);
        EXPECT_EQ(launches[0].apartment, c.atLaunch);
        EXPECT_EQ(launches[0].owner, dockWindow);
        EXPECT_EQ(launches[0].file, L"https://example.invalid/page");
        EXPECT_EQ(launches[0].parameters, L"--new-window");
        EXPECT_EQ(launches[0].show, SW_SHOWDEFAULT);
        // COM as the dock left it, and gone once the dock ends its own.
        EXPECT_EQ(Apartment(), c.docksCom ? c.atLaunch : "none");
        if (c.docksCom)
            CoUninitialize();
        EXPECT_EQ(Apartment(), "none");
    }

    dockhost::PatchImport(GetDock().Module(), "shell32.dll", "ShellExecuteW",
                          reinterpret_cast<void*>(systemShellExecute));
    SetParent(docklet->hwnd, nullptr);
    SetWindowLongPtrW(docklet->hwnd, GWL_STYLE, style);
    DestroyWindow(dockWindow);
}

TEST_F(Menu, LeftClickLaunchesTheCommand)
{
    const std::string output = harness::TempFolder() + "launched.txt";
    DeleteFileA(output.c_str());
    const std::string program = dockhost::Narrow(harness::BinFolder()) + "argrecord.exe";
    // Quoted in the file: the profile functions take one pair of outer quotes off.
    Restart({{"Command", program}, {"Parameters", "\"\"" + output + "\" first \"second one\"\""}});

    POINT point = {1, 1};
    SIZE size = {256, 256};
    EXPECT_EQ(GetDock().Entry().OnLeftButtonClick(docklet->instance, &point, &size), TRUE);
    EXPECT_EQ(Host().CountCalls("DockletDoAttentionAnimation"), 1);
    std::string recorded;
    WaitFor([&] { return !(recorded = harness::ReadFile(output)).empty(); }, 15000);
    EXPECT_EQ(recorded, "first\nsecond one\n");

    Restart({{"Command", ""}, {"Parameters", "x"}});
    EXPECT_EQ(GetDock().Entry().OnLeftButtonClick(docklet->instance, &point, &size), TRUE);
    EXPECT_TRUE(Host().calls.empty()) << "an empty command: no animation, nothing launched";
    EXPECT_EQ(GetDock().Entry().OnDoubleClick(docklet->instance, &point, &size), FALSE);
    EXPECT_EQ(GetDock().Entry().OnLeftButtonHeld(docklet->instance, &point, &size), FALSE);
    EXPECT_TRUE(Host().calls.empty());
}
