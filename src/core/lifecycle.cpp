#include "core/lifecycle.h"

#include <gdiplus.h>
#include <new>

#include "config/config.h"
#include "core/docklet.h"
#include "core/host.h"
#include "core/images.h"
#include "core/menu.h"
#include "core/module_lock.h"
#include "core/refresh.h"
#include "core/settings.h"
#include "core/text.h"
#include "gpu/sensor.h"
#include "render/render.h"

namespace {

// One GDI+ start-up for the whole module, made by the first docklet and shut
// down by the last: docklets may draw on threads of their own, and a
// shutdown while another docklet draws would pull GDI+ away under it (Wine's
// frees the installed fonts that every drawing reads). Guarded by the
// module's lock.
ULONG_PTR gdiplusToken = 0;
int gdiplusUsers = 0;

Gdiplus::Status AcquireGdiplus()
{
    ModuleLock lock;
    if (gdiplusUsers == 0) {
        Gdiplus::GdiplusStartupInput input; // version 1, no callback, thread and codecs not suppressed
        const Gdiplus::Status status = Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);
        if (status != Gdiplus::Ok)
            return status;
        // The installed fonts are listed at their first use; listed here,
        // under the lock, docklets that start drawing at once on several
        // threads do not all build the list together.
        Gdiplus::GpFontCollection* installed = nullptr;
        Gdiplus::DllExports::GdipNewInstalledFontCollection(&installed);
    }
    ++gdiplusUsers;
    return Gdiplus::Ok;
}

void ReleaseGdiplus()
{
    ModuleLock lock;
    if (--gdiplusUsers == 0)
        Gdiplus::GdiplusShutdown(gdiplusToken);
}

void StartGdiplus(DockletInstance* instance)
{
    const Gdiplus::Status status = AcquireGdiplus();
    if (status == Gdiplus::Ok) {
        instance->gdiplusStarted = 1;
        return;
    }
    char label[300];
    FormatBytes(label, sizeof label, "Error: GdiplusStartup, %d", static_cast<int>(status));
    HostSetLabel(instance->hwndDocklet, label);
}

void FreeInstance(DockletInstance* instance)
{
    delete instance->history;
    ReleaseGpuSensor(instance->gpuWatch);
    ReleaseOverlayCache(instance);
    if (instance->gdiplusStarted)
        ReleaseGdiplus();
    delete instance;
}

// Asks the docklet's open menu and dialogs to close (it is being destroyed
// from inside one of their loops).
void CloseModalWindows(DockletInstance* instance)
{
    if (instance->menuOpen)
        EndMenu();
    if (instance->aboutBox)
        PostMessageW(instance->aboutBox, WM_COMMAND, IDCANCEL, 0);
    CloseSettingsSheetOf(instance);
}

// What the user confirmed in the sheet, into the live docklet.
void ApplySettings(DockletInstance& live, const DockletInstance& edited)
{
    CopySettings(live, edited, SETTINGS_APPLIED_AS_EDITED);

    // A name that differs only in letter case is the same file.
    const bool imageChanged = _wcsicmp(live.backgroundImage, edited.backgroundImage) != 0 ||
                              ((live.dockletData ^ edited.dockletData) & DOCKLET_HIDE_ICONS) != 0;
    // How the picture is saved follows the sheet also where the file stays
    // the same: Reset on the own picture saved by its full path saves it by
    // name from then on.
    const bool savedChanged = _wcsicmp(live.savedBackgroundImage, edited.savedBackgroundImage) != 0;
    live.dockletData = edited.dockletData;
    if (imageChanged || savedChanged)
        CopyText(live.savedBackgroundImage, PATH_CAPACITY, edited.savedBackgroundImage);
    if (imageChanged) {
        CopyText(live.backgroundImage, PATH_CAPACITY, edited.backgroundImage);
        ResolveBackgroundPath(&live);
        SetBaseImage(&live);
    }
    RefreshDocklet(&live);
    ArmRefreshTimer(&live); // the next tick comes a full period after OK
}

void ConfigureLive(HWND placeholder, DockletInstance* live)
{
    DockletInstance* edited = new (std::nothrow) DockletInstance();
    if (!edited)
        return;
    EnterModal(live);
    const bool confirmed = EditSettings(placeholder, live, edited);
    // Destroyed while the sheet was open: nothing to apply to.
    if (LeaveModal(live) && !live->destroyPending && confirmed)
        ApplySettings(*live, *edited);
    delete edited; // borrows the history: frees nothing it points to
}

} // namespace

DockletInstance* CreateDocklet(HWND hwndDocklet, HINSTANCE hInstance, const char* iniFile, const char* iniSection)
{
    DockletInstance* instance = new (std::nothrow) DockletInstance();
    if (!instance)
        return nullptr;
    instance->hwndDocklet = hwndDocklet;
    instance->hInstance = hInstance;

    LoadSettings(instance, iniFile, iniSection);
    StartGdiplus(instance);
    instance->gpu.gpuStatus = InitGpuSensor(instance->gpu, instance->gpuWatch);
    instance->history = new (std::nothrow) Warr<int>(HISTORY_SLOTS, nullptr);

    ResolveDockletImages(instance);
    SetBaseImage(instance);

    RefreshDocklet(instance);
    ArmRefreshTimer(instance);
    return instance;
}

void DestroyDocklet(DockletInstance* instance)
{
    // A tick queued after this point would reach freed memory.
    KillTimer(instance->hwndDocklet, REFRESH_TIMER_ID);
    instance->created = 0;
    if (instance->modalDepth > 0) {
        // Destroyed from inside the docklet's own menu or dialog: close it and
        // free the record once its loop has returned. A dock that quits frees
        // the module next, while that loop still runs the module's code.
        KeepModuleMapped();
        instance->destroyPending = 1;
        // Given back now, while the dock still knows the docklet.
        ReleaseMouseEffect(instance);
        CloseModalWindows(instance);
        return;
    }
    FreeInstance(instance);
}

void EnterModal(DockletInstance* instance)
{
    ++instance->modalDepth;
}

bool LeaveModal(DockletInstance* instance)
{
    if (--instance->modalDepth > 0 || !instance->destroyPending)
        return true;
    FreeInstance(instance);
    return false;
}

void KeepModuleMapped()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&KeepModuleMapped), &self);
}

INT_PTR OpenSettings(DockletInstance* instance)
{
    return OpenSettingsPlaceholder(instance, SettingsPlaceholderProc);
}

INT_PTR CALLBACK SettingsPlaceholderProc(HWND placeholder, UINT message, WPARAM /*wParam*/, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (DockletInstance* live = AdoptPlaceholder(placeholder, lParam))
            ConfigureLive(placeholder, live);
        // Ended inside its own initialisation, the placeholder is never shown.
        EndDialog(placeholder, 0);
        return FALSE;
    case WM_DESTROY:
        ReleasePlaceholder(placeholder);
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR ShowAbout(DockletInstance* instance)
{
    EnterModal(instance);
    const INT_PTR result = RunAboutBox(instance);
    LeaveModal(instance);
    return result;
}
