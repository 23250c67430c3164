#include "core/host.h"

#include "core/dock_image.h"
#include "core/text.h"

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

void ResolveImagePath(wchar_t* path, size_t capacity, const wchar_t* defaultName, const wchar_t* imagesFolder,
                      HWND hwndDocklet)
{
    if (!path || capacity == 0)
        return;

    // Two spare bytes beyond what the host is promised, so a host that fills
    // all of it still leaves the text terminated.
    char relativeFolder[HOST_FOLDER_BYTES + 2] = "";
    HostGetRelativeFolder(hwndDocklet, relativeFolder);
    relativeFolder[sizeof relativeFolder - 1] = 0;

    // Relative paths start in the folder of the host's executable, also where
    // a plug-in library of the host serves the services.
    wchar_t hostFolder[MAX_PATH] = L"";
    DWORD length = GetModuleFileNameW(nullptr, hostFolder, MAX_PATH);
    if (length >= MAX_PATH)
        length = MAX_PATH - 1;
    hostFolder[length] = 0;
    if (wchar_t* lastSlash = wcsrchr(hostFolder, L'\\'))
        lastSlash[1] = 0;

    if (_wcsicmp(path, defaultName) == 0) {
        wchar_t folder[HOST_FOLDER_BYTES + 2];
        WidenFromHost(folder, HOST_FOLDER_BYTES + 2, relativeFolder);
        wchar_t composed[270];
        FormatText(composed, 270, L"%ls%ls\\%ls", folder, imagesFolder, path);
        CopyText(path, capacity, composed);
    }

    if (path[0] == L'.') {
        // Drop "." and the separator after it, but never step past the end.
        const wchar_t* rest = path + 1;
        if (*rest)
            ++rest;
        wchar_t absolute[270];
        FormatText(absolute, 270, L"%ls%ls", hostFolder, rest);
        CopyText(path, capacity, absolute);
    }
}
