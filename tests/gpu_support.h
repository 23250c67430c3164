// Docklets in front of the simulated driver: every test case runs in a
// process of its own, so each one starts with the driver interface unloaded.
#pragma once

#include <string>
#include <vector>

#include "harness.h"
#include "record.h"
#include "system_fakes.h"

namespace gpu_test {

enum class Library { None, Simulated, WithoutLookup };

const char* const DEGREE = "\xB0";

class GpuTest : public harness::DockTest {
protected:
    // Loads the library a case asks for, before the first docklet.
    static void UseLibrary(Library library, const std::string& scenario = "")
    {
        if (library == Library::Simulated) {
            ASSERT_TRUE(UseSimulatedDriver(scenario));
            ASSERT_EQ(CallCount("errors"), 0) << "scenario not understood:\n" << scenario;
        } else if (library == Library::WithoutLookup) {
            ASSERT_TRUE(dockhost::UseDriverLibrary(dockhost::BuiltSimulatedDriver(L"simgpu-nolookup")));
        }
    }

    // How often the simulated driver saw something; -1 without it.
    static int CallCount(const char* what)
    {
        return harness::DriverCallCount(what);
    }

    // Every call the simulated driver received, lookups included.
    static int AllDriverCalls()
    {
        static const char* const FUNCTIONS[] = {"query",     "init",      "message", "version", "enum",
                                                "propertyA", "name",      "propertyB", "propertyC", "thermal",
                                                "chipset",   "bus",       "slot"};
        int calls = 0;
        for (const char* function : FUNCTIONS)
            calls += CallCount(function);
        return calls;
    }

    // The module's device list and clock are the test's from now on: no
    // devices, and a clock that moves only when told to.
    void FakeSystem(DWORD startTicks = 100000)
    {
        HMODULE module = GetDock().Module();
        ASSERT_TRUE(dockhost::FakeDeviceList(module)) << "the module imports no device-list function";
        ASSERT_TRUE(dockhost::FakeTickCount(module)) << "the module does not import GetTickCount";
        dockhost::SetFakeDevices({});
        dockhost::SetFakeTickCount(startTicks);
    }

    std::vector<int> Samples(dockhost::Docklet* docklet) { return record::Samples(docklet); }

    // A docklet whose settings set LabelData.
    dockhost::Docklet* CreateWithLabel(int labelData)
    {
        return CreateWith({{"LabelData", std::to_string(labelData)}});
    }
};

} // namespace gpu_test
