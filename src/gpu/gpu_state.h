// What the docklet knows about the driver and the first processors it reports.
#pragma once

#include <stdint.h>
#include <wchar.h>

enum {
    GPU_MAX_PROCESSORS = 64,
    GPU_TEXT_BYTES = 64, // driver texts: 63 characters and the terminator
};

// Opaque processor handle, pointer-sized as the driver hands it out.
typedef void* GpuHandle;

// The driver's chipset information record, version 3 (216 bytes).
struct ChipsetInfo {
    uint32_t version;
    uint8_t driverData[72];
    char chipsetName[GPU_TEXT_BYTES];
    uint8_t moreDriverData[12];
    char vendorName[GPU_TEXT_BYTES];
};
static_assert(sizeof(ChipsetInfo) == 216, "chipset record is 216 bytes");

const uint32_t CHIPSET_INFO_VERSION = 0x000300D8;

struct ThermalSensor {
    int32_t controller;
    int32_t defaultMinTemp;
    int32_t defaultMaxTemp;
    int32_t currentTemp;
    int32_t target;
};

// The driver's thermal record, version 1 (68 bytes).
struct ThermalSettings {
    uint32_t version;
    uint32_t count;
    ThermalSensor sensor[3];
};
static_assert(sizeof(ThermalSettings) == 68, "thermal record is 68 bytes");

const uint32_t THERMAL_SETTINGS_VERSION = 0x00010044;
const uint32_t THERMAL_SENSOR_ALL = 15;

enum GpuStatusCode {
    GPU_OK = 0,
    GPU_ERROR = -1,
    GPU_LIBRARY_NOT_FOUND = -2,
    GPU_NO_IMPLEMENTATION = -3,
    GPU_NOT_INITIALIZED = -4,
    GPU_HANDLE_INVALIDATED = -10, // the driver was reset or updated: its processors must be listed again
};

// A sample of the history taken while the processor slept: nothing was read,
// and the graph draws no bar for it. A reading of that value is kept one
// above, which draws the same as it would.
const int SAMPLE_ASLEEP = -2147483647 - 1;

struct GpuState {
    int32_t gpuStatus;
    wchar_t interfaceVersion[GPU_TEXT_BYTES];
    ChipsetInfo chipsetInfo;
    uint32_t gpuCount;
    GpuHandle gpuHandles[GPU_MAX_PROCESSORS];
    wchar_t gpuNames[GPU_MAX_PROCESSORS][GPU_TEXT_BYTES];
    uint32_t gpuPropertyA[GPU_MAX_PROCESSORS];
    uint32_t gpuPropertyB[GPU_MAX_PROCESSORS];
    uint32_t gpuPropertyC[GPU_MAX_PROCESSORS];
};

struct GpuDevice;

// What the sensor keeps between refreshes besides the driver's answers.
struct GpuWatch {
    GpuDevice* device;   // processor 0's display device; null: its power state is not known
    uint32_t lastSearch; // GetTickCount when the driver was last started or the processors last listed
    int asleep;          // the last refresh found the processor asleep and asked the driver nothing
};
