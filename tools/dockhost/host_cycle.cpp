#include "host_cycle.h"

#include <commctrl.h>
#include <prsht.h>
#include <string.h>

#include <functional>

#include "config/resource.h"
#include "core/docklet.h"
#include "host_services.h"
#include "imports.h"
#include "modal.h"

namespace dockhost {

namespace {

HWND OpenSheet()
{
    return FindThreadWindow(SHEET_CAPTION);
}

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// A step that shows page `index` and waits until the sheet has moved there.
ModalDriver::Step ShowPage(int index, UseReport& report)
{
    return [index, &report]() {
        HWND sheet = OpenSheet();
        if (!sheet)
            return false;
        SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
        HWND page = SheetPage(sheet, index);
        if (!page || CurrentPage(sheet) != page)
            return false;
        ++report.pagesVisited;
        return true;
    };
}

void Run(ModalDriver& driver, UseReport& report, const std::function<void()>& open)
{
    driver.Start();
    open();
    driver.Stop();
    if (driver.TimedOut() || !driver.Finished())
        report.timedOut = true;
    driver.Clear();
}

} // namespace

bool UseReport::Complete() const
{
    return menuShown && aboutShown && pagesVisited == 4 && iconButtonsPressed && sheetConfirmed && !timedOut;
}

std::string UseReport::Describe() const
{
    std::string text;
    text += menuShown ? "menu shown" : "NO MENU";
    text += aboutShown ? ", About box shown" : ", NO ABOUT BOX";
    text += ", " + std::to_string(pagesVisited) + " of 4 pages visited";
    text += iconButtonsPressed ? ", Browse and Reset pressed" : ", ICON BUTTONS NOT PRESSED";
    text += sheetConfirmed ? ", sheet confirmed" : ", SHEET NOT CONFIRMED";
    if (timedOut)
        text += ", TIMED OUT";
    return text;
}

UseReport UseDocklet(Dock& dock, Docklet& docklet, UINT menuCommand)
{
    UseReport report;
    const DockletEntryPoints& entry = dock.Entry();
    ModalDriver driver;

    driver.Then([&report, menuCommand] {
        HWND popup = FindPopupMenu();
        if (!popup)
            return false;
        if (!menuCommand)
            EndMenu();
        else if (!ChooseMenuItem(popup, menuCommand))
            return false;
        report.menuShown = true;
        return true;
    });
    Run(driver, report, [&] {
        POINT point = {10, 10};
        SIZE size = {ICON_SIZE, ICON_SIZE};
        dock.RightClick(&docklet, &point, &size);
    });
    dock.Pump(0);
    if (!docklet.instance)
        return report;

    driver.Then([&report] {
        HWND box = FindThreadWindow(ABOUT_CAPTION);
        if (!box)
            return false;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        report.aboutShown = true;
        return true;
    });
    Run(driver, report, [&] { entry.OnAbout(docklet.instance); });
    if (!docklet.instance)
        return report;

    driver.Then(ShowPage(0, report)).Then(ShowPage(1, report)).Do([&report] {
        HWND page = CurrentPage(OpenSheet());
        SendDlgItemMessageW(page, IDC_ICON_BROWSE, BM_CLICK, 0, 0);
        SendDlgItemMessageW(page, IDC_ICON_RESET, BM_CLICK, 0, 0);
        report.iconButtonsPressed = true;
    });
    driver.Then(ShowPage(2, report)).Then(ShowPage(3, report)).Do([&report] {
        PostMessageW(OpenSheet(), PSM_PRESSBUTTON, PSBTN_OK, 0);
        report.sheetConfirmed = true;
    });
    Run(driver, report, [&] { entry.OnConfigure(docklet.instance); });
    return report;
}

void HoldDockLibraries()
{
    LoadLibraryW(L"comdlg32.dll");
    LoadLibraryW(L"setupapi.dll");
}

void TickDocklet(Dock& dock, Docklet& docklet)
{
    if (docklet.instance && dock.Entry().OnProcessMessage)
        dock.Entry().OnProcessMessage(docklet.instance, docklet.hwnd, WM_TIMER, REFRESH_TIMER_ID, 0);
}

void StopDockletClock(Docklet& docklet)
{
    KillTimer(docklet.hwnd, REFRESH_TIMER_ID);
    MSG message;
    while (PeekMessageW(&message, docklet.hwnd, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
}

void PumpFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

namespace {

struct RangeSearch {
    ModuleRange range;
    int found;
};

BOOL CALLBACK CountWindowInto(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<RangeSearch*>(lParam);
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    const bool dialog = wcscmp(className, L"#32770") == 0;
    if (search->range.Contains(static_cast<ULONG_PTR>(GetWindowLongPtrW(window, GWLP_WNDPROC))) ||
        search->range.Contains(static_cast<ULONG_PTR>(GetClassLongPtrW(window, GCLP_WNDPROC))) ||
        (dialog && search->range.Contains(static_cast<ULONG_PTR>(GetWindowLongPtrW(window, DWLP_DLGPROC)))))
        ++search->found;
    return TRUE;
}

BOOL CALLBACK CountTopWindowInto(HWND window, LPARAM lParam)
{
    CountWindowInto(window, lParam);
    EnumChildWindows(window, CountWindowInto, lParam);
    return TRUE;
}

} // namespace

namespace {

const DWORD PROBE_EXCEPTION = 0xE0D0C001;

LONG CALLBACK SwallowProbe(EXCEPTION_POINTERS* info)
{
    return info->ExceptionRecord->ExceptionCode == PROBE_EXCEPTION ? EXCEPTION_CONTINUE_EXECUTION
                                                                   : EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

void RaiseThroughVectoredHandlers()
{
    // Added last, so every other handler is asked first.
    PVOID handler = AddVectoredExceptionHandler(0, SwallowProbe);
    if (!handler)
        return;
    RaiseException(PROBE_EXCEPTION, 0, 0, nullptr);
    RemoveVectoredExceptionHandler(handler);
}

int WindowsInto(const ModuleRange& freed)
{
    RangeSearch search = {freed, 0};
    if (freed.size)
        EnumThreadWindows(GetCurrentThreadId(), CountTopWindowInto, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool CycleReport::Complete() const
{
    return infoRead && unloadedAfterInfo && docklets == 2 && refreshed == 2 && use.Complete() && unloaded &&
           leftBehind == 0;
}

std::string CycleReport::Describe() const
{
    std::string text;
    text += infoRead ? "information read" : "NO INFORMATION";
    text += unloadedAfterInfo ? ", freed after it" : ", NOT FREED AFTER THE INFORMATION";
    text += ", " + std::to_string(docklets) + " of 2 docklets, " + std::to_string(refreshed) + " refreshed";
    text += ", " + use.Describe();
    text += unloaded ? ", unloaded" : ", STILL LOADED";
    if (leftBehind)
        text += ", " + std::to_string(leftBehind) + " THINGS LEFT POINTING INTO THE FREED MODULE";
    return text;
}

CycleReport RunHostCycle(Dock& dock, const std::wstring& modulePath, const std::string& iniFile, DWORD pumpAfter)
{
    CycleReport report;
    ForgetTimers();
    if (dock.LoadModule(modulePath) && WatchTimers(dock.Module()) && dock.Entry().OnGetInformation) {
        char name[256] = "", author[256] = "", description[2048] = "";
        int version = 0;
        dock.Entry().OnGetInformation(name, author, &version, description);
        report.infoRead = strcmp(name, "Moravel Docklet") == 0;
    }
    report.unloadedAfterInfo = dock.UnloadModule();
    report.leftBehind += WindowsInto(dock.ModuleImage()) + LiveTimers();
    RaiseThroughVectoredHandlers();
    PumpFor(0);

    if (dock.LoadModule(modulePath) && WatchTimers(dock.Module())) {
        Docklet* docklets[2] = {};
        for (int i = 0; i < 2; ++i) {
            const std::string section = "Docklet" + std::to_string(i + 1);
            docklets[i] = dock.AddDocklet(iniFile.c_str(), section.c_str());
            if (docklets[i] && docklets[i]->instance)
                ++report.docklets;
        }
        for (Docklet* docklet : docklets) {
            if (!docklet || !docklet->instance)
                continue;
            const int before = Services().views[docklet->hwnd].overlaysReceived;
            for (int tick = 0; tick < 3; ++tick)
                TickDocklet(dock, *docklet);
            const DockletView& view = Services().views[docklet->hwnd];
            if (view.overlaysReceived == before + 3 && !view.label.empty())
                ++report.refreshed;
        }
        if (docklets[0] && docklets[0]->instance)
            report.use = UseDocklet(dock, *docklets[0]);
        dock.RemoveAll(true);
    }
    report.unloaded = dock.UnloadModule();
    report.leftBehind += WindowsInto(dock.ModuleImage()) + LiveTimers();
    RaiseThroughVectoredHandlers();
    PumpFor(pumpAfter);
    return report;
}

} // namespace dockhost
