#include <windows.h>

#include "config/config.h"
#include "core/module_lock.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        CreateModuleLock();
    // Nothing may outlive a FreeLibrary that points into the unloaded module.
    // At process exit (reserved set) the system releases everything itself,
    // and threads that held the lock may have been ended anywhere.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        ReleaseModuleActivationContext();
        DeleteModuleLock();
    }
    return TRUE;
}
