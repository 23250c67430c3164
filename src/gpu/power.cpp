#include "gpu/power.h"

#include <windows.h>
#include <setupapi.h>
#include <string.h>

#include <new>

namespace {

// The display adapters' device class, {4D36E968-E325-11CE-BFC1-08002BE10318}.
const GUID DISPLAY_CLASS = {0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// A property into a zeroed buffer of its size; false when the system has none.
bool ReadProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property, void* value, DWORD size)
{
    DWORD type = 0, required = 0;
    memset(value, 0, size);
    return SetupDiGetDeviceRegistryPropertyW(set, device, property, &type, static_cast<BYTE*>(value), size,
                                             &required) != FALSE;
}

} // namespace

// The list stays open as long as the device is kept: its power data is
// asked through it at every refresh.
struct GpuDevice {
    HDEVINFO set;
    SP_DEVINFO_DATA device;
};

GpuDevice* FindGpuDevice(uint32_t bus, uint32_t slot)
{
    HDEVINFO set = SetupDiGetClassDevsW(&DISPLAY_CLASS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return nullptr;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        DWORD deviceBus = 0, address = 0;
        // A PCI address is the device number in the high word, the function in the low one.
        if (!ReadProperty(set, &device, SPDRP_BUSNUMBER, &deviceBus, sizeof deviceBus) ||
            !ReadProperty(set, &device, SPDRP_ADDRESS, &address, sizeof address) || deviceBus != bus ||
            HIWORD(address) != slot)
            continue;
        GpuDevice* found = new (std::nothrow) GpuDevice{set, device};
        if (found)
            return found;
        break;
    }
    SetupDiDestroyDeviceInfoList(set);
    return nullptr;
}

GpuPowerState PowerStateOf(const GpuDevice* device)
{
    if (!device)
        return GPU_POWER_UNKNOWN;
    CM_POWER_DATA power;
    SP_DEVINFO_DATA data = device->device;
    // Unwritten, the state reads as unspecified.
    if (!ReadProperty(device->set, &data, SPDRP_DEVICE_POWER_DATA, &power, sizeof power))
        return GPU_POWER_UNKNOWN;
    switch (power.PD_MostRecentPowerState) {
    case PowerDeviceD0:
        return GPU_POWER_AWAKE;
    case PowerDeviceD1:
    case PowerDeviceD2:
    case PowerDeviceD3:
        return GPU_POWER_ASLEEP;
    default:
        return GPU_POWER_UNKNOWN;
    }
}

void ReleaseGpuDevice(GpuDevice* device)
{
    if (!device)
        return;
    SetupDiDestroyDeviceInfoList(device->set);
    delete device;
}
