// The settings sheet: what it shows, what OK applies and Cancel leaves alone.
#include "harness.h"

#include <commctrl.h>

#include <algorithm>

#include "config/resource.h"
#include "imports.h"

using harness::DockTest;

namespace {

void Click(HWND page, int control)
{
    SendDlgItemMessageW(page, control, BM_CLICK, 0, 0);
}

bool IsTicked(HWND page, int control)
{
    return SendDlgItemMessageW(page, control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND FindHiddenWindow(const wchar_t* caption)
{
    struct Search {
        const wchar_t* caption;
        HWND found;
    } search = {caption, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM lParam) {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (dockhost::WindowText(window) != s->caption)
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The module's libraries as it asks for them, and no activation context for it.
std::vector<std::wstring> librariesAsked;
decltype(&LoadLibraryW) systemLoadLibraryW = nullptr;
decltype(&LoadLibraryExW) systemLoadLibraryExW = nullptr;

HMODULE WINAPI RecordLoadLibraryW(LPCWSTR name)
{
    librariesAsked.push_back(name ? name : L"");
    return systemLoadLibraryW(name);
}

HMODULE WINAPI RecordLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags)
{
    librariesAsked.push_back(name ? name : L"");
    return systemLoadLibraryExW(name, file, flags);
}

HANDLE WINAPI NoActivationContext(PCACTCTXW)
{
    SetLastError(ERROR_OUTOFMEMORY);
    return INVALID_HANDLE_VALUE;
}

} // namespace

class SettingsSheet : public harness::FrozenDockletTest {
protected:
    SettingsSheet() : FrozenDockletTest(55) {}

    // Opens the sheet, runs `edit` on the General page, then presses `button`.
    void EditGeneral(std::function<void(HWND)> edit, int button) { OnPage(0, edit, button); }
};

TEST_F(SettingsSheet, CancelAfterEditsChangesNothing)
{
    const harness::KeyValues before = Saved(docklet);
    Tick(docklet);
    const std::string label = Label(docklet);
    const harness::Pixels overlay = Overlay(docklet);
    Host().Clear();
    EditGeneral(
        [](HWND page) {
            SetDlgItemTextW(page, IDC_GENERAL_TITLE, L"Changed");
            SetDlgItemTextW(page, IDC_GENERAL_COMMAND, L"notepad.exe");
            Click(page, IDC_GENERAL_ICON_TEMPERATURE);
            Click(page, IDC_GENERAL_HIDE_ICONS);
            Click(page, IDC_GENERAL_LABEL_TITLE);
            Click(page, IDC_GENERAL_FAHRENHEIT);
        },
        PSBTN_CANCEL);
    EXPECT_TRUE(Host().calls.empty()) << "no refresh, no image";
    EXPECT_EQ(Saved(docklet), before) << "the live docklet's settings are untouched";
    Tick(docklet);
    EXPECT_EQ(Label(docklet), label);
    // The caption band, above the graph (whose bars move on by a sample).
    const harness::Pixels next = Overlay(docklet);
    ASSERT_EQ(next.argb.size(), overlay.argb.size());
    const size_t captionBand = static_cast<size_t>(64) * overlay.width;
    EXPECT_TRUE(std::equal(overlay.argb.begin(), overlay.argb.begin() + captionBand, next.argb.begin()))
        << "the next refresh draws the caption it drew before";
    EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), 0);
}

TEST_F(SettingsSheet, OkWithoutEditsRefreshesOnceAndRestartsThePeriod)
{
    const harness::KeyValues before = Saved(docklet);
    EditGeneral([](HWND) {}, PSBTN_OK);
    EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), 0) << "the image did not change";
    EXPECT_EQ(Host().CountCalls("DockletSetImageOverlay"), 1);
    EXPECT_EQ(Host().CountCalls("DockletSetLabel"), 1);
    EXPECT_EQ(Saved(docklet), before);

    // The timer runs again, its period counted from OK's refresh.
    ASSERT_TRUE(WaitFor([&] { return OverlayTimes(docklet).size() >= 2; })) << "no tick after OK";
    const std::vector<DWORD> times = OverlayTimes(docklet);
    EXPECT_GE(times[1] - times[0], REFRESH_PERIOD - 50) << "the first tick came too soon after OK";
}

