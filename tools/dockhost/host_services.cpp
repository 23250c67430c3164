#include "host_services.h"

#include <string.h>

#include "core/host_api.h"

namespace dockhost {
namespace {

void Repaint(HWND hwnd)
{
    if (Services().repaint)
        InvalidateRect(hwnd, nullptr, FALSE);
}

typedef std::lock_guard<std::recursive_mutex> Guard;

void Record(const char* service, HWND hwnd, const char* text, intptr_t value)
{
    ServiceCall call;
    call.service = service;
    call.hwnd = hwnd;
    if (text)
        call.text = text;
    call.value = value;
    call.at = GetTickCount();
    Services().calls.push_back(call);
}

} // namespace
} // namespace dockhost

using dockhost::Guard;
using dockhost::Record;
using dockhost::Repaint;
using dockhost::Services;

#define HOST_EXPORT extern "C" __declspec(dllexport)

HOST_EXPORT void CALLBACK DockletSetLabel(HWND hwndDocklet, char* label)
{
    Guard guard(Services().guard);
    Record("DockletSetLabel", hwndDocklet, label, 0);
    Services().views[hwndDocklet].label = label ? label : "";
    Repaint(hwndDocklet);
}

HOST_EXPORT void CALLBACK DockletSetImageOverlay(HWND hwndDocklet, DockImage* image, BOOL hostDeletes)
{
    Guard guard(Services().guard);
    Record("DockletSetImageOverlay", hwndDocklet, nullptr, hostDeletes);
    auto& services = Services();
    auto& view = services.views[hwndDocklet];
    ++view.overlaysReceived;
    if (services.keepAllOverlays && view.overlay)
        services.keptOverlays.push_back(std::move(view.overlay));
    view.overlay.reset(image); // the previous one deleted as the dock's `delete` does
    Repaint(hwndDocklet);
}

HOST_EXPORT BOOL CALLBACK DockletSetImageFile(HWND hwndDocklet, char* path)
{
    Guard guard(Services().guard);
    Record("DockletSetImageFile", hwndDocklet, path, 0);
    Services().views[hwndDocklet].imageFile = path ? path : "";
    Repaint(hwndDocklet);
    return TRUE;
}

HOST_EXPORT BOOL CALLBACK DockletBrowseForImage(HWND owner, char* pathBuffer, char* startFolder)
{
    Guard guard(Services().guard);
    Record("DockletBrowseForImage", owner, startFolder, 0);
    auto& services = Services();
    if (!services.browseAccepts || !pathBuffer)
        return FALSE;
    strncpy(pathBuffer, services.browseChoice.c_str(), HOST_BROWSE_BYTES - 1);
    pathBuffer[HOST_BROWSE_BYTES - 1] = 0;
    return TRUE;
}

HOST_EXPORT DockImage* CALLBACK DockletLoadGDIPlusImage(char* path)
{
    Guard guard(Services().guard);
    Record("DockletLoadGDIPlusImage", nullptr, path, 0);
    if (!path)
        return nullptr;
    wchar_t widePath[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH))
        return nullptr;
    Gdiplus::GpImage* native = nullptr;
    if (Gdiplus::DllExports::GdipLoadImageFromFile(widePath, &native) != Gdiplus::Ok)
        return nullptr;
    return static_cast<DockImage*>(dockhost::LendImage(native, Services().images));
}

HOST_EXPORT void CALLBACK DockletLockMouseEffect(HWND hwndDocklet, BOOL lock)
{
    Guard guard(Services().guard);
    Record("DockletLockMouseEffect", hwndDocklet, nullptr, lock);
    Services().views[hwndDocklet].lockDepth += lock ? 1 : -1;
}

HOST_EXPORT void CALLBACK DockletDoAttentionAnimation(HWND hwndDocklet)
{
    Guard guard(Services().guard);
    Record("DockletDoAttentionAnimation", hwndDocklet, nullptr, 0);
}

HOST_EXPORT void CALLBACK DockletGetRelativeFolder(HWND hwndDocklet, char* folder)
{
    Guard guard(Services().guard);
    Record("DockletGetRelativeFolder", hwndDocklet, nullptr, 0);
    if (!folder)
        return;
    strncpy(folder, Services().relativeFolder.c_str(), HOST_FOLDER_BYTES - 1);
    folder[HOST_FOLDER_BYTES - 1] = 0;
}

HOST_EXPORT void CALLBACK DockletRemoveSelf(HWND hwndDocklet, WPARAM flag)
{
    std::function<void(HWND)> remove;
    {
        Guard guard(Services().guard);
        Record("DockletRemoveSelf", hwndDocklet, nullptr, static_cast<intptr_t>(flag));
        Services().views[hwndDocklet].removeRequested = true;
        remove = Services().onRemoveSelf;
    }
    if (remove)
        remove(hwndDocklet);
}
