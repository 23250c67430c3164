#include <windows.h>

#include "config/config.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    // Nothing may outlive a FreeLibrary that points into the unloaded module.
    // At process exit (reserved set) the system releases everything itself.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        ReleaseModuleActivationContext();
    return TRUE;
}
