#include "system_fakes.h"

#include <setupapi.h>

#include <set>

#include "imports.h"

namespace dockhost {

namespace {

// The display adapters' class, {4D36E968-E325-11CE-BFC1-08002BE10318}.
const GUID DISPLAY_CLASS = {0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::vector<FakeDisplayDevice> devices;
bool listFails = false;
FakeDeviceCalls calls;
// The lists handed out: the address of a byte of each, never read.
std::set<HDEVINFO> openLists;
DWORD fakeTicks = 0;

bool KnownDevice(HDEVINFO list, const SP_DEVINFO_DATA* data, size_t& index)
{
    if (!openLists.count(list) || !data || data->DevInst == 0 || data->DevInst > devices.size())
        return false;
    index = data->DevInst - 1;
    return true;
}

bool Answer(DWORD type, const void* value, DWORD size, DWORD* storedType, BYTE* buffer, DWORD capacity,
            DWORD* required)
{
    if (required)
        *required = size;
    if (storedType)
        *storedType = type;
    if (!buffer || capacity < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    memcpy(buffer, value, size);
    return true;
}

HDEVINFO WINAPI FakeGetClassDevs(const GUID* deviceClass, PCWSTR, HWND, DWORD flags)
{
    ++calls.lists;
    if (listFails)
        return INVALID_HANDLE_VALUE;
    const bool display = deviceClass && IsEqualGUID(*deviceClass, DISPLAY_CLASS) && flags == DIGCF_PRESENT;
    calls.displayLists += display;
    // Any other question gets an empty list.
    HDEVINFO list = reinterpret_cast<HDEVINFO>(new char(display ? 1 : 0));
    openLists.insert(list);
    ++calls.listsOpen;
    return list;
}

BOOL WINAPI FakeEnumDeviceInfo(HDEVINFO list, DWORD index, SP_DEVINFO_DATA* data)
{
    ++calls.enumerations;
    if (!openLists.count(list) || !data || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (*reinterpret_cast<char*>(list) == 0 || index >= devices.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->ClassGuid = DISPLAY_CLASS;
    data->DevInst = index + 1;
    data->Reserved = 0;
    return TRUE;
}

BOOL WINAPI FakeGetDeviceRegistryProperty(HDEVINFO list, SP_DEVINFO_DATA* data, DWORD property, DWORD* type,
                                          BYTE* buffer, DWORD capacity, DWORD* required)
{
    size_t index = 0;
    if (!KnownDevice(list, data, index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const FakeDisplayDevice& device = devices[index];
    switch (property) {
    case SPDRP_BUSNUMBER:
        ++calls.placeQueries;
        return Answer(REG_DWORD, &device.bus, sizeof device.bus, type, buffer, capacity, required);
    case SPDRP_ADDRESS:
        ++calls.placeQueries;
        return Answer(REG_DWORD, &device.address, sizeof device.address, type, buffer, capacity, required);
    case SPDRP_DEVICE_POWER_DATA: {
        ++calls.powerQueries;
        if (device.powerState == 0)
            break;
        CM_POWER_DATA power = {};
        power.PD_Size = sizeof power;
        power.PD_MostRecentPowerState = static_cast<DEVICE_POWER_STATE>(device.powerState);
        return Answer(REG_BINARY, &power, sizeof power, type, buffer, capacity, required);
    }
    default:
        break;
    }
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
}

BOOL WINAPI FakeDestroyDeviceInfoList(HDEVINFO list)
{
    if (!openLists.erase(list)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete reinterpret_cast<char*>(list);
    --calls.listsOpen;
    return TRUE;
}

DWORD WINAPI FakeGetTickCount()
{
    return fakeTicks;
}

bool Patch(HMODULE module, const char* dll, const char* function, void* replacement)
{
    return PatchImport(module, dll, function, replacement) != nullptr;
}

} // namespace

bool FakeDeviceList(HMODULE module)
{
    bool any = Patch(module, "setupapi.dll", "SetupDiGetClassDevsW", reinterpret_cast<void*>(&FakeGetClassDevs));
    any |= Patch(module, "setupapi.dll", "SetupDiEnumDeviceInfo", reinterpret_cast<void*>(&FakeEnumDeviceInfo));
    any |= Patch(module, "setupapi.dll", "SetupDiGetDeviceRegistryPropertyW",
                 reinterpret_cast<void*>(&FakeGetDeviceRegistryProperty));
    any |= Patch(module, "setupapi.dll", "SetupDiDestroyDeviceInfoList",
                 reinterpret_cast<void*>(&FakeDestroyDeviceInfoList));
    return any;
}

void SetFakeDevices(const std::vector<FakeDisplayDevice>& list)
{
    devices = list;
}

void SetFakePowerState(size_t device, int powerState)
{
    if (device < devices.size())
        devices[device].powerState = powerState;
}

void SetFakeDeviceListFails(bool fails)
{
    listFails = fails;
}

FakeDeviceCalls DeviceCalls()
{
    return calls;
}

void ForgetDeviceCalls()
{
    const int open = calls.listsOpen;
    calls = FakeDeviceCalls();
    calls.listsOpen = open;
}

bool FakeTickCount(HMODULE module)
{
    return Patch(module, "kernel32.dll", "GetTickCount", reinterpret_cast<void*>(&FakeGetTickCount));
}

void SetFakeTickCount(DWORD ticks)
{
    fakeTicks = ticks;
}

void AdvanceFakeTickCount(DWORD milliseconds)
{
    fakeTicks += milliseconds;
}

DWORD FakeTickCountNow()
{
    return fakeTicks;
}

} // namespace dockhost
