// Whether the processor sleeps, as the system's device manager keeps it. The
// display device's power data is the system's own record: reading it does
// not touch the device, where any driver call would wake it.
#pragma once

#include <stdint.h>

enum GpuPowerState {
    GPU_POWER_UNKNOWN, // no device, or the system would not say
    GPU_POWER_AWAKE,   // working (D0)
    GPU_POWER_ASLEEP,  // D1 to D3: the driver must not be called
};

// The display device at a PCI bus and slot, kept open between refreshes.
struct GpuDevice;

// The present display-class device on `bus` whose PCI device number is
// `slot`; null when there is none or the system lists no devices.
GpuDevice* FindGpuDevice(uint32_t bus, uint32_t slot);
GpuPowerState PowerStateOf(const GpuDevice* device);
void ReleaseGpuDevice(GpuDevice* device);
