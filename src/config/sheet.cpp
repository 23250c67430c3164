// The settings sheet: a never-shown placeholder dialog owns a property sheet
// whose pages edit a working copy of the docklet. OK hands the copy back to
// the one who opened it, who applies it; Cancel drops it.
#include "config/config.h"

#include "core/module_lock.h"
#include "core/settings.h"

namespace {

const wchar_t INSTANCE_PROPERTY[] = L"lpData";
const wchar_t SHEET_CAPTION[] = L"" MORAVEL_SHEET_CAPTION;

struct PageDefinition {
    const wchar_t* title;
    int templateId;
    DLGPROC procedure;
};

const PageDefinition PAGES[] = {
    {L"General", IDD_GENERAL, GeneralPageProc},
    {L"Icon", IDD_ICON, IconPageProc},
    {L"Font", IDD_FONT, FontPageProc},
    {L"Graph", IDD_GRAPH, GraphPageProc},
};
const int PAGE_COUNT = sizeof PAGES / sizeof PAGES[0];

// One sheet at a time for the whole module: the pages' slots are module-wide.
// Docklets on other threads ask for it too, so it is claimed, read and given
// up under the module's lock; the sheet's windows are only ever touched
// outside it.
struct OpenSheet {
    bool running;
    HWND window;               // known once the sheet has been created
    DockletInstance* instance; // the live docklet it edits
    bool cancelRequested;
    EditContext* context;
};
OpenSheet openSheet = {};

void CopyForEditing(const DockletInstance& live, DockletInstance& copy)
{
    copy.hwndDocklet = live.hwndDocklet;
    copy.hInstance = live.hInstance;
    CopySettings(copy, live, EVERY_SETTING);
    copy.lastTemperature = live.lastTemperature;
    copy.history = live.history; // borrowed: the Graph page previews the live samples
}

int CALLBACK SettingsSheetCallback(HWND sheet, UINT message, LPARAM lParam)
{
    if (message == PSCB_PRECREATE && lParam) {
        // No context-help button in the caption.
        WORD* words = reinterpret_cast<WORD*>(lParam);
        const bool extended = words[1] == 0xFFFF;
        DWORD* style = reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(lParam) + (extended ? 12 : 0));
        *style &= ~static_cast<DWORD>(DS_CONTEXTHELP);
    } else if (message == PSCB_INITIALIZED) {
        HWND docklet = nullptr;
        bool cancel = false;
        {
            ModuleLock lock;
            openSheet.window = sheet;
            docklet = openSheet.instance ? openSheet.instance->hwndDocklet : nullptr;
            cancel = openSheet.cancelRequested;
        }
        CenterWindow(sheet, docklet);
        if (cancel)
            PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }
    return 1;
}

void RunSettingsSheet(HINSTANCE module, HWND owner, EditContext* context)
{
    PROPSHEETPAGEW pages[PAGE_COUNT] = {};
    for (int i = 0; i < PAGE_COUNT; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_USETITLE;
        pages[i].hInstance = module;
        pages[i].pszTemplate = MAKEINTRESOURCEW(PAGES[i].templateId);
        pages[i].pszTitle = PAGES[i].title;
        pages[i].pfnDlgProc = PAGES[i].procedure;
        pages[i].lParam = reinterpret_cast<LPARAM>(context);
    }
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.hwndParent = owner;
    header.hInstance = module;
    header.pszCaption = SHEET_CAPTION;
    header.nPages = PAGE_COUNT;
    header.nStartPage = 0;
    header.ppsp = pages;
    header.pfnCallback = SettingsSheetCallback;
    RunPropertySheet(&header);
}

// The open sheet may belong to a docklet on another thread, which these
// calls wait for: the lock is not held meanwhile.
void BringOpenSheetForward()
{
    HWND window = nullptr;
    {
        ModuleLock lock;
        window = openSheet.window;
    }
    if (window) {
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
        BringWindowToTop(window);
    }
}

bool SheetIsOpen()
{
    ModuleLock lock;
    return openSheet.running;
}

// Takes the module's one sheet for `live`; false when a sheet is open already.
bool ClaimSheet(DockletInstance* live, EditContext* context)
{
    ModuleLock lock;
    if (openSheet.running)
        return false;
    openSheet = OpenSheet{true, nullptr, live, false, context};
    return true;
}

void GiveUpSheet()
{
    ModuleLock lock;
    openSheet = OpenSheet{};
}

