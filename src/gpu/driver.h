// The driver's programming interface, loaded on first demand and resolved
// once per process. Entries the driver did not resolve answer with a status.
#pragma once

#include <stdint.h>

#include "gpu/gpu_state.h"

// The driver's library is loaded from the system folder only, never by the
// search a plain name starts (the dock's folder, the current folder, PATH).
// Every driver call, the start included, is made under the module's lock:
// the driver documents no thread safety.
int InitDriverInterface();
extern "C" int __cdecl UnresolvedEntryStub();

// Forwarders, one per driver entry the docklet calls.
int DriverGetErrorMessage(int status, char text[GPU_TEXT_BYTES]);           // entry 0
int DriverGetInterfaceVersion(char text[GPU_TEXT_BYTES]);                   // entry 1
int DriverEnumPhysicalGpus(GpuHandle handles[GPU_MAX_PROCESSORS], uint32_t* count); // entry 5
int DriverGetPropertyA(GpuHandle gpu, uint32_t* value);                     // entry 32
int DriverGetFullName(GpuHandle gpu, char name[GPU_TEXT_BYTES]);            // entry 37
int DriverGetPropertyB(GpuHandle gpu, uint32_t* value);                     // entry 39
int DriverGetPropertyC(GpuHandle gpu, uint32_t* value);                     // entry 40
int DriverGetThermalSettings(GpuHandle gpu, uint32_t sensor, ThermalSettings* settings); // entry 52
int DriverGetChipsetInfo(ChipsetInfo* info);                                // entry 55
// Where the processor sits on the PCI bus: bus number, and device number ("slot").
int DriverGetBusId(GpuHandle gpu, uint32_t* bus);
int DriverGetBusSlotId(GpuHandle gpu, uint32_t* slot);
