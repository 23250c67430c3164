#pragma once

#include "gpu/gpu_state.h"

struct DockletInstance;

int InitGpuSensor(DockletInstance* instance);
int ReadGpuTemperature(GpuHandle gpu);
void SampleGpu(DockletInstance* instance);
void ResetTemperature(DockletInstance* instance);
// What the sensor holds of the system's device list; at destruction.
void ReleaseGpuSensor(DockletInstance* instance);
