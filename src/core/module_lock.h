// The one lock of the module's process-wide state. A dock may run each
// docklet on a thread of its own, so docklets of this module can run at the
// same time: the driver's start and entry table, the GDI+ start-up, the
// activation context and the settings sheet's slots are shared by all of
// them. The lock is never held across a modal loop or a call into the dock.
#pragma once

#include "core/uncopyable.h"

// Made when the module is loaded, deleted when it is freed (DllMain).
void CreateModuleLock();
void DeleteModuleLock();

// Holds the lock for its scope. The lock may be taken again on the thread
// that holds it.
class ModuleLock : Uncopyable {
public:
    ModuleLock();
    ~ModuleLock();
};
