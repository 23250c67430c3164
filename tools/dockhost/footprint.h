// What a process holds of the system: GDI and USER objects, kernel handles
// and private bytes. Where the system's own counters read 0 (Wine counts no
// GDI or USER objects, nor handles, nor private bytes under that name), the
// objects are probed by handle index and the private bytes read as the
// commit charge, which Windows reports as the same figure.
#pragma once

#include <windows.h>

namespace dockhost {

struct Footprint {
    int gdiObjects = 0;
    int userObjects = 0; // windows and menus
    int handles = 0;
    SIZE_T privateBytes = 0;
    SIZE_T heapBytes = 0; // in busy blocks of all the process's heaps (HeapBytesInUse)
    // Where each figure came from: the system's counter or a probe.
    bool gdiProbed = false, userProbed = false, handlesProbed = false, privateFromCommit = false;
};

Footprint MeasureFootprint();

// Bytes in the busy blocks of every heap of the process, walked block by
// block: what the C runtime's malloc holds (it allocates from a heap) shows
// here whole, also where the commit charge moves only by the pages touched.
SIZE_T HeapBytesInUse();

} // namespace dockhost
