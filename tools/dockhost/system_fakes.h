// System services of a test's choosing, answered through a loaded module's
// imports: the device list the module learns the processor's power state
// from (setupapi.dll), and the millisecond clock it times its retries with.
#pragma once

#include <windows.h>

#include <vector>

namespace dockhost {

// A display adapter as the system's device list describes it.
struct FakeDisplayDevice {
    DWORD bus;
    DWORD address;  // PCI device number << 16 | function
    int powerState; // 1 (D0, working) to 4 (D3); 0: the system has no power data for it
};

// Makes the module's SetupDiGetClassDevsW, SetupDiEnumDeviceInfo,
// SetupDiGetDeviceRegistryPropertyW and SetupDiDestroyDeviceInfoList answer
// from the devices set below (none at first). False when the module imports
// none of them. Applies to every module patched so.
bool FakeDeviceList(HMODULE module);
void SetFakeDevices(const std::vector<FakeDisplayDevice>& devices);
void SetFakePowerState(size_t device, int powerState);
// The list itself cannot be had (SetupDiGetClassDevsW fails).
void SetFakeDeviceListFails(bool fails);

struct FakeDeviceCalls {
    int lists = 0;           // device lists asked for
    int displayLists = 0;    // of those, present display adapters, as the module should ask
    int listsOpen = 0;       // made and not yet destroyed
    int enumerations = 0;    // SetupDiEnumDeviceInfo calls
    int placeQueries = 0;    // bus number and address asked
    int powerQueries = 0;    // power data asked
};
FakeDeviceCalls DeviceCalls();
void ForgetDeviceCalls(); // keeps the count of lists open

// Makes the module's GetTickCount answer the fake clock, which moves only
// when told to. False when the module does not import it.
bool FakeTickCount(HMODULE module);
void SetFakeTickCount(DWORD ticks);
void AdvanceFakeTickCount(DWORD milliseconds);
DWORD FakeTickCountNow();

} // namespace dockhost
