#include "core/images.h"

#include <wchar.h>

#include "core/docklet.h"
#include "core/host.h"
#include "core/text.h"

const wchar_t BACKGROUND_IMAGE[] = L"background.png";
const wchar_t EMPTY_IMAGE[] = L"empty.png";

static_assert(DOCKLET_FOLDER_UNITS == HOST_FOLDER_BYTES + 2, "a folder the host fills to the end stays terminated");

void AskDockletFolder(HWND hwndDocklet, wchar_t* folder)
{
    // Two spare bytes beyond what the host is promised, so a host that fills
    // all of it still leaves the text terminated.
    char hostFolder[HOST_FOLDER_BYTES + 2] = "";
    HostGetRelativeFolder(hwndDocklet, hostFolder);
    hostFolder[sizeof hostFolder - 1] = 0;
    WidenFromHost(folder, DOCKLET_FOLDER_UNITS, hostFolder);
}

bool JoinImagePath(wchar_t* path, size_t capacity, const wchar_t* dockletFolder, const wchar_t* imagesFolder,
                   const wchar_t* name)
{
    if (!name)
        return FormatText(path, capacity, L"%ls%ls", dockletFolder, imagesFolder);
    return FormatText(path, capacity, L"%ls%ls\\%ls", dockletFolder, imagesFolder, name);
}

bool ImagesFolderPath(wchar_t* path, size_t capacity, HWND hwndDocklet, const wchar_t* imagesFolder,
                      const wchar_t* name)
{
    wchar_t folder[DOCKLET_FOLDER_UNITS];
    AskDockletFolder(hwndDocklet, folder);
    return JoinImagePath(path, capacity, folder, imagesFolder, name);
}

bool ExportImagesFolder(const DockletInstance* instance, char* output)
{
    const size_t EXPORT_LIMIT = 261;
    wchar_t folder[EXPORT_LIMIT];
    if (!ImagesFolderPath(folder, EXPORT_LIMIT, instance->hwndDocklet, instance->imagesFolder, nullptr) ||
        !NarrowForHost(output, EXPORT_LIMIT, folder)) {
        output[0] = 0;
        return false;
    }
    return true;
}

void ResolveImagePath(wchar_t* path, size_t capacity, const wchar_t* defaultName, const wchar_t* imagesFolder,
                      HWND hwndDocklet)
{
    if (!path || capacity == 0)
        return;
    wchar_t folder[DOCKLET_FOLDER_UNITS];
    AskDockletFolder(hwndDocklet, folder);

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
        // The field's own letter case: "BACKGROUND.PNG" stays so.
        wchar_t composed[PATH_CAPACITY];
        JoinImagePath(composed, PATH_CAPACITY, folder, imagesFolder, path);
        CopyText(path, capacity, composed);
    }

    if (path[0] == L'.') {
        // Drop "." and the separator after it, but never step past the end.
        const wchar_t* rest = path + 1;
        if (*rest)
            ++rest;
        wchar_t absolute[PATH_CAPACITY];
        FormatText(absolute, PATH_CAPACITY, L"%ls%ls", hostFolder, rest);
        CopyText(path, capacity, absolute);
    }
}

void ResolveBackgroundPath(DockletInstance* instance)
{
    ResolveImagePath(instance->backgroundImage, PATH_CAPACITY, BACKGROUND_IMAGE, instance->imagesFolder,
                     instance->hwndDocklet);
}

void ResolveBackgroundImage(DockletInstance* instance)
{
    CopyText(instance->savedBackgroundImage, PATH_CAPACITY, instance->backgroundImage);
    ResolveBackgroundPath(instance);
    if (_wcsicmp(instance->savedBackgroundImage, BACKGROUND_IMAGE) != 0)
        CopyText(instance->savedBackgroundImage, PATH_CAPACITY, instance->backgroundImage);
}

void ResolveDockletImages(DockletInstance* instance)
{
    CopyText(instance->emptyImage, PATH_CAPACITY, EMPTY_IMAGE);
    ResolveImagePath(instance->emptyImage, PATH_CAPACITY, EMPTY_IMAGE, instance->imagesFolder,
                     instance->hwndDocklet);
    ResolveBackgroundImage(instance);
}
