// Placeholder until the driver loader lands: no driver.
#include "gpu/driver.h"

extern "C" int __cdecl UnresolvedEntryStub() { return GPU_NOT_INITIALIZED; }
int InitDriverInterface() { return GPU_LIBRARY_NOT_FOUND; }
int DriverGetErrorMessage(int, char*) { return UnresolvedEntryStub(); }
int DriverGetInterfaceVersion(char*) { return UnresolvedEntryStub(); }
int DriverEnumPhysicalGpus(GpuHandle*, uint32_t*) { return UnresolvedEntryStub(); }
int DriverGetPropertyA(GpuHandle, uint32_t*) { return UnresolvedEntryStub(); }
int DriverGetFullName(GpuHandle, char*) { return UnresolvedEntryStub(); }
int DriverGetPropertyB(GpuHandle, uint32_t*) { return UnresolvedEntryStub(); }
int DriverGetPropertyC(GpuHandle, uint32_t*) { return UnresolvedEntryStub(); }
int DriverGetThermalSettings(GpuHandle, uint32_t, ThermalSettings*) { return UnresolvedEntryStub(); }
int DriverGetChipsetInfo(ChipsetInfo*) { return UnresolvedEntryStub(); }
