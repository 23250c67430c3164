// Libraries of the system, loaded by full path from the system folder. A
// plain name would be searched for in the dock's folder, the current folder
// (which follows the dock's file choosers) and every PATH folder too, where
// any file of that name would be run inside the dock.
#pragma once

#include <windows.h>

// Loads `fileName` from the system folder (GetSystemDirectoryW), its own
// dependencies looked for beside it first. Null when it is not there, or the
// folder's name leaves no room for the file's.
HMODULE LoadSystemLibrary(const wchar_t* fileName);