TEST_F(SettingsSheet, OkAppliesTheGeneralPage)
{
    EditGeneral(
        [](HWND page) {
            SetDlgItemTextW(page, IDC_GENERAL_TITLE, L"Den GPU");
            SetDlgItemTextW(page, IDC_GENERAL_COMMAND, L"C:\\tools\\monitor.exe");
            SetDlgItemTextW(page, IDC_GENERAL_PARAMETERS, L"/gpu 0");
            Click(page, IDC_GENERAL_ICON_TEMPERATURE);
            Click(page, IDC_GENERAL_LABEL_TITLE);
            Click(page, IDC_GENERAL_FAHRENHEIT);
        },
        PSBTN_OK);
    const harness::KeyValues saved = Saved(docklet);
    EXPECT_EQ(harness::Value(saved, "Title"), "Den GPU");
    EXPECT_EQ(harness::Value(saved, "Command"), "C:\\tools\\monitor.exe");
    EXPECT_EQ(harness::Value(saved, "Parameters"), "/gpu 0");
    EXPECT_EQ(harness::Value(saved, "DockletData"), "1");
    EXPECT_EQ(harness::Value(saved, "LabelData"), "4");
    EXPECT_EQ(harness::Value(saved, "Celcius"), "0");
    EXPECT_EQ(Label(docklet), "Den GPU") << "the refresh shows the new label";
    EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), 0) << "icon content alone keeps the image";
}

TEST_F(SettingsSheet, HideIconsOnAndOffSetsTheImageFile)
{
    const std::string images = dockhost::Narrow(harness::BinFolder()) + "Docklets\\Moravel\\icons\\";
    ASSERT_EQ(ImageFile(docklet), images + "background.png");
    const std::string background = ImageFile(docklet), empty = images + "empty.png";
    EditGeneral([](HWND page) { Click(page, IDC_GENERAL_HIDE_ICONS); }, PSBTN_OK);
    EXPECT_EQ(Saved(docklet, "DockletData"), "6");
    ASSERT_EQ(Host().CountCalls("DockletSetImageFile"), 1);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, empty);

    EditGeneral([](HWND page) { Click(page, IDC_GENERAL_HIDE_ICONS); }, PSBTN_OK);
    EXPECT_EQ(Saved(docklet, "DockletData"), "2");
    ASSERT_EQ(Host().CountCalls("DockletSetImageFile"), 2);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, background);
    EXPECT_EQ(Host().CountCalls("DockletSetImageOverlay"), 2);
}

TEST_F(SettingsSheet, GeneralPageShowsAndReadsBackTheBits)
{
    struct Case {
        const char* name;
        int labelData, dockletData, celsius;
        std::vector<int> ticked; // as the page opens
        int wantLabel, wantDocklet, wantCelsius;
    } cases[] = {
        {"defaults", 2, 2, 1, {1031, 1024, 1074}, 2, 2, 1},
        {"hide alone: no content button", 1, 2, 1, {1023, 1024, 1074}, 1, 2, 1},
        {"both icon bits: the first wins", 2, 3, 1, {1031, 1021, 1074}, 2, 1, 1},
        {"unknown bits are dropped", 2 | 64, 2 | 8, 0, {1031, 1024, 1075}, 2, 2, 0},
        {"an odd unit reads back as Celsius", 16, 6, 9, {1036, 1024, 1035, 1074}, 16, 6, 1},
        {"several label bits: first in page order", 8 | 4, 1, 1, {1034, 1021, 1074}, 8, 1, 1},
        {"nothing", 0, 0, 0, {1075}, 0, 0, 0},
    };
    const int controls[] = {1021, 1024, 1035, 1031, 1034, 1036, 1033, 1023, 1074, 1075};
    // With two content bits set, whether the lower one also shows ticked is
    // up to the button (some uncheck the rest of the group): not looked at.
    auto shownEitherWay = [](const Case& c, int control) {
        return (control == 1024 && (c.dockletData & 3) == 3) || (control == 1033 && (c.labelData & 12) == 12);
    };
    for (const Case& c : cases) {
        Restart({{"LabelData", std::to_string(c.labelData)},
                 {"DockletData", std::to_string(c.dockletData)},
                 {"Celcius", std::to_string(c.celsius)}});
        EditGeneral(
            [&](HWND page) {
                for (int control : controls) {
                    if (shownEitherWay(c, control))
                        continue;
                    bool expected = std::find(c.ticked.begin(), c.ticked.end(), control) != c.ticked.end();
                    EXPECT_EQ(IsTicked(page, control), expected) << c.name << ", control " << control;
                }
            },
            PSBTN_OK);
        const harness::KeyValues saved = Saved(docklet);
        EXPECT_EQ(harness::Value(saved, "LabelData"), std::to_string(c.wantLabel)) << c.name;
        EXPECT_EQ(harness::Value(saved, "DockletData"), std::to_string(c.wantDocklet)) << c.name;
        EXPECT_EQ(harness::Value(saved, "Celcius"), std::to_string(c.wantCelsius)) << c.name;
    }
}

