#include "footprint.h"

#include <psapi.h>

namespace dockhost {

namespace {

// A GDI handle's low 16 bits index the process's table, and GetObjectType
// answers for a live object whatever the handle's upper bits.
int ProbeGdiObjects()
{
    int live = 0;
    for (ULONG_PTR index = 1; index <= 0xFFFF; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)))
            ++live;
    return live;
}

// A USER handle keeps its table index in bits 1 to 15 of its low word, so
// each object answers at two neighbouring values: the even ones count each
// once. Windows of other processes answer too and are left out.
int ProbeUserObjects()
{
    const DWORD self = GetCurrentProcessId();
    int live = 0;
    for (ULONG_PTR value = 2; value <= 0xFFFF; value += 2) {
        HWND window = reinterpret_cast<HWND>(value);
        DWORD owner = 0;
        if (IsWindow(window) && GetWindowThreadProcessId(window, &owner) && owner == self)
            ++live;
        else if (IsMenu(reinterpret_cast<HMENU>(value)))
            ++live;
    }
    return live;
}

// Kernel handles are multiples of four, handed out lowest first: the values
// below 0x4000 hold the first 4095.
int ProbeHandles()
{
    int live = 0;
    for (ULONG_PTR value = 4; value < 0x4000; value += 4) {
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++live;
    }
    return live;
}

} // namespace

SIZE_T HeapBytesInUse()
{
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    SIZE_T busy = 0;
    for (DWORD i = 0; i < count && i < 256; ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                busy += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return busy;
}

Footprint MeasureFootprint()
{
    Footprint footprint;
    HANDLE process = GetCurrentProcess();
    footprint.gdiObjects = static_cast<int>(GetGuiResources(process, GR_GDIOBJECTS));
    if (footprint.gdiObjects == 0) {
        footprint.gdiObjects = ProbeGdiObjects();
        footprint.gdiProbed = true;
    }
    footprint.userObjects = static_cast<int>(GetGuiResources(process, GR_USEROBJECTS));
    if (footprint.userObjects == 0) {
        footprint.userObjects = ProbeUserObjects();
        footprint.userProbed = true;
    }
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles) && handles > 0) {
        footprint.handles = static_cast<int>(handles);
    } else {
        footprint.handles = ProbeHandles();
        footprint.handlesProbed = true;
    }
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        footprint.privateBytes = counters.PrivateUsage;
        if (footprint.privateBytes == 0) {
            footprint.privateBytes = counters.PagefileUsage;
            footprint.privateFromCommit = true;
        }
    }
    footprint.heapBytes = HeapBytesInUse();
    return footprint;
}

} // namespace dockhost
