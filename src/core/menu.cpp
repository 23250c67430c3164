#include "core/menu.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "config/config.h"
#include "core/docklet.h"
#include "core/host.h"
#include "core/lifecycle.h"
#include "core/refresh.h"

namespace {

struct MenuEntry {
    const wchar_t* text; // null: a separator
    UINT id;
    bool (*checked)(const DockletInstance*);
    // Changes the setting the item stands for; null where it opens or does
    // something else (RunMenuCommand).
    void (*choose)(DockletInstance*);
};

bool Never(const DockletInstance*)
{
    return false;
}

template <int Bit>
bool DockletBit(const DockletInstance* instance)
{
    return (instance->dockletData & Bit) != 0;
}

template <int Bit>
bool LabelBit(const DockletInstance* instance)
{
    return (instance->labelData & Bit) != 0;
}

template <int Celsius>
bool InUnit(const DockletInstance* instance)
{
    return (instance->celsius != 0) == (Celsius != 0);
}

// The whole value: the graph and "Hide Icons" bits go too.
template <int Mode>
void ShowOnIcon(DockletInstance* instance)
{
    instance->dockletData = Mode;
}

void HideIcons(DockletInstance* instance)
{
    instance->dockletData ^= DOCKLET_HIDE_ICONS;
    SetDefaultBaseImage(instance);
}

// What the label shows; whether it is hidden stays.
template <int Content>
void ShowOnLabel(DockletInstance* instance)
{
    instance->labelData = Content | (instance->labelData & LABEL_HIDE);
}

void HideLabel(DockletInstance* instance)
{
    instance->labelData ^= LABEL_HIDE;
}

template <int Celsius>
void ShowUnit(DockletInstance* instance)
{
    instance->celsius = Celsius;
}

const MenuEntry MENU[] = {
    {L"Show GPU Temperature", MENU_SHOW_TEMPERATURE, DockletBit<DOCKLET_TEMPERATURE>,
     ShowOnIcon<DOCKLET_TEMPERATURE>},
    {L"Show GPU Temperature Graph", MENU_SHOW_GRAPH, DockletBit<DOCKLET_GRAPH>, ShowOnIcon<DOCKLET_GRAPH>},
    {L"Hide Icons", MENU_HIDE_ICONS, DockletBit<DOCKLET_HIDE_ICONS>, HideIcons},
    {nullptr, MENU_SEPARATOR_ICON, Never, nullptr},
    {L"Show GPU Temperature at Docklet Label", MENU_LABEL_TEMPERATURE, LabelBit<LABEL_TEMPERATURE>,
     ShowOnLabel<LABEL_TEMPERATURE>},
    {L"Show GPU Full Name at Docklet Label", MENU_LABEL_FULL_NAME, LabelBit<LABEL_FULL_NAME>,
     ShowOnLabel<LABEL_FULL_NAME>},
    {L"Show GPU Vendor String at Docklet Label", MENU_LABEL_VENDOR, LabelBit<LABEL_VENDOR_STRING>,
     ShowOnLabel<LABEL_VENDOR_STRING>},
    {L"Show Title at Docklet Label", MENU_LABEL_TITLE, LabelBit<LABEL_TITLE>, ShowOnLabel<LABEL_TITLE>},
    {L"Hide Label", MENU_HIDE_LABEL, LabelBit<LABEL_HIDE>, HideLabel},
    {nullptr, MENU_SEPARATOR_LABEL, Never, nullptr},
    {L"Show \u00B0C", MENU_CELSIUS, InUnit<1>, ShowUnit<1>},
    {L"Show \u00B0F", MENU_FAHRENHEIT, InUnit<0>, ShowUnit<0>},
    {nullptr, MENU_SEPARATOR_UNIT, Never, nullptr},
    {L"About " MORAVEL_NAME, MENU_ABOUT, Never, nullptr},
    {L"Remove Entry", MENU_REMOVE, Never, nullptr},
    {L"" MORAVEL_NAME " Settings...", MENU_SETTINGS, Never, nullptr},
};

HMENU BuildContextMenu(const DockletInstance* instance)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    for (const MenuEntry& entry : MENU) {
        if (!entry.text)
            AppendMenuW(menu, MF_SEPARATOR, entry.id, nullptr);
        else
            AppendMenuW(menu, MF_STRING | (entry.checked(instance) ? MF_CHECKED : MF_UNCHECKED), entry.id,
                        entry.text);
    }
    return menu;
}

