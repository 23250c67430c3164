#include "gpu/driver.h"

#include <windows.h>

#include "core/module_lock.h"
#include "core/system_library.h"

namespace {

// Any driver function as the table stores it; each forwarder casts it back to
// the driver's real signature. All are C calling convention, so the caller
// removes the arguments and one stub can stand in for every signature.
typedef void(__cdecl* DriverFunction)();
typedef void*(__cdecl* QueryInterfaceFunction)(uint32_t interfaceId);
typedef int(__cdecl* InitializeFunction)();

typedef int(__cdecl* ErrorMessageFunction)(int status, char* text);
typedef int(__cdecl* InterfaceVersionFunction)(char* text);
typedef int(__cdecl* EnumPhysicalGpusFunction)(GpuHandle* handles, uint32_t* count);
typedef int(__cdecl* GpuValueFunction)(GpuHandle gpu, uint32_t* value);
typedef int(__cdecl* GpuTextFunction)(GpuHandle gpu, char* text);
typedef int(__cdecl* ThermalSettingsFunction)(GpuHandle gpu, uint32_t sensor, ThermalSettings* settings);
typedef int(__cdecl* ChipsetInfoFunction)(ChipsetInfo* info);

const uint32_t INITIALIZE_ID = 0x0150E828;

struct DriverEntry {
    DriverFunction entryPoint;
    uint32_t interfaceId;
};

// Only the entries the docklet calls; names stand for the driver's entry
// numbers (0, 1, 5, 32, 37, 39, 40, 52, 55), then the processor's place on
// the PCI bus, which finds its device in the system's device list.
enum DriverEntryIndex {
    ENTRY_ERROR_MESSAGE,
    ENTRY_INTERFACE_VERSION,
    ENTRY_ENUM_PHYSICAL_GPUS,
    ENTRY_PROPERTY_A,
    ENTRY_FULL_NAME,
    ENTRY_PROPERTY_B,
    ENTRY_PROPERTY_C,
    ENTRY_THERMAL_SETTINGS,
    ENTRY_CHIPSET_INFO,
    ENTRY_BUS_ID,
    ENTRY_BUS_SLOT_ID,
    ENTRY_COUNT
};

DriverFunction StubEntry()
{
    return reinterpret_cast<DriverFunction>(&UnresolvedEntryStub);
}

// Process-wide, shared by every docklet; guarded by the module's lock.
int driverReady = 0;
int driverStatus = GPU_OK;
int unresolvedStatus = GPU_NOT_INITIALIZED;

// The walk stops at the pair whose id is 0.
DriverEntry driverEntryTable[ENTRY_COUNT + 1] = {
    {StubEntry(), 0x6C2D048C},
    {StubEntry(), 0x01053FA5},
    {StubEntry(), 0xE5AC921F},
    {StubEntry(), 0xBAAABFCC},
    {StubEntry(), 0xCEEE8E9F},
    {StubEntry(), 0xC33BAEB1},
    {StubEntry(), 0x1BB18724},
    {StubEntry(), 0xE3640A56},
    {StubEntry(), 0x53DABBCA},
    {StubEntry(), 0x1BE0B8E5},
    {StubEntry(), 0x2A0A350F},
    {nullptr, 0},
};

// A call of one entry: the entry is read and called under the module's
// lock, so calls from docklets on different threads reach the driver one at
// a time and never meet a table being resolved.
template <typename Function>
class DriverCall {
public:
    explicit DriverCall(DriverEntryIndex index) : index_(index) {}