// The sheet's notifications to a page: shown, left, cancelled.
INT_PTR OnSheetNotification(HWND page, const NMHDR* header, PageSlots& slots, const PageHandlers& handlers)
{
    // Only the sheet's own notifications; the controls send others.
    if (!header || header->hwndFrom != GetParent(page))
        return FALSE;
    switch (header->code) {
    case PSN_SETACTIVE:
        slots.context = slots.sheetPage ? reinterpret_cast<EditContext*>(slots.sheetPage->lParam) : nullptr;
        if (slots.context && slots.context->workingCopy)
            handlers.load(page, slots.context->workingCopy);
        return FALSE; // the page accepts activation
    case PSN_KILLACTIVE:
        if (!slots.context)
            return FALSE;
        if (slots.context->workingCopy)
            handlers.store(page, slots.context->workingCopy);
        slots.context->outcome = SHEET_PAGE_LEFT;
        return SetPageResult(page, FALSE); // the page may be left
    case PSN_RESET:
        if (slots.context)
            slots.context->outcome = SHEET_CANCELLED;
        SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR SetPageResult(HWND page, LONG_PTR result)
{
    SetWindowLongPtrW(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR RunPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam, PageSlots& slots,
                const PageHandlers& handlers)
{
    DockletInstance* copy = slots.context ? slots.context->workingCopy : nullptr;
    switch (message) {
    case WM_INITDIALOG:
        slots.sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        return TRUE;
    case WM_DESTROY:
        if (handlers.redraw)
            ReleasePicture(page, handlers.preview);
        // The sheet and its context end with the page.
        slots = PageSlots{};
        return FALSE;
    case WM_NOTIFY:
        return OnSheetNotification(page, reinterpret_cast<const NMHDR*>(lParam), slots, handlers);
    case WM_COMMAND:
    case WM_HSCROLL:
        if (copy && !OnColourRow(page, message, wParam, lParam, copy, handlers) && message == WM_COMMAND &&
            handlers.command)
            handlers.command(page, LOWORD(wParam), HIWORD(wParam), copy);
        return FALSE;
    default:
        if (OutdatesPreview(message) && copy && handlers.redraw)
            handlers.redraw(page, copy);
        return FALSE;
    }
}

void Tick(HWND page, int control, bool ticked)
{
    SendDlgItemMessageW(page, control, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Ticked(HWND page, int control)
{
    return SendDlgItemMessageW(page, control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

BOOL CenterWindow(HWND window, HWND docklet)
{
    if (!window)
        return FALSE;
    // The work area leaves out the taskbar and the docks that reserve their
    // edge; on a small or scaled screen a window centred on the whole screen
    // would put its buttons under the taskbar.
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(docklet ? docklet : window, MONITOR_DEFAULTTOPRIMARY), &monitor))
        work = monitor.rcWork;
    RECT frame = {};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    int x = work.left + (work.right - work.left - width) / 2;
    int y = work.top + (work.bottom - work.top - height) / 2;
    if (x + width > work.right)
        x = work.right - width;
    if (y + height > work.bottom)
        y = work.bottom - height;
    // A window larger than the work area keeps its caption, by which it can
    // be moved, and its left edge inside; its bottom or right part hangs out.
    if (x < work.left)
        x = work.left;
    if (y < work.top)
        y = work.top;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

void CloseSettingsSheetOf(DockletInstance* instance)
{
    HWND window = nullptr;
    {
        ModuleLock lock;
        if (!openSheet.running || openSheet.instance != instance)
            return;
        openSheet.cancelRequested = true;
        window = openSheet.window;
    }
    if (window)
        PostMessageW(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

INT_PTR OpenSettingsPlaceholder(DockletInstance* instance, DLGPROC procedure)
{
    if (SheetIsOpen()) {
        BringOpenSheetForward();
        return 0;
    }
    ModuleActivation activation;
    return DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_PLACEHOLDER), instance->hwndDocklet, procedure,
                           reinterpret_cast<LPARAM>(instance));
}

DockletInstance* AdoptPlaceholder(HWND placeholder, LPARAM lParam)
{
    SetPropW(placeholder, INSTANCE_PROPERTY, reinterpret_cast<HANDLE>(lParam));
    auto* live = static_cast<DockletInstance*>(GetPropW(placeholder, INSTANCE_PROPERTY));
    if (live)
        CenterWindow(placeholder, live->hwndDocklet);
    return live;
}

bool EditSettings(HWND placeholder, DockletInstance* live, DockletInstance* edited)
{
    EditContext context = {SHEET_OPEN, edited};
    if (!ClaimSheet(live, &context)) {
        // Opened meanwhile for a docklet on another thread.
        BringOpenSheetForward();
        return false;
    }
    CopyForEditing(*live, *edited);
    RunSettingsSheet(ModuleInstance(), placeholder, &context);
    GiveUpSheet();
    return context.outcome == SHEET_PAGE_LEFT;
}

void ReleasePlaceholder(HWND placeholder)
{
    RemovePropW(placeholder, INSTANCE_PROPERTY);
}