TEST_F(SettingsSheet, TextsAreCutToTheirFields)
{
    const std::wstring longTitle(600, L't'), longCommand(300, L'c'), longParameters(300, L'p');
    EditGeneral(
        [&](HWND page) {
            // As a paste or another program would set them, past the typing limit.
            SetWindowTextW(GetDlgItem(page, IDC_GENERAL_TITLE), longTitle.c_str());
            SetWindowTextW(GetDlgItem(page, IDC_GENERAL_COMMAND), longCommand.c_str());
            SetWindowTextW(GetDlgItem(page, IDC_GENERAL_PARAMETERS), longParameters.c_str());
        },
        PSBTN_OK);
    const harness::KeyValues saved = Saved(docklet);
    EXPECT_EQ(harness::Value(saved, "Title"), std::string(499, 't'));
    EXPECT_EQ(harness::Value(saved, "Command"), std::string(259, 'c'));
    EXPECT_EQ(harness::Value(saved, "Parameters"), std::string(259, 'p'));
}

TEST_F(SettingsSheet, OpensCentredWithOnlyOkAndCancel)
{
    struct Seen {
        bool placeholderHidden = false, ownedByPlaceholder = false;
        RECT frame = {};
        bool applyShown = true, helpShown = true, contextHelp = true;
        std::wstring tab;
        std::wstring okText, cancelText;
        bool versionSixButtons = false;
    } seen;
    Ui().Then(OpenPage(0)).Do([&seen] {
        HWND sheet = Sheet();
        HWND placeholder = FindHiddenWindow(L"Placeholder");
        seen.placeholderHidden = placeholder && !IsWindowVisible(placeholder);
        seen.ownedByPlaceholder = placeholder && GetWindow(sheet, GW_OWNER) == placeholder;
        GetWindowRect(sheet, &seen.frame);
        HWND apply = GetDlgItem(sheet, 0x3021);
        seen.applyShown = apply && IsWindowVisible(apply);
        HWND help = GetDlgItem(sheet, IDHELP);
        seen.helpShown = help && IsWindowVisible(help);
        seen.contextHelp = (GetWindowLongW(sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0 ||
                           (GetWindowLongW(sheet, GWL_STYLE) & DS_CONTEXTHELP) != 0;
        seen.okText = dockhost::WindowText(GetDlgItem(sheet, IDOK));
        seen.cancelText = dockhost::WindowText(GetDlgItem(sheet, IDCANCEL));
        HWND tabs = FindWindowExW(sheet, nullptr, WC_TABCONTROLW, nullptr);
        wchar_t title[64] = L"";
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = title;
        item.cchTextMax = 64;
        SendMessageW(tabs, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        seen.tab = title;
        // The page's controls come from version 6 of the common controls,
        // although this host asks for none: only those buttons know their
        // ideal size.
        SIZE ideal = {};
        seen.versionSixButtons =
            SendDlgItemMessageW(CurrentPage(), IDC_GENERAL_CELSIUS, BCM_GETIDEALSIZE, 0,
                                reinterpret_cast<LPARAM>(&ideal)) != 0;
        PressSheetButton(PSBTN_CANCEL);
    });
    EXPECT_EQ(Configure(docklet), 0);

    EXPECT_TRUE(seen.placeholderHidden);
    EXPECT_TRUE(seen.ownedByPlaceholder);
    const int width = seen.frame.right - seen.frame.left, height = seen.frame.bottom - seen.frame.top;
    EXPECT_EQ(seen.frame.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(seen.frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    EXPECT_FALSE(seen.applyShown);
    EXPECT_FALSE(seen.helpShown);
    EXPECT_FALSE(seen.contextHelp);
    EXPECT_EQ(seen.tab, L"General");
    EXPECT_EQ(seen.okText, L"OK");
    EXPECT_EQ(seen.cancelText, L"Cancel");
    EXPECT_TRUE(seen.versionSixButtons);
    EXPECT_EQ(FindHiddenWindow(L"Placeholder"), nullptr) << "the placeholder ends with the sheet";
}

TEST_F(SettingsSheet, OneSheetAtATimeForTheModule)
{
    auto* second = Create();
    ASSERT_NE(second, nullptr);
    INT_PTR nested = -2;
    int sheets = 0;
    Ui().Then(OpenPage(0)).Do([&] {
        nested = GetDock().Entry().OnConfigure(second->instance);
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM count) {
                if (dockhost::WindowText(window) == harness::SHEET_CAPTION)
                    ++*reinterpret_cast<int*>(count);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&sheets));
        SetDlgItemTextW(CurrentPage(), IDC_GENERAL_TITLE, L"First");
        PressSheetButton(PSBTN_OK);
    });
    EXPECT_EQ(Configure(docklet), 0);
    EXPECT_EQ(nested, 0) << "returns at once";
    EXPECT_EQ(sheets, 1);
    EXPECT_EQ(Saved(docklet, "Title"), "First");
    EXPECT_EQ(Saved(second, "Title"), "Moravel") << "the other docklet is untouched";

    // Once closed, the other docklet's sheet opens normally.
    Ui().Then(OpenPage(0)).Do([] { PressSheetButton(PSBTN_CANCEL); });
    EXPECT_EQ(Configure(second), 0);
}

TEST_F(SettingsSheet, DockletDestroyedWhileItsSheetIsOpen)
{
    void* instance = docklet->instance;
    size_t callsAtRemoval = 0;
    Ui().Then(OpenPage(0)).Do([this, &callsAtRemoval] {
        SetDlgItemTextW(CurrentPage(), IDC_GENERAL_TITLE, L"Gone");
        GetDock().RemoveDocklet(docklet, false);
        callsAtRemoval = Host().calls.size();
    });
    Ui().Start();
    GetDock().Entry().OnConfigure(instance);
    Ui().Stop();
    EXPECT_TRUE(Ui().Finished() && !Ui().TimedOut());
    EXPECT_EQ(Sheet(), nullptr) << "the sheet closed with its docklet";
    EXPECT_TRUE(GetDock().Docklets().empty());
    EXPECT_EQ(Host().CountCalls("DockletSetLabel"), 0) << "nothing applied to the destroyed docklet";
    EXPECT_EQ(Host().calls.size(), callsAtRemoval) << "no call about a docklet the host no longer has";
}

// Without its activation context (one that cannot be made) the module runs
// the sheet with the system's common controls, loaded from the system folder
// by full path, never by a plain name that the dock's, the current and the
// PATH folders would answer.
TEST_F(SettingsSheet, WithoutTheModulesContextTheSystemsCommonControlsRunIt)
{
    HMODULE module = GetDock().Module();
    ASSERT_NE(dockhost::PatchImport(module, "kernel32.dll", "CreateActCtxW",
                                    reinterpret_cast<void*>(&NoActivationContext)),
              nullptr);
    systemLoadLibraryW = reinterpret_cast<decltype(&LoadLibraryW)>(
        dockhost::PatchImport(module, "kernel32.dll", "LoadLibraryW", reinterpret_cast<void*>(&RecordLoadLibraryW)));
    systemLoadLibraryExW = reinterpret_cast<decltype(&LoadLibraryExW)>(dockhost::PatchImport(
        module, "kernel32.dll", "LoadLibraryExW", reinterpret_cast<void*>(&RecordLoadLibraryExW)));
    ASSERT_NE(systemLoadLibraryExW, nullptr);
    dockhost::UseDriverLibrary(L""); // the module's system folder is the system's own again

    Ui().Then(OpenPage(3)).Do([] { PressSheetButton(PSBTN_CANCEL); });
    EXPECT_EQ(Configure(docklet), 0);

    wchar_t systemFolder[MAX_PATH] = L"";
    GetSystemDirectoryW(systemFolder, MAX_PATH);
    std::vector<std::wstring> commonControls;
    for (const std::wstring& name : librariesAsked)
        if (name.find(L"comctl32") != std::wstring::npos)
            commonControls.push_back(name);
    EXPECT_EQ(commonControls, std::vector<std::wstring>{std::wstring(systemFolder) + L"\\comctl32.dll"});
}
