#include <windows.h>

#include "config/config.h"

// The C++ runtime linked into the module sets aside an emergency pool for
// exceptions when the module is loaded (some 70 KiB) and never frees it: a
// host that frees and loads the module again would lose one pool per load.
// The runtime's own release function hands it back.
namespace __gnu_cxx {
void __freeres() noexcept;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    // Nothing may outlive a FreeLibrary that points into the unloaded module.
    // At process exit (reserved set) the system releases everything itself.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        ReleaseModuleActivationContext();
        __gnu_cxx::__freeres();
    }
    return TRUE;
}
