// The GPU as the docklet sees it: whether a driver and processor are usable,
// their names, and processor 0's temperature, sampled into a history.
#pragma once

#include "gpu/gpu_state.h"
#include "gpu/warr.h"

// The sensor works on the driver's answers (`gpu`) and on what it keeps
// between refreshes besides them (`watch`).

// Starts the driver interface (once per process) and reads the driver's
// texts and the processors into `gpu`. The status, for `gpuStatus`: GPU_OK
// when ready.
int InitGpuSensor(GpuState& gpu, GpuWatch& watch);
int ReadGpuTemperature(GpuHandle gpu);
// One refresh's sample of processor 0: its temperature, or -1 when none was
// read. While the sensor is ready the sample goes onto `history` (when there
// is one); a sensor that is not is tried again now and then.
int SampleGpu(GpuState& gpu, GpuWatch& watch, Warr<int>* history);
// What the sensor holds of the system's device list; at destruction.
void ReleaseGpuSensor(GpuWatch& watch);
