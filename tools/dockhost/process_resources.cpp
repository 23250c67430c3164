#include "process_resources.h"

#include <psapi.h>

namespace dockhost {

ProcessResources MeasureProcess()
{
    ProcessResources resources;
    for (ULONG_PTR index = 1; index < 0x10000; ++index) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)))
            ++resources.gdiObjects;
        if (IsWindow(reinterpret_cast<HWND>(index)) || IsMenu(reinterpret_cast<HMENU>(index)))
            ++resources.userObjects;
    }
    // Wine counts no handles either: probe them, they come in steps of four.
    if (!GetProcessHandleCount(GetCurrentProcess(), &resources.kernelHandles) || resources.kernelHandles == 0) {
        resources.kernelHandles = 0;
        for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
            DWORD flags = 0;
            if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
                ++resources.kernelHandles;
        }
    }
    // The commit charge (Wine leaves PrivateUsage at zero).
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory))
        resources.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
    return resources;
}

} // namespace dockhost