    template <typename... Arguments>
    int operator()(Arguments... arguments) const
    {
        ModuleLock lock;
        return reinterpret_cast<Function>(driverEntryTable[index_].entryPoint)(arguments...);
    }

private:
    DriverEntryIndex index_;
};

template <typename Function>
DriverCall<Function> EntryAs(DriverEntryIndex index)
{
    return DriverCall<Function>(index);
}

// The driver's file name for this machine type, named once for the whole
// build (MORAVEL_DRIVER_FILE in CMakeLists.txt), where the simulated driver
// takes it too: "nvapi.dll" for 32-bit code, "nvapi64.dll" for 64-bit. Under
// WOW64 a 32-bit process's system folder is the 32-bit one, where the driver
// keeps its 32-bit library.
const wchar_t DRIVER_FILE_NAME[] = L"" MORAVEL_DRIVER_FILE;

// GetProcAddress hands back a generic function type; going through the
// "any function" type keeps the cast explicit about what it is.
QueryInterfaceFunction FindQueryInterface(HMODULE library)
{
    FARPROC found = GetProcAddress(library, "nvapi_QueryInterface");
    return reinterpret_cast<QueryInterfaceFunction>(reinterpret_cast<DriverFunction>(found));
}

int AttemptInitialisation()
{
    // Never freed, also on failure: the driver stays loaded until the process ends.
    HMODULE library = LoadSystemLibrary(DRIVER_FILE_NAME);
    if (!library)
        return GPU_LIBRARY_NOT_FOUND;

    QueryInterfaceFunction queryInterface = FindQueryInterface(library);
    if (!queryInterface)
        return GPU_ERROR;

    auto initialize = reinterpret_cast<InitializeFunction>(queryInterface(INITIALIZE_ID));
    // The driver's own failure code is not passed on.
    if (!initialize || initialize() < 0)
        return GPU_ERROR;

    // From here on, entries the driver does not know answer "no implementation".
    unresolvedStatus = GPU_NO_IMPLEMENTATION;
    for (DriverEntry* entry = driverEntryTable; entry->interfaceId != 0; ++entry) {
        void* resolved = queryInterface(entry->interfaceId);
        if (resolved)
            entry->entryPoint = reinterpret_cast<DriverFunction>(resolved);
    }
    return GPU_OK;
}

} // namespace

extern "C" int __cdecl UnresolvedEntryStub()
{
    return unresolvedStatus;
}

int InitDriverInterface()
{
    ModuleLock lock;
    if (driverReady)
        return GPU_OK;
    // A failed attempt leaves the table alone, so the next call starts over.
    driverStatus = AttemptInitialisation();
    if (driverStatus == GPU_OK)
        driverReady = 1;
    return driverStatus;
}

int DriverGetErrorMessage(int status, char text[GPU_TEXT_BYTES])
{
    return EntryAs<ErrorMessageFunction>(ENTRY_ERROR_MESSAGE)(status, text);
}

int DriverGetInterfaceVersion(char text[GPU_TEXT_BYTES])
{
    return EntryAs<InterfaceVersionFunction>(ENTRY_INTERFACE_VERSION)(text);
}

int DriverEnumPhysicalGpus(GpuHandle handles[GPU_MAX_PROCESSORS], uint32_t* count)
{
    return EntryAs<EnumPhysicalGpusFunction>(ENTRY_ENUM_PHYSICAL_GPUS)(handles, count);
}

int DriverGetPropertyA(GpuHandle gpu, uint32_t* value)
{
    return EntryAs<GpuValueFunction>(ENTRY_PROPERTY_A)(gpu, value);
}

int DriverGetFullName(GpuHandle gpu, char name[GPU_TEXT_BYTES])
{
    return EntryAs<GpuTextFunction>(ENTRY_FULL_NAME)(gpu, name);
}

int DriverGetPropertyB(GpuHandle gpu, uint32_t* value)
{
    return EntryAs<GpuValueFunction>(ENTRY_PROPERTY_B)(gpu, value);
}

int DriverGetPropertyC(GpuHandle gpu, uint32_t* value)
{
    return EntryAs<GpuValueFunction>(ENTRY_PROPERTY_C)(gpu, value);
}

int DriverGetThermalSettings(GpuHandle gpu, uint32_t sensor, ThermalSettings* settings)
{
    return EntryAs<ThermalSettingsFunction>(ENTRY_THERMAL_SETTINGS)(gpu, sensor, settings);
}

int DriverGetChipsetInfo(ChipsetInfo* info)
{
    return EntryAs<ChipsetInfoFunction>(ENTRY_CHIPSET_INFO)(info);
}

int DriverGetBusId(GpuHandle gpu, uint32_t* bus)
{
    return EntryAs<GpuValueFunction>(ENTRY_BUS_ID)(gpu, bus);
}

int DriverGetBusSlotId(GpuHandle gpu, uint32_t* slot)
{
    return EntryAs<GpuValueFunction>(ENTRY_BUS_SLOT_ID)(gpu, slot);
}
