#include "gpu/sensor.h"

#include "core/text.h"
#include "gpu/driver.h"
#include "gpu/power.h"

namespace {

// A driver that did not start, or listed no processor, is asked again at
// most this often (ms): the dock may have started before the driver. The
// tick counter moves in steps of up to 16 ms, so a full step more is waited
// for: never less than the interval.
const uint32_t SEARCH_INTERVAL = 10000;
const uint32_t TICK_STEP = 16;

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

void StampSearch(GpuWatch& watch)
{
    watch.lastSearch = GetTickCount();
}

bool SearchDue(const GpuWatch& watch)
{
    // Unsigned, so the difference stays right when the counter wraps (49.7 days).
    return static_cast<uint32_t>(GetTickCount() - watch.lastSearch) >= SEARCH_INTERVAL + TICK_STEP;
}

void DropDevice(GpuWatch& watch)
{
    ReleaseGpuDevice(watch.device);
    watch.device = nullptr;
}

// Processor 0's display device, by its place on the PCI bus. Asked once per
// enumeration: a refresh then reads only the device's power data.
// The enumeration has dropped the one found before.
void FindDevice(const GpuState& gpu, GpuWatch& watch)
{
    uint32_t bus = 0, slot = 0;
    if (gpu.gpuCount == 0 || DriverGetBusId(gpu.gpuHandles[0], &bus) != GPU_OK ||
        DriverGetBusSlotId(gpu.gpuHandles[0], &slot) != GPU_OK)
        return;
    watch.device = FindGpuDevice(bus, slot);
}

int EnumerateProcessors(GpuState& gpu, GpuWatch& watch)
{
    StampSearch(watch);
    DropDevice(watch);
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
    FindDevice(gpu, watch);
    return GPU_OK;
}

int ReadTemperature(GpuHandle gpu, int& temperature)
{
    temperature = -1;
    ThermalSettings thermal = {};
    thermal.version = THERMAL_SETTINGS_VERSION;
    const int status = DriverGetThermalSettings(gpu, THERMAL_SENSOR_ALL, &thermal);
    if (status != GPU_OK)
        return status;
    if (thermal.count == 0)
        return GPU_ERROR;
    temperature = thermal.sensor[0].currentTemp;
    return GPU_OK;
}

void StoreSample(Warr<int>* history, int sample)
{
    // No history when its allocation failed at creation.
    if (history)
        history->Push(sample);
}

} // namespace

int InitGpuSensor(GpuState& gpu, GpuWatch& watch)
{
    StampSearch(watch);
    const int status = InitDriverInterface();
    if (status != GPU_OK)
        return status;

    // Its status is not looked at: a failed call leaves the text empty.
    char version[GPU_TEXT_BYTES] = "";
    DriverGetInterfaceVersion(version);
    WidenDriverText(gpu.interfaceVersion, version);

    ChipsetInfo chipset = {};
    chipset.version = CHIPSET_INFO_VERSION;
    if (DriverGetChipsetInfo(&chipset) != GPU_OK)
        return GPU_ERROR;
    gpu.chipsetInfo = chipset;
    return EnumerateProcessors(gpu, watch);
}

int ReadGpuTemperature(GpuHandle gpu)
{
    int temperature = -1;
    ReadTemperature(gpu, temperature);
    return temperature;
}

int SampleGpu(GpuState& gpu, GpuWatch& watch, Warr<int>* history)
{
    watch.asleep = 0;
    // Started before the driver, or while the processor was not listed: the
    // first refresh after a good try shows the temperature.
    if ((gpu.gpuStatus != GPU_OK || gpu.gpuCount == 0) && SearchDue(watch))
        gpu.gpuStatus = gpu.gpuStatus != GPU_OK ? InitGpuSensor(gpu, watch) : EnumerateProcessors(gpu, watch);
    if (gpu.gpuStatus != GPU_OK)
        return -1;

    // Any driver call would wake a sleeping processor and keep it awake.
    if (PowerStateOf(watch.device) == GPU_POWER_ASLEEP) {
        watch.asleep = 1;
        StoreSample(history, SAMPLE_ASLEEP);
        return -1;
    }
    // Always processor 0, whatever the count: the driver judges the handle.
    int temperature = -1;
    if (ReadTemperature(gpu.gpuHandles[0], temperature) == GPU_HANDLE_INVALIDATED) {
        // The driver was reset or updated: its processors are listed again
        // and read with their new handles, once.
        gpu.gpuStatus = EnumerateProcessors(gpu, watch);
        if (gpu.gpuStatus == GPU_OK)
            ReadTemperature(gpu.gpuHandles[0], temperature);
    }
    StoreSample(history, temperature == SAMPLE_ASLEEP ? SAMPLE_ASLEEP + 1 : temperature);
    return temperature;
}

void ReleaseGpuSensor(GpuWatch& watch)
{
    DropDevice(watch);
}
