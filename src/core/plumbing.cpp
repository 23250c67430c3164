// The module's entry points: DllMain and the exports the dock calls (listed
// by name in MoravelDocklet.def). Each checks the instance the dock hands
// back and calls the one function that does the work.
#include <windows.h>

#include "config/config.h"
#include "core/docklet.h"
#include "core/images.h"
#include "core/lifecycle.h"
#include "core/menu.h"
#include "core/module_lock.h"
#include "core/refresh.h"
#include "core/settings.h"
#include "core/text.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        CreateModuleLock();
    // Nothing may outlive a FreeLibrary that points into the unloaded module.
    // At process exit (reserved set) the system releases everything itself,
    // and threads that held the lock may have been ended anywhere.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        ReleaseModuleActivationContext();
        DeleteModuleLock();
    }
    return TRUE;
}

extern "C" {

void CALLBACK OnGetInformation(char* name, char* author, int* version, char* description)
{
    if (name)
        CopyBytes(name, 256, MORAVEL_NAME);
    if (author)
        CopyBytes(author, 256, MORAVEL_NAME " developers");
    if (version)
        *version = 100;
    if (description)
        CopyBytes(description, 2048, "A " MORAVEL_NAME " for ObjectDock");
}

DockletInstance* CALLBACK OnCreate(HWND hwndDocklet, HINSTANCE hInstance, char* iniFile, char* iniSection)
{
    return CreateDocklet(hwndDocklet, hInstance, iniFile, iniSection);
}

void CALLBACK OnDestroy(DockletInstance* instance, HWND /*hwnd*/)
{
    if (instance)
        DestroyDocklet(instance);
}

void CALLBACK OnProcessMessage(DockletInstance* instance, HWND /*hwnd*/, UINT message, WPARAM wParam,
                               LPARAM /*lParam*/)
{
    if (instance && message == WM_TIMER && wParam == REFRESH_TIMER_ID)
        RefreshOnTimer(instance);
}

void CALLBACK OnSave(DockletInstance* instance, char* iniFile, char* iniSection, BOOL /*isForExport*/)
{
    if (instance)
        SaveSettings(instance, iniFile, iniSection);
}

BOOL CALLBACK OnExportFiles(DockletInstance* instance, char* output, int iteration)
{
    if (!instance || !output || iteration != 0)
        return FALSE;
    return ExportImagesFolder(instance, output) ? TRUE : FALSE;
}

BOOL CALLBACK OnLeftButtonClick(DockletInstance* instance, POINT* /*point*/, SIZE* /*size*/)
{
    if (instance)
        LaunchCommand(instance);
    return TRUE;
}

// Exported as OnDoubleClick and as OnLeftButtonHeld: both are left to the host.
BOOL CALLBACK OnDoubleClick(DockletInstance* /*instance*/, POINT* /*point*/, SIZE* /*size*/)
{
    return FALSE;
}

BOOL CALLBACK OnRightButtonClick(DockletInstance* instance, POINT* /*point*/, SIZE* /*size*/)
{
    if (instance)
        ShowContextMenu(instance);
    return TRUE;
}

INT_PTR CALLBACK OnConfigure(DockletInstance* instance)
{
    if (!instance)
        return -1;
    return OpenSettings(instance);
}

INT_PTR CALLBACK OnAbout(DockletInstance* instance)
{
    if (!instance)
        return -1;
    return ShowAbout(instance);
}

// The dialog procedures of the placeholder that owns the settings sheet and
// of the About box.
INT_PTR CALLBACK ConfigureDocklet(HWND placeholder, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SettingsPlaceholderProc(placeholder, message, wParam, lParam);
}

INT_PTR CALLBACK AboutDocklet(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AboutBoxProc(box, message, wParam, lParam);
}

} // extern "C"
