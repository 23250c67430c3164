#include "core/system_library.h"

#include <wchar.h>

HMODULE LoadSystemLibrary(const wchar_t* fileName)
{
    wchar_t path[MAX_PATH];
    const size_t nameLength = wcslen(fileName);
    const UINT folderLength = GetSystemDirectoryW(path, MAX_PATH);
    // The folder, a separator, the name and the terminator.
    if (folderLength == 0 || folderLength + 1 + nameLength + 1 > MAX_PATH)
        return nullptr;
    path[folderLength] = L'\\';
    wmemcpy(path + folderLength + 1, fileName, nameLength + 1);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
