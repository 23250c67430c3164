// bench_sleep: what the docklet asks of the driver over an hour with the
// processor asleep and over an hour with it working, and what one question
// about the power state costs beside one reading.
//
//   bench_sleep [--seconds N] [--rounds N]
//
// The hour is simulated: the module's clock and device list are the bench's
// (tools/dockhost/system_fakes.h), the processor sits where the simulated
// driver puts it, and each second is one timer tick as the dock delivers
// it. The driver's calls are counted by the simulated driver. The costs are
// timed in this process: the system's own power query on its first display
// adapter (what the module asks each second; Wine keeps no power data, so it
// answers at once with a failure), the simulated driver's thermal reading
// (a real driver's reading also wakes the processor, which no timing here
// shows), and one refresh of a docklet that draws no icon, asleep and awake.
// It prints figures and judges nothing.
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>
#include <wchar.h>

#include <vector>

#include "bench_support.h"
#include "core/docklet.h"
#include "dock.h"
#include "host_services.h"
#include "record.h"
#include "system_fakes.h"

namespace {

using bench::Figures;
using bench::Now;
using bench::Summarise;

const GUID DISPLAY_CLASS = {0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const int POWER_D0 = 1, POWER_D3 = 4;

const char* const DRIVER_FUNCTIONS[] = {"query",     "init",      "message", "version", "enum",  "propertyA", "name",
                                        "propertyB", "propertyC", "thermal", "chipset", "bus",   "slot"};

typedef int(__cdecl* CountFunction)(const char*);
typedef void*(__cdecl* QueryFunction)(unsigned);
typedef int(__cdecl* ThermalFunction)(void*, unsigned, void*);
typedef int(__cdecl* EnumFunction)(void**, unsigned*);

struct DriverCalls {
    int all = 0;
    int readings = 0;
};

DriverCalls CountDriverCalls(CountFunction count)
{
    DriverCalls calls;
    for (const char* function : DRIVER_FUNCTIONS)
        calls.all += count(function);
    calls.readings = count("thermal");
    return calls;
}

struct Hour {
    DriverCalls driver;
    dockhost::FakeDeviceCalls devices;
    std::vector<double> refreshes;
};

// `seconds` ticks, each a second later on the module's clock.
Hour RunHour(dockhost::Dock& dock, dockhost::Docklet* docklet, CountFunction count, int powerState, int seconds)
{
    dockhost::SetFakePowerState(1, powerState);
    const DriverCalls before = CountDriverCalls(count);
    dockhost::ForgetDeviceCalls();
    Hour hour;
    for (int second = 0; second < seconds; ++second) {
        dockhost::AdvanceFakeTickCount(1000);
        dockhost::Services().calls.clear();
        const double start = Now();
        dock.Entry().OnProcessMessage(docklet->instance, docklet->hwnd, WM_TIMER, REFRESH_TIMER_ID, 0);
        hour.refreshes.push_back(Now() - start);
    }
    const DriverCalls after = CountDriverCalls(count);
    hour.driver.all = after.all - before.all;
    hour.driver.readings = after.readings - before.readings;
    hour.devices = dockhost::DeviceCalls();
    return hour;
}

// The system's power query on its first display adapter, as the module asks it.
std::vector<double> TimePowerQueries(int rounds, bool& answered)
{
    std::vector<double> times;
    answered = false;
    HDEVINFO set = SetupDiGetClassDevsW(&DISPLAY_CLASS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return times;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (SetupDiEnumDeviceInfo(set, 0, &device)) {
        for (int i = 0; i < rounds; ++i) {
            CM_POWER_DATA power = {};
            DWORD type = 0;
            const double start = Now();
            answered = SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_DEVICE_POWER_DATA, &type,
                                                         reinterpret_cast<BYTE*>(&power), sizeof power, nullptr);
            times.push_back(Now() - start);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return times;
}

// One thermal reading of the simulated driver's first processor.
std::vector<double> TimeReadings(HMODULE driver, int rounds)
{
    std::vector<double> times;
    auto query = reinterpret_cast<QueryFunction>(reinterpret_cast<void*>(GetProcAddress(driver, "nvapi_QueryInterface")));
    if (!query)
        return times;
    auto enumerate = reinterpret_cast<EnumFunction>(query(0xE5AC921F));
    auto thermal = reinterpret_cast<ThermalFunction>(query(0xE3640A56));
    void* handles[64] = {};
    unsigned count = 0;
    if (!enumerate || !thermal || enumerate(handles, &count) != 0 || count == 0)
        return times;
    for (int i = 0; i < rounds; ++i) {
        unsigned record[17] = {0x00010044};
        const double start = Now();
        thermal(handles[0], 15, record);
        times.push_back(Now() - start);
    }
    return times;
}

void PrintHour(const char* name, const Hour& hour, int seconds)
{
    const Figures refresh = Summarise(hour.refreshes);
    printf("%-7s %6d s: driver calls %d (readings %d, other %d); device lists %d, power queries %d; "
           "refresh median %.3f ms, p95 %.3f ms\n",
           name, seconds, hour.driver.all, hour.driver.readings, hour.driver.all - hour.driver.readings,
           hour.devices.lists, hour.devices.powerQueries, refresh.median, refresh.p95);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int seconds = 3600, rounds = 2000;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--seconds") == 0 && i + 1 < argc) {
            seconds = _wtoi(argv[++i]);
        } else if (wcscmp(argv[i], L"--rounds") == 0 && i + 1 < argc) {
            rounds = _wtoi(argv[++i]);
        } else {
            fwprintf(stderr, L"usage: bench_sleep [--seconds N] [--rounds N]\n");
            return 2;
        }
    }

    dockhost::Dock dock;
    if (!bench::UseDemoDriver()) {
        fwprintf(stderr, L"bench_sleep: cannot load the simulated driver\n");
        return 1;
    }
    if (!bench::LoadModule(dock, "bench_sleep"))
        return 1;
    HMODULE driver = GetModuleHandleW(dockhost::DriverFileName());
    auto count = reinterpret_cast<CountFunction>(reinterpret_cast<void*>(GetProcAddress(driver, "SimGpu_CallCount")));
    if (!count || !dockhost::FakeDeviceList(dock.Module()) || !dockhost::FakeTickCount(dock.Module())) {
        fwprintf(stderr, L"bench_sleep: cannot count the driver's calls or fake the module's device list\n");
        return 1;
    }
    // The processor's own graphics, and the simulated processor on bus 1, slot 0.
    dockhost::SetFakeDevices({{0, 2 << 16, POWER_D0}, {1, 0, POWER_D0}});
    dockhost::SetFakeTickCount(1000000);
    dockhost::Docklet* docklet = bench::AddDocklet(dock, "bench_sleep");
    if (!docklet)
        return 1;
    // No icon is drawn: the refresh's figures are the sensor's and the label's.
    record::ChangeSettings(docklet, {{"DockletData", "0"}});

    const Hour asleep = RunHour(dock, docklet, count, POWER_D3, seconds);
    const Hour awake = RunHour(dock, docklet, count, POWER_D0, seconds);
    printf("bench_sleep: one docklet, a refresh a second on the module's clock\n");
    PrintHour("asleep", asleep, seconds);
    PrintHour("awake", awake, seconds);

    bool answered = false;
    const Figures power = Summarise(TimePowerQueries(rounds, answered));
    const Figures reading = Summarise(TimeReadings(driver, rounds));
    printf("one power-state query (the system's, first display adapter%s): median %.4f ms, p95 %.4f ms\n",
           answered ? "" : ", no power data", power.median, power.p95);
    printf("one reading (the simulated driver's): median %.4f ms, p95 %.4f ms\n", reading.median, reading.p95);
    dock.RemoveAll(false);
    return 0;
}
