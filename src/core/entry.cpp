#include <windows.h>
#include <gdiplus.h>
#include <new>

#include "core/docklet.h"
#include "core/host.h"
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
    ReleaseGpuSensor(instance);
    ReleaseOverlayCache(instance);
    if (instance->gdiplusStarted)
        ReleaseGdiplus();
    delete instance;
}

} // namespace

void SetBaseImage(DockletInstance* instance)
{
    const wchar_t* image =
        (instance->dockletData & DOCKLET_HIDE_ICONS) ? instance->emptyImage : instance->backgroundImage;
    char path[PATH_CAPACITY];
    NarrowForHost(path, sizeof path, image);
    HostSetImageFile(instance->hwndDocklet, path);
}

void KeepModuleMapped()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&KeepModuleMapped), &self);
}

void ArmRefreshTimer(DockletInstance* instance)
{
    SetTimer(instance->hwndDocklet, REFRESH_TIMER_ID, REFRESH_PERIOD, nullptr);
    instance->created = 1;
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

extern "C" void CALLBACK OnGetInformation(char* name, char* author, int* version, char* description)
{
    if (name)
        CopyBytes(name, 256, "Moravel Docklet");
    if (author)
        CopyBytes(author, 256, "Moravel Docklet developers");
    if (version)
        *version = 100;
    if (description)
        CopyBytes(description, 2048, "A Moravel Docklet for ObjectDock");
}

extern "C" DockletInstance* CALLBACK OnCreate(HWND hwndDocklet, HINSTANCE hInstance, char* iniFile, char* iniSection)
{
    DockletInstance* instance = new (std::nothrow) DockletInstance();
    if (!instance)
        return nullptr;
    instance->hwndDocklet = hwndDocklet;
    instance->hInstance = hInstance;

    LoadSettings(instance, iniFile, iniSection);
    StartGdiplus(instance);
    instance->gpu.gpuStatus = InitGpuSensor(instance);
    instance->history = new (std::nothrow) Warr<int>(HISTORY_SLOTS, nullptr);

    ResolveImagePath(instance->emptyImage, PATH_CAPACITY, L"empty.png", instance->imagesFolder, hwndDocklet);
    ResolveBackgroundImage(instance);
    SetBaseImage(instance);

    RefreshDocklet(instance);
    ArmRefreshTimer(instance);
    return instance;
}

extern "C" void CALLBACK OnDestroy(DockletInstance* instance, HWND /*hwnd*/)
{
    if (!instance)
        return;
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

extern "C" void CALLBACK OnProcessMessage(DockletInstance* instance, HWND /*hwnd*/, UINT message, WPARAM wParam,
                                          LPARAM /*lParam*/)
{
    if (!instance || message != WM_TIMER || wParam != REFRESH_TIMER_ID || instance->destroyPending)
        return;
    KillTimer(instance->hwndDocklet, REFRESH_TIMER_ID);
    instance->created = 0;
    RefreshDocklet(instance);
    // A menu or the settings sheet may have re-armed it while the refresh ran.
    if (!instance->created)
        ArmRefreshTimer(instance);
}
