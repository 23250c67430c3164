#include "gpu/sensor.h"

#include "core/docklet.h"
#include "core/text.h"
#include "gpu/driver.h"

namespace {

// Driver texts need not end within their 64 bytes; the copy stops at 63
// characters either way.
void WidenDriverText(wchar_t target[GPU_TEXT_BYTES], const char source[GPU_TEXT_BYTES])
{
    WidenBytesN(target, GPU_TEXT_BYTES, source, GPU_TEXT_BYTES);
}

// Stops at the first failing query; whatever was stored before it stays.
int ReadProcessor(GpuState& gpu, uint32_t index, GpuHandle handle)
{
    gpu.gpuHandles[index] = handle;

    char name[GPU_TEXT_BYTES] = "";
    if (DriverGetFullName(handle, name) != GPU_OK)
        return GPU_ERROR;
    WidenDriverText(gpu.gpuNames[index], name);

    uint32_t value = 0;
    if (DriverGetPropertyA(handle, &value) != GPU_OK)
        return GPU_ERROR;
    gpu.gpuPropertyA[index] = value;
    if (DriverGetPropertyB(handle, &value) != GPU_OK)
        return GPU_ERROR;
    gpu.gpuPropertyB[index] = value;
    if (DriverGetPropertyC(handle, &value) != GPU_OK)
        return GPU_ERROR;
    gpu.gpuPropertyC[index] = value;
    return GPU_OK;
}

} // namespace

int InitGpuSensor(DockletInstance* instance)
{
    if (!instance)
        return GPU_ERROR;
    const int status = InitDriverInterface();
    if (status != GPU_OK)
        return status;
    GpuState& gpu = instance->gpu;

    // Its status is not looked at: a failed call leaves the text empty.
    char version[GPU_TEXT_BYTES] = "";
    DriverGetInterfaceVersion(version);
    WidenDriverText(gpu.interfaceVersion, version);

    ChipsetInfo chipset = {};
    chipset.version = CHIPSET_INFO_VERSION;
    if (DriverGetChipsetInfo(&chipset) != GPU_OK)
        return GPU_ERROR;
    gpu.chipsetInfo = chipset;

    GpuHandle handles[GPU_MAX_PROCESSORS] = {};
    uint32_t count = 0;
    if (DriverEnumPhysicalGpus(handles, &count) != GPU_OK)
        return GPU_ERROR;
    // The driver reports at most 64; a larger count must not walk past the arrays.
    if (count > GPU_MAX_PROCESSORS)
        count = GPU_MAX_PROCESSORS;
    gpu.gpuCount = count;

    for (uint32_t i = 0; i < count; ++i) {
        if (ReadProcessor(gpu, i, handles[i]) != GPU_OK)
            return GPU_ERROR;
    }
    return GPU_OK;
}

int ReadGpuTemperature(GpuHandle gpu)
{
    ThermalSettings thermal = {};
    thermal.version = THERMAL_SETTINGS_VERSION;
    if (DriverGetThermalSettings(gpu, THERMAL_SENSOR_ALL, &thermal) != GPU_OK)
        return -1;
    if (thermal.count == 0)
        return -1;
    return thermal.sensor[0].currentTemp;
}

void SampleGpu(DockletInstance* instance)
{
    if (!instance || instance->gpu.gpuStatus != GPU_OK)
        return;
    // Always processor 0, whatever the count: the driver judges the handle.
    const int temperature = ReadGpuTemperature(instance->gpu.gpuHandles[0]);
    instance->lastTemperature = temperature;
    // No history when its allocation failed at creation.
    if (instance->history)
        instance->history->Push(temperature);
}

void ResetTemperature(DockletInstance* instance)
{
    if (instance)
        instance->lastTemperature = -1;
}
