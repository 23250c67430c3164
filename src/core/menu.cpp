#include "core/menu.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "config/config.h"
#include "core/docklet.h"
#include "core/host.h"
#include "core/refresh.h"
#include "core/text.h"

namespace {

struct MenuEntry {
    const wchar_t* text; // null: a separator
    UINT id;
    bool (*checked)(const DockletInstance*);
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

bool InCelsius(const DockletInstance* instance)
{
    return instance->celsius != 0;
}

bool InFahrenheit(const DockletInstance* instance)
{
    return instance->celsius == 0;
}

const MenuEntry MENU[] = {
    {L"Show GPU Temperature", MENU_SHOW_TEMPERATURE, DockletBit<DOCKLET_TEMPERATURE>},
    {L"Show GPU Temperature Graph", MENU_SHOW_GRAPH, DockletBit<DOCKLET_GRAPH>},
    {L"Hide Icons", MENU_HIDE_ICONS, DockletBit<DOCKLET_HIDE_ICONS>},
    {nullptr, MENU_SEPARATOR_ICON, Never},
    {L"Show GPU Temperature at Docklet Label", MENU_LABEL_TEMPERATURE, LabelBit<LABEL_TEMPERATURE>},
    {L"Show GPU Full Name at Docklet Label", MENU_LABEL_FULL_NAME, LabelBit<LABEL_FULL_NAME>},
    {L"Show GPU Vendor String at Docklet Label", MENU_LABEL_VENDOR, LabelBit<LABEL_VENDOR_STRING>},
    {L"Show Title at Docklet Label", MENU_LABEL_TITLE, LabelBit<LABEL_TITLE>},
    {L"Hide Label", MENU_HIDE_LABEL, LabelBit<LABEL_HIDE>},
    {nullptr, MENU_SEPARATOR_LABEL, Never},
    {L"Show \u00B0C", MENU_CELSIUS, InCelsius},
    {L"Show \u00B0F", MENU_FAHRENHEIT, InFahrenheit},
    {nullptr, MENU_SEPARATOR_UNIT, Never},
    {L"About Moravel Docklet", MENU_ABOUT, Never},
    {L"Remove Entry", MENU_REMOVE, Never},
    {L"Moravel Docklet Settings...", MENU_SETTINGS, Never},
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

// The base image while icons are hidden or shown again: always the two
// default names in the images folder, as the host reports the folder.
void SetDefaultBaseImage(DockletInstance* instance)
{
    char folder[HOST_FOLDER_BYTES + 2] = "";
    HostGetRelativeFolder(instance->hwndDocklet, folder);
    folder[sizeof folder - 1] = 0;
    char imagesFolder[PATH_CAPACITY];
    NarrowForHost(imagesFolder, sizeof imagesFolder, instance->imagesFolder);
    const char* name = (instance->dockletData & DOCKLET_HIDE_ICONS) ? "empty.png" : "background.png";
    // A path cut short would name another file.
    char path[PATH_CAPACITY];
    if (FormatBytes(path, sizeof path, "%s%s\\%s", folder, imagesFolder, name))
        HostSetImageFile(instance->hwndDocklet, path);
}

// The dock's own top-level window that holds the docklet's window.
HWND TopLevelOf(const DockletInstance* instance)
{
    const HWND topLevel = GetAncestor(instance->hwndDocklet, GA_ROOT);
    return topLevel ? topLevel : instance->hwndDocklet;
}

void ShowOnLabel(DockletInstance* instance, int content)
{
    instance->labelData = content | (instance->labelData & LABEL_HIDE);
}

} // namespace

void RunMenuCommand(DockletInstance* instance, int command)
{
    switch (command) {
    case MENU_SHOW_TEMPERATURE:
        instance->dockletData = DOCKLET_TEMPERATURE;
        break;
    case MENU_SHOW_GRAPH:
        instance->dockletData = DOCKLET_GRAPH;
        break;
    case MENU_HIDE_ICONS:
        instance->dockletData ^= DOCKLET_HIDE_ICONS;
        SetDefaultBaseImage(instance);
        break;
    case MENU_HIDE_LABEL:
        instance->labelData ^= LABEL_HIDE;
        break;
    case MENU_LABEL_TEMPERATURE:
        ShowOnLabel(instance, LABEL_TEMPERATURE);
        break;
    case MENU_LABEL_TITLE:
        ShowOnLabel(instance, LABEL_TITLE);
        break;
    case MENU_LABEL_FULL_NAME:
        ShowOnLabel(instance, LABEL_FULL_NAME);
        break;
    case MENU_LABEL_VENDOR:
        ShowOnLabel(instance, LABEL_VENDOR_STRING);
        break;
    case MENU_CELSIUS:
        instance->celsius = 1;
        break;
    case MENU_FAHRENHEIT:
        instance->celsius = 0;
        break;
    case MENU_ABOUT:
        OnAbout(instance);
        return;
    case MENU_SETTINGS:
        // A confirmed sheet refreshes and re-arms the timer itself.
        OnConfigure(instance);
        return;
    case MENU_REMOVE:
        // The host may destroy the docklet inside this call, and free the
        // module with it while this code is still to return.
        KeepModuleMapped();
        HostRemoveSelf(instance->hwndDocklet);
        return;
    default:
        return;
    }
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

void CloseModalWindows(DockletInstance* instance)
{
    if (instance->menuOpen)
        EndMenu();
    if (instance->aboutBox)
        PostMessageW(instance->aboutBox, WM_COMMAND, IDCANCEL, 0);
    CloseSettingsSheetOf(instance);
}

extern "C" BOOL CALLBACK OnLeftButtonClick(DockletInstance* instance, POINT* /*point*/, SIZE* /*size*/)
{
    if (!instance || instance->command[0] == 0)
        return TRUE;
    HostDoAttentionAnimation(instance->hwndDocklet);
    // Shell extensions and the handlers of packaged apps that open a web
    // address or a document need COM on this thread; the dock may not have
    // started it. A thread whose COM is of another kind launches all the same.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // An "Open with" or error window belongs to the dock's window.
    ShellExecuteW(TopLevelOf(instance), nullptr, instance->command, instance->parameters, nullptr, SW_SHOWDEFAULT);
    if (SUCCEEDED(com))
        CoUninitialize();
    return TRUE;
}

// Exported as OnDoubleClick and as OnLeftButtonHeld: both are left to the host.
extern "C" BOOL CALLBACK OnDoubleClick(DockletInstance* /*instance*/, POINT* /*point*/, SIZE* /*size*/)
{
    return FALSE;
}

extern "C" BOOL CALLBACK OnRightButtonClick(DockletInstance* instance, POINT* /*point*/, SIZE* /*size*/)
{
    // A host may deliver another right click while the menu is open.
    if (!instance || instance->menuOpen || instance->destroyPending)
        return TRUE;
    HMENU menu = BuildContextMenu(instance);
    if (!menu)
        return TRUE;
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
        return TRUE;

    if (command > 0)
        RunMenuCommand(instance, command);
    return TRUE;
}
