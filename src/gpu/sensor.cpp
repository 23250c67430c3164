// Placeholder until the sensor lands.
#include "gpu/sensor.h"
#include "core/docklet.h"
#include "gpu/driver.h"

int InitGpuSensor(DockletInstance* instance)
{
    if (!instance)
        return GPU_ERROR;
    return InitDriverInterface();
}
int ReadGpuTemperature(GpuHandle) { return -1; }
void SampleGpu(DockletInstance*) {}
void ResetTemperature(DockletInstance* instance)
{
    if (instance)
        instance->lastTemperature = -1;
}