// The dock's own top-level window that holds the docklet's window.
HWND TopLevelOf(const DockletInstance* instance)
{
    const HWND topLevel = GetAncestor(instance->hwndDocklet, GA_ROOT);
    return topLevel ? topLevel : instance->hwndDocklet;
}

} // namespace

void RunMenuCommand(DockletInstance* instance, int command)
{
    switch (command) {
    case MENU_ABOUT:
        ShowAbout(instance);
        return;
    case MENU_SETTINGS:
        // A confirmed sheet refreshes and re-arms the timer itself.
        OpenSettings(instance);
        return;
    case MENU_REMOVE:
        // The host may destroy the docklet inside this call, and free the
        // module with it while this code is still to return.
        KeepModuleMapped();
        HostRemoveSelf(instance->hwndDocklet);
        return;
    default:
        break;
    }
    const MenuEntry* chosen = nullptr;
    for (const MenuEntry& entry : MENU)
        if (static_cast<int>(entry.id) == command && entry.choose)
            chosen = &entry;
    if (!chosen)
        return;
    chosen->choose(instance);
    RefreshDocklet(instance);
    if (!instance->created)
        ArmRefreshTimer(instance);
}

void ReleaseMouseEffect(DockletInstance* instance)
{
    if (!instance->mouseEffectLocked)
        return;
    instance->mouseEffectLocked = 0;
    HostLockMouseEffect(instance->hwndDocklet, FALSE);
}

void LaunchCommand(DockletInstance* instance)
{
    if (instance->command[0] == 0)
        return;
    HostDoAttentionAnimation(instance->hwndDocklet);
    // Shell extensions and the handlers of packaged apps that open a web
    // address or a document need COM on this thread; the dock may not have
    // started it. A thread whose COM is of another kind launches all the same.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // An "Open with" or error window belongs to the dock's window.
    ShellExecuteW(TopLevelOf(instance), nullptr, instance->command, instance->parameters, nullptr, SW_SHOWDEFAULT);
    if (SUCCEEDED(com))
        CoUninitialize();
}

void ShowContextMenu(DockletInstance* instance)
{
    // A host may deliver another right click while the menu is open.
    if (instance->menuOpen || instance->destroyPending)
        return;
    HMENU menu = BuildContextMenu(instance);
    if (!menu)
        return;
    POINT cursor = {};
    GetCursorPos(&cursor);

    EnterModal(instance);
    HostLockMouseEffect(instance->hwndDocklet, TRUE);
    instance->mouseEffectLocked = 1;
    // A popup menu whose owner is not in the foreground ignores the keyboard
    // and stays open after a click elsewhere; the message posted afterwards
    // makes the next menu open properly too.
    const HWND topLevel = TopLevelOf(instance);
    SetForegroundWindow(topLevel);
    int command = 0;
    {
        ModuleActivation activation;
        instance->menuOpen = 1;
        command = static_cast<int>(
            TrackPopupMenu(menu, TPM_RETURNCMD, cursor.x, cursor.y, 0, instance->hwndDocklet, nullptr));
        instance->menuOpen = 0;
    }
    // Destroyed from inside the menu, the docklet has given the lock back
    // already and is gone from the host: no call about it may follow.
    if (!instance->destroyPending)
        PostMessageW(topLevel, WM_NULL, 0, 0);
    ReleaseMouseEffect(instance);
    DestroyMenu(menu);
    if (!LeaveModal(instance))
        return;

    if (command > 0)
        RunMenuCommand(instance, command);
}
