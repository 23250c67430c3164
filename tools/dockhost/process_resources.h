// What a process holds of the system, for checks that a docklet leaks
// nothing over months.
#pragma once

#include <windows.h>

namespace dockhost {

struct ProcessResources {
    int gdiObjects = 0;  // live GDI objects
    int userObjects = 0; // windows and menus
    DWORD kernelHandles = 0;
    SIZE_T privateBytes = 0;
};

// Wine answers GetGuiResources with 0 for GDI and USER objects, but finds a
// live object by the index in its handle's low 16 bits alone: every index
// is probed, GDI objects with GetObjectType, windows with IsWindow, menus
// with IsMenu. Kernel handles are probed likewise where the system does
// not count them.
ProcessResources MeasureProcess();

} // namespace dockhost
