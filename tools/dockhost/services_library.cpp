// The services library: the nine docklet services and their recorded state in
// a DLL of their own, as hosts that serve docklets from a plug-in provide
// them. Such a host answers the docklet module's GetModuleHandle(NULL) with
// this library (see imports.h), and reaches the state through the export below.
#include "host_services.h"

extern "C" __declspec(dllexport) dockhost::HostServices* DockHostServicesState()
{
    return &dockhost::Services();
}
