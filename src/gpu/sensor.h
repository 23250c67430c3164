#pragma once

#include "gpu/gpu_state.h"

struct DockletInstance;

int InitGpuSensor(DockletInstance* instance);
int ReadGpuTemperature(GpuHandle gpu);
void SampleGpu(DockletInstance* instance);
void ResetTemperature(DockletInstance* instance);
