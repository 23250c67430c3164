#include "core/host.h"

#include "core/dock_image.h"

namespace {

template <typename Fn>
Fn FindService(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), name)));
}

} // namespace

void HostSetLabel(HWND hwndDocklet, const char* label)
{
    if (auto service = FindService<DockletSetLabelFn>("DockletSetLabel"))
        service(hwndDocklet, const_cast<char*>(label));
}

void HostGiveImageOverlay(HWND hwndDocklet, DockImage* image)
{
    if (auto service = FindService<DockletSetImageOverlayFn>("DockletSetImageOverlay"))
        service(hwndDocklet, image, TRUE);
    else
        DeleteDockImage(image);
}

BOOL HostSetImageFile(HWND hwndDocklet, const char* path)
{
    if (auto service = FindService<DockletSetImageFileFn>("DockletSetImageFile"))
        return service(hwndDocklet, const_cast<char*>(path));
    return FALSE;
}

BOOL HostBrowseForImage(HWND owner, char* pathBuffer272, const char* startFolder)
{
    if (auto service = FindService<DockletBrowseForImageFn>("DockletBrowseForImage"))
        return service(owner, pathBuffer272, const_cast<char*>(startFolder));
    return FALSE;
}

DockImage* HostLoadGdiplusImage(const char* path)
{
    if (auto service = FindService<DockletLoadGDIPlusImageFn>("DockletLoadGDIPlusImage"))
        return service(const_cast<char*>(path));
    return nullptr;
}

void HostLockMouseEffect(HWND hwndDocklet, BOOL lock)
{
    if (auto service = FindService<DockletLockMouseEffectFn>("DockletLockMouseEffect"))
        service(hwndDocklet, lock);
}

void HostDoAttentionAnimation(HWND hwndDocklet)
{
    if (auto service = FindService<DockletDoAttentionAnimationFn>("DockletDoAttentionAnimation"))
        service(hwndDocklet);
}

void HostGetRelativeFolder(HWND hwndDocklet, char* folder)
{
    if (auto service = FindService<DockletGetRelativeFolderFn>("DockletGetRelativeFolder"))
        service(hwndDocklet, folder);
}

void HostRemoveSelf(HWND hwndDocklet)
{
    if (auto service = FindService<DockletRemoveSelfFn>("DockletRemoveSelf"))
        service(hwndDocklet, 1);
}

