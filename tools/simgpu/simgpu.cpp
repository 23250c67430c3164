// simgpu: a stand-in for the NVIDIA driver interface library. It answers the
// docklet's lookups and calls from a scenario and counts every call, so that
// the docklet can be run and tested on machines without the driver.
//
// MORAVEL_SIMGPU names a scenario file, or a built-in scenario (see
// BUILT_IN_SCENARIOS); unset means "demo". One directive per line; lines
// whose first non-blank character is '#' are comments:
//
//   gpus N                    processors reported; above 64 the count says N
//                             and 64 handles are written
//   name I TEXT               full name of processor I
//   properties I A B C        the three 32-bit values of processor I
//   bus I N                   PCI bus number of processor I (default I + 1)
//   slot I N                  PCI device number ("slot") of processor I
//                             (default 0)
//   version TEXT              interface version text
//   chipset TEXT              chipset name
//   vendor TEXT               sub-system vendor name
//   temperature N             every reading is N
//   temperatures A B C ...    the n-th thermal call reads the n-th value; the
//                             last one repeats
//   curve MIN MAX SECONDS     a smooth swing between MIN and MAX, one period
//                             in SECONDS, timed from the first call
//   sensors N                 sensor count that thermal answers report (any
//                             32-bit count; at most 3 sensors are written)
//   unknown ID|FUNCTION ...   interface ids the lookup does not know
//   status FUNCTION CODE [at N | from N | until N]
//                             what FUNCTION returns: always, on its N-th call
//                             only, from its N-th call on, or on its first N
//                             calls (later lines win)
//   stale N                   after the N-th thermal call, every processor
//                             handle handed out so far answers -10 ("handle
//                             invalidated", as after a driver reset); the next
//                             enumeration hands out new ones
//   message CODE TEXT         the error-message text written for CODE
//   filler HH                 the byte (hex) that fills each text's 64 bytes
//                             after its terminator; without it nothing is
//                             written there
//   latency MS                every call (lookups included) takes MS
//                             milliseconds, so that calls from several
//                             threads that are not kept apart meet inside
//
// FUNCTION is one of init, message, version, enum, propertyA, name,
// propertyB, propertyC, thermal, chipset, bus, slot. TEXT is the rest of
// the line; one of 64 characters or more fills all 64 bytes with no
// terminator. A TEXT written as "hex:" and pairs of hex digits is those
// bytes, any byte allowed (hex:41004243 is 'A', 0, 'B', 'C'). A function
// that returns a non-zero status writes nothing.
//
// SimGpu_Load(TEXT) replaces the scenario with the demo's defaults and the
// scenario text TEXT (null: the demo alone), forgets every count and restarts
// the curve's clock; it answers the number of lines not understood. A host
// can so change the driver's answers within one process.
//
// SimGpu_CallCount(KEY) answers how often something happened, -1 for an
// unknown key:
//   "query"            lookups through nvapi_QueryInterface
//   "query:ID"         lookups of one id (hex, 0x optional)
//   FUNCTION           calls of that function, failing ones included
//   FUNCTION:I         calls about processor I
//   "rejected"         calls refused for a bad argument (handle, version
//                      word, sensor selector, null pointer)
//   "errors"           scenario lines not understood
//   "overlaps"         calls that began while another call, from another
//                      thread, was still inside the driver (the real one
//                      documents no thread safety)
#include <windows.h>

#include <errno.h>
#include <limits.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum Function {
    F_INIT,
    F_MESSAGE,
    F_VERSION,
    F_ENUM,
    F_PROPERTY_A,
    F_NAME,
    F_PROPERTY_B,
    F_PROPERTY_C,
    F_THERMAL,
    F_CHIPSET,
    F_BUS,
    F_SLOT,
    FUNCTION_COUNT
};

struct FunctionInfo {
    const char* name;
    uint32_t id;
};

const FunctionInfo FUNCTIONS[FUNCTION_COUNT] = {
    {"init", 0x0150E828},      {"message", 0x6C2D048C},   {"version", 0x01053FA5}, {"enum", 0xE5AC921F},
    {"propertyA", 0xBAAABFCC}, {"name", 0xCEEE8E9F},      {"propertyB", 0xC33BAEB1},
    {"propertyC", 0x1BB18724}, {"thermal", 0xE3640A56},   {"chipset", 0x53DABBCA}, {"bus", 0x1BE0B8E5},
    {"slot", 0x2A0A350F},
};

const size_t TEXT_BYTES = 64;
const uint32_t MAX_HANDLES = 64;
const uint32_t MAX_SENSORS = 3;

// The simulation's own failure codes for calls it refuses.
const int STATUS_ERROR = -1;
const int STATUS_INVALID_ARGUMENT = -5;
const int STATUS_INCOMPATIBLE_VERSION = -9;
const int STATUS_HANDLE_INVALIDATED = -10;

// Record layouts, written by byte offset as the driver defines them.
const uint32_t THERMAL_VERSION = 0x00010044;
const size_t THERMAL_BYTES = 68;
const size_t THERMAL_COUNT_AT = 4;
const size_t THERMAL_SENSORS_AT = 8;
const size_t THERMAL_SENSOR_BYTES = 20;
const uint32_t THERMAL_SENSOR_ALL = 15;
const uint32_t CHIPSET_VERSION = 0x000300D8;
const size_t CHIPSET_BYTES = 216;
const size_t CHIPSET_NAME_AT = 76;
const size_t CHIPSET_VENDOR_AT = 152;

// Handles use the upper half of a 64-bit value, so a caller that cuts them to
// 32 bits hands back a handle this driver refuses.
#ifdef _WIN64
const uintptr_t HANDLE_BASE = 0x5A17000000001000ull;
#else
const uintptr_t HANDLE_BASE = 0x5A171000u;
#endif
const uintptr_t HANDLE_STEP = 0x10;
// Each enumeration after the handles went stale hands out the next generation.
const uintptr_t GENERATION_STEP = 0x1000;

const double PI = 3.14159265358979323846;

struct BuiltInScenario {
    const char* name;
    const char* text;
};

const char DEMO[] =
    "name 0 GeForce GTX Simulated\n"
    "version Simulated driver interface 1.0\n"
    "chipset GeForce GTX Simulated\n"
    "vendor Moravel Labs\n"
    "curve 35 80 60\n";

const BuiltInScenario BUILT_IN_SCENARIOS[] = {
    {"demo", DEMO},
    {"init-fails", "status init -5\n"},     // label: no driver (no message entry yet)
    {"sensor-fails", "status name -1\n"},   // label: the driver's message for -1
    {"no-reading", "status thermal -1\n"},  // label: a reading of -1
};

enum TemperatureMode { CONSTANT, LIST, CURVE };

struct StatusRule {
    Function function;
    int status;
    long long firstCall;
    long long lastCall;
};

struct Scenario {
    uint32_t gpuCount = 1;
    std::map<uint32_t, std::string> names;
    std::map<uint32_t, std::vector<uint32_t>> properties;
    std::map<uint32_t, uint32_t> buses;
    std::map<uint32_t, uint32_t> slots;
    long long staleAfter = 0; // 0: the handles never go stale
    std::string version;
    std::string chipset;
    std::string vendor;
    TemperatureMode mode = CURVE;
    long long constant = 0;
    std::vector<long long> list;
    long long curveMin = 35;
    long long curveMax = 80;
    long long curveSeconds = 60;
    uint32_t sensors = 1;
    int filler = -1; // -1: nothing written after a text's terminator
    std::vector<uint32_t> unknownIds;
    std::vector<StatusRule> rules;
    std::map<long long, std::string> messages;
    DWORD latency = 0;
    int errors = 0;
};

struct Simulation {
    Scenario scenario;
    DWORD startTick = 0;
    long long queries = 0;
    std::map<uint32_t, long long> queriesById;
    long long calls[FUNCTION_COUNT] = {};
    std::map<std::pair<int, uint32_t>, long long> processorCalls;
    long long rejected = 0;
    uintptr_t generation = 0;      // of the handles the enumeration hands out
    uintptr_t firstValid = 0;      // handles of older generations answer -10
};

// 64-bit, so that 32-bit values with the top bit set come through whole.
bool ParseNumber(const std::string& token, long long& value, int base = 0)
{
    if (token.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = strtoll(token.c_str(), &end, base);
    return *end == 0 && errno == 0;
}

// Ids are unsigned 32-bit; strtoul keeps the top bit.
bool ParseId(const std::string& token, uint32_t& id)
{
    if (token.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long value = strtoull(token.c_str(), &end, 16);
    id = static_cast<uint32_t>(value);
    return *end == 0 && errno == 0 && value <= 0xFFFFFFFFull;
}

bool FindFunction(const std::string& name, Function& function)
{
    for (int f = 0; f < FUNCTION_COUNT; ++f) {
        if (name == FUNCTIONS[f].name) {
            function = static_cast<Function>(f);
            return true;
        }
    }
    return false;
}

std::string RestOfLine(std::istringstream& in)
{
    std::string rest;
    std::getline(in >> std::ws, rest);
    return rest;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The rest of the line as a driver text: plain, or "hex:" and byte pairs.
bool TextOf(std::istringstream& in, std::string& text)
{
    text = RestOfLine(in);
    const std::string prefix = "hex:";
    if (text.compare(0, prefix.size(), prefix) != 0)
        return true;
    std::string bytes;
    for (size_t i = prefix.size(); i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    text = bytes;
    return true;
}

bool ParseStatus(std::istringstream& in, Scenario& scenario)
{
    std::string name, code, when, call;
    in >> name >> code >> when >> call;
    StatusRule rule = {F_INIT, 0, 1, LLONG_MAX};
    long long value = 0;
    if (!FindFunction(name, rule.function) || !ParseNumber(code, value))
        return false;
    rule.status = static_cast<int>(value);
    if (!when.empty()) {
        long long n = 0;
        if (!ParseNumber(call, n) || n < 1 || (when != "at" && when != "from" && when != "until"))
            return false;
        rule.firstCall = when == "until" ? 1 : n;
        rule.lastCall = when == "from" ? LLONG_MAX : n;
    }
    scenario.rules.push_back(rule);
    return true;
}

bool ParseLine(const std::string& line, Scenario& scenario)
{
    std::istringstream in(line);
    std::string directive;
    in >> directive;
    long long a = 0, b = 0, c = 0, d = 0;
    if (directive == "gpus") {
        std::string count = RestOfLine(in);
        if (!ParseNumber(count, a) || a < 0)
            return false;
        scenario.gpuCount = static_cast<uint32_t>(a);
    } else if (directive == "name") {
        std::string index;
        in >> index;
        if (!ParseNumber(index, a) || a < 0)
            return false;
        return TextOf(in, scenario.names[static_cast<uint32_t>(a)]);
    } else if (directive == "properties") {
        std::string index, first, second, third;
        in >> index >> first >> second >> third;
        if (!ParseNumber(index, a) || a < 0 || !ParseNumber(first, b) || !ParseNumber(second, c) ||
            !ParseNumber(third, d))
            return false;
        scenario.properties[static_cast<uint32_t>(a)] = {static_cast<uint32_t>(b), static_cast<uint32_t>(c),
                                                         static_cast<uint32_t>(d)};
    } else if (directive == "bus" || directive == "slot") {
        std::string index, number;
        in >> index >> number;
        if (!ParseNumber(index, a) || a < 0 || !ParseNumber(number, b) || b < 0 || b > 0xFFFFFFFFll)
            return false;
        (directive == "bus" ? scenario.buses : scenario.slots)[static_cast<uint32_t>(a)] = static_cast<uint32_t>(b);
    } else if (directive == "stale") {
        if (!ParseNumber(RestOfLine(in), a) || a < 1)
            return false;
        scenario.staleAfter = a;
    } else if (directive == "version") {
        return TextOf(in, scenario.version);
    } else if (directive == "chipset") {
        return TextOf(in, scenario.chipset);
    } else if (directive == "vendor") {
        return TextOf(in, scenario.vendor);
    } else if (directive == "temperature") {
        if (!ParseNumber(RestOfLine(in), a))
            return false;
        scenario.mode = CONSTANT;
        scenario.constant = a;
    } else if (directive == "temperatures") {
        std::vector<long long> list;
        std::string word;
        while (in >> word) {
            if (!ParseNumber(word, a))
                return false;
            list.push_back(a);
        }
        if (list.empty())
            return false;
        scenario.mode = LIST;
        scenario.list = list;
    } else if (directive == "curve") {
        std::string low, high, seconds;
        in >> low >> high >> seconds;
        if (!ParseNumber(low, a) || !ParseNumber(high, b) || !ParseNumber(seconds, c) || c < 1)
            return false;
        scenario.mode = CURVE;
        scenario.curveMin = a;
        scenario.curveMax = b;
        scenario.curveSeconds = c;
    } else if (directive == "sensors") {
        if (!ParseNumber(RestOfLine(in), a) || a < 0 || a > 0xFFFFFFFFll)
            return false;
        scenario.sensors = static_cast<uint32_t>(a);
    } else if (directive == "unknown") {
        std::string word;
        bool any = false;
        while (in >> word) {
            Function function;
            uint32_t id = 0;
            if (FindFunction(word, function))
                id = FUNCTIONS[function].id;
            else if (!ParseId(word, id))
                return false;
            scenario.unknownIds.push_back(id);
            any = true;
        }
        return any;
    } else if (directive == "status") {
        return ParseStatus(in, scenario);
    } else if (directive == "message") {
        std::string code;
        in >> code;
        if (!ParseNumber(code, a))
            return false;
        return TextOf(in, scenario.messages[a]);
    } else if (directive == "latency") {
        if (!ParseNumber(RestOfLine(in), a) || a < 0 || a > 10000)
            return false;
        scenario.latency = static_cast<DWORD>(a);
    } else if (directive == "filler") {
        std::string byte = RestOfLine(in);
        if (byte.size() != 2 || HexDigit(byte[0]) < 0 || HexDigit(byte[1]) < 0)
            return false;
        scenario.filler = HexDigit(byte[0]) * 16 + HexDigit(byte[1]);
    } else {
        return false;
    }
    return true;
}

void ParseScenario(const std::string& text, Scenario& scenario)
{
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        size_t begin = line.find_first_not_of(" \t");
        size_t end = line.find_last_not_of(" \t\r");
        if (begin == std::string::npos || line[begin] == '#')
            continue;
        line = line.substr(begin, end - begin + 1);
        if (!ParseLine(line, scenario)) {
            ++scenario.errors;
            fprintf(stderr, "simgpu: scenario line %d not understood: %s\n", number, line.c_str());
        }
    }
}

bool ReadScenarioFile(const char* path, std::string& text)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    FILE* file = fopen(path, "rb");
    if (!file)
        return false;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    fclose(file);
    return true;
}

const char* FindBuiltIn(const char* name)
{
    for (const BuiltInScenario& scenario : BUILT_IN_SCENARIOS) {
        if (_stricmp(name, scenario.name) == 0)
            return scenario.text;
    }
    return nullptr;
}

// The defaults are the demo's; a scenario changes only what it names.
void LoadScenario(Simulation& sim)
{
    Scenario& scenario = sim.scenario;
    ParseScenario(DEMO, scenario);

    char value[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("MORAVEL_SIMGPU", value, sizeof value);
    if (length == 0)
        return;
    std::string text;
    const char* builtIn = nullptr;
    if (length < sizeof value && ReadScenarioFile(value, text)) {
        ParseScenario(text, scenario);
    } else if (length < sizeof value && (builtIn = FindBuiltIn(value)) != nullptr) {
        ParseScenario(builtIn, scenario);
    } else {
        ++scenario.errors;
        fprintf(stderr, "simgpu: no scenario file or built-in scenario named %s; playing demo\n", value);
    }
}

// Calls from several threads are counted when they meet, then taken one at a
// time, so that the simulation's own state stays whole whoever calls.
volatile LONG callsInside = 0;
volatile LONG overlappingCalls = 0;
volatile LONG simulationBusy = 0;

class SimulationLock {
public:
    SimulationLock()
    {
        while (InterlockedExchange(&simulationBusy, 1) != 0)
            Sleep(0);
    }
    ~SimulationLock() { InterlockedExchange(&simulationBusy, 0); }
    SimulationLock(const SimulationLock&) = delete;
    SimulationLock& operator=(const SimulationLock&) = delete;
};

Simulation*& TheSimulation()
{
    static Simulation* sim = nullptr;
    return sim;
}

// Loaded at the first call, so the environment may be set after loading.
Simulation& Sim()
{
    Simulation*& sim = TheSimulation();
    if (!sim) {
        sim = new Simulation();
        sim->startTick = GetTickCount();
        LoadScenario(*sim);
    }
    return *sim;
}

// Counts the call and returns the status the scenario scripts for it.
int ScriptedStatus(Function function)
{
    Simulation& sim = Sim();
    const long long call = ++sim.calls[function];
    int status = 0;
    for (const StatusRule& rule : sim.scenario.rules) {
        if (rule.function == function && call >= rule.firstCall && call <= rule.lastCall)
            status = rule.status;
    }
    return status;
}

int Reject(int status = STATUS_INVALID_ARGUMENT)
{
    ++Sim().rejected;
    return status;
}

uint32_t HandleCount()
{
    uint32_t count = Sim().scenario.gpuCount;
    return count < MAX_HANDLES ? count : MAX_HANDLES;
}

void* HandleOf(uint32_t index)
{
    return reinterpret_cast<void*>(HANDLE_BASE + Sim().generation * GENERATION_STEP + index * HANDLE_STEP);
}

// The processor a handle of any generation names; `stale` when the handle
// is of a generation before the last reset.
bool ProcessorOf(void* handle, uint32_t& index, bool& stale)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value < HANDLE_BASE)
        return false;
    const uintptr_t generation = (value - HANDLE_BASE) / GENERATION_STEP;
    const uintptr_t offset = (value - HANDLE_BASE) % GENERATION_STEP;
    if (generation > Sim().generation || offset % HANDLE_STEP != 0 || offset / HANDLE_STEP >= HandleCount())
        return false;
    index = static_cast<uint32_t>(offset / HANDLE_STEP);
    stale = generation < Sim().firstValid;
    return true;
}

// A text of 64 characters or more fills the buffer with no terminator.
void WriteText(char* target, const std::string& text)
{
    size_t n = text.size() < TEXT_BYTES ? text.size() : TEXT_BYTES;
    memcpy(target, text.data(), n);
    if (n < TEXT_BYTES)
        target[n] = 0;
    const int filler = Sim().scenario.filler;
    if (filler >= 0 && n + 1 < TEXT_BYTES)
        memset(target + n + 1, filler, TEXT_BYTES - n - 1);
}

void WriteInt(void* record, size_t offset, int32_t value)
{
    memcpy(static_cast<char*>(record) + offset, &value, sizeof value);
}

uint32_t VersionWord(const void* record)
{
    uint32_t version;
    memcpy(&version, record, sizeof version);
    return version;
}

std::string NameOf(uint32_t index)
{
    auto named = Sim().scenario.names.find(index);
    if (named != Sim().scenario.names.end())
        return named->second;
    return "GeForce GTX Simulated #" + std::to_string(index);
}

uint32_t PropertyOf(uint32_t index, int which)
{
    auto found = Sim().scenario.properties.find(index);
    if (found != Sim().scenario.properties.end())
        return found->second[which];
    return 0x10DE0000u + index * 16 + static_cast<uint32_t>(which);
}

int TemperatureForCall(long long call)
{
    const Scenario& scenario = Sim().scenario;
    switch (scenario.mode) {
    case CONSTANT:
        return static_cast<int>(scenario.constant);
    case LIST: {
        size_t n = static_cast<size_t>(call - 1);
        return static_cast<int>(scenario.list[n < scenario.list.size() ? n : scenario.list.size() - 1]);
    }
    case CURVE:
        break;
    }
    const double seconds = static_cast<DWORD>(GetTickCount() - Sim().startTick) / 1000.0;
    const double middle = (scenario.curveMin + scenario.curveMax) / 2.0;
    const double swing = (scenario.curveMax - scenario.curveMin) / 2.0;
    return static_cast<int>(lround(middle + swing * sin(2.0 * PI * seconds / scenario.curveSeconds)));
}

std::string MessageFor(int status)
{
    auto found = Sim().scenario.messages.find(status);
    if (found != Sim().scenario.messages.end())
        return found->second;
    if (status == 0)
        return "Success";
    if (status == STATUS_ERROR)
        return "Simulated driver error";
    return "Simulated driver status " + std::to_string(status);
}

DWORD Latency()
{
    return Sim().scenario.latency;
}

// One call into the driver, from its start to its return.
class DriverCall {
public:
    DriverCall()
    {
        if (InterlockedIncrement(&callsInside) > 1)
            InterlockedIncrement(&overlappingCalls);
    }
    ~DriverCall() { InterlockedDecrement(&callsInside); }
    DriverCall(const DriverCall&) = delete;
    DriverCall& operator=(const DriverCall&) = delete;
};

// Nothing may throw into the caller: the docklet calls these directly.
template <typename Body>
int Guarded(Body body)
{
    DriverCall call;
    SimulationLock lock;
    try {
        Sleep(Latency());
        return body();
    } catch (...) {
        return STATUS_ERROR;
    }
}

// Processor calls: scripted status first, then the handle.
template <typename Write>
int ProcessorCall(Function function, void* handle, const void* out, Write write)
{
    return Guarded([&]() {
        const int status = ScriptedStatus(function);
        uint32_t index = 0;
        bool stale = false;
        const bool known = ProcessorOf(handle, index, stale);
        if (known)
            ++Sim().processorCalls[{function, index}];
        if (status != 0)
            return status;
        if (known && stale)
            return STATUS_HANDLE_INVALIDATED;
        if (!known || !out)
            return Reject();
        return write(index);
    });
}

// A call that writes one 32-bit value about a processor.
int ProcessorValue(Function function, void* handle, uint32_t* value, uint32_t (*valueOf)(uint32_t index))
{
    return ProcessorCall(function, handle, value, [&](uint32_t index) {
        *value = valueOf(index);
        return 0;
    });
}

uint32_t BusOf(uint32_t index)
{
    auto found = Sim().scenario.buses.find(index);
    return found != Sim().scenario.buses.end() ? found->second : index + 1;
}

uint32_t SlotOf(uint32_t index)
{
    auto found = Sim().scenario.slots.find(index);
    return found != Sim().scenario.slots.end() ? found->second : 0;
}

// Calls about no processor: scripted status first, then the output.
template <typename Write>
int PlainCall(Function function, const void* out, Write write)
{
    return Guarded([&]() {
        const int status = ScriptedStatus(function);
        if (status != 0)
            return status;
        if (!out)
            return Reject();
        return write();
    });
}

int __cdecl SimInitialize()
{
    return Guarded([]() { return ScriptedStatus(F_INIT); });
}

int __cdecl SimErrorMessage(int status, char* text)
{
    return PlainCall(F_MESSAGE, text, [&]() {
        WriteText(text, MessageFor(status));
        return 0;
    });
}

int __cdecl SimInterfaceVersion(char* text)
{
    return PlainCall(F_VERSION, text, [&]() {
        WriteText(text, Sim().scenario.version);
        return 0;
    });
}

int __cdecl SimEnumPhysicalGpus(void** handles, uint32_t* count)
{
    return PlainCall(F_ENUM, handles && count ? handles : nullptr, [&]() {
        Simulation& sim = Sim();
        if (sim.generation < sim.firstValid)
            sim.generation = sim.firstValid;
        for (uint32_t i = 0; i < HandleCount(); ++i)
            handles[i] = HandleOf(i);
        *count = Sim().scenario.gpuCount;
        return 0;
    });
}

int __cdecl SimFullName(void* gpu, char* text)
{
    return ProcessorCall(F_NAME, gpu, text, [&](uint32_t index) {
        WriteText(text, NameOf(index));
        return 0;
    });
}

int __cdecl SimPropertyA(void* gpu, uint32_t* value)
{
    return ProcessorValue(F_PROPERTY_A, gpu, value, [](uint32_t index) { return PropertyOf(index, 0); });
}

int __cdecl SimPropertyB(void* gpu, uint32_t* value)
{
    return ProcessorValue(F_PROPERTY_B, gpu, value, [](uint32_t index) { return PropertyOf(index, 1); });
}

int __cdecl SimPropertyC(void* gpu, uint32_t* value)
{
    return ProcessorValue(F_PROPERTY_C, gpu, value, [](uint32_t index) { return PropertyOf(index, 2); });
}

int ThermalAnswer(void* gpu, uint32_t sensor, void* record)
{
    return ProcessorCall(F_THERMAL, gpu, record, [&](uint32_t) {
        if (VersionWord(record) != THERMAL_VERSION)
            return Reject(STATUS_INCOMPATIBLE_VERSION);
        if (sensor != THERMAL_SENSOR_ALL)
            return Reject();
        const uint32_t sensors = Sim().scenario.sensors;
        const uint32_t written = sensors < MAX_SENSORS ? sensors : MAX_SENSORS;
        const int temperature = TemperatureForCall(Sim().calls[F_THERMAL]);
        memset(static_cast<char*>(record) + THERMAL_COUNT_AT, 0, THERMAL_BYTES - THERMAL_COUNT_AT);
        WriteInt(record, THERMAL_COUNT_AT, static_cast<int32_t>(sensors));
        for (uint32_t i = 0; i < written; ++i) {
            // controller, default minimum, default maximum, current, target
            const int32_t values[5] = {1, 0, 127, temperature, 1};
            for (size_t v = 0; v < 5; ++v)
                WriteInt(record, THERMAL_SENSORS_AT + i * THERMAL_SENSOR_BYTES + v * 4, values[v]);
        }
        return 0;
    });
}

// After the scenario's reading the handles go stale, once.
void AgeHandles()
{
    Simulation& sim = Sim();
    if (sim.scenario.staleAfter && sim.calls[F_THERMAL] == sim.scenario.staleAfter)
        sim.firstValid = sim.generation + 1;
}

int __cdecl SimThermalSettings(void* gpu, uint32_t sensor, void* record)
{
    const int status = ThermalAnswer(gpu, sensor, record);
    AgeHandles();
    return status;
}

int __cdecl SimBusId(void* gpu, uint32_t* bus)
{
    return ProcessorValue(F_BUS, gpu, bus, [](uint32_t index) { return BusOf(index); });
}

int __cdecl SimBusSlotId(void* gpu, uint32_t* slot)
{
    return ProcessorValue(F_SLOT, gpu, slot, [](uint32_t index) { return SlotOf(index); });
}

int __cdecl SimChipsetInfo(void* record)
{
    return PlainCall(F_CHIPSET, record, [&]() {
        if (VersionWord(record) != CHIPSET_VERSION)
            return Reject(STATUS_INCOMPATIBLE_VERSION);
        // Filler around the texts shows any reader that runs past them.
        char* bytes = static_cast<char*>(record);
        memset(bytes + 4, '#', CHIPSET_BYTES - 4);
        WriteText(bytes + CHIPSET_NAME_AT, Sim().scenario.chipset);
        WriteText(bytes + CHIPSET_VENDOR_AT, Sim().scenario.vendor);
        return 0;
    });
}

void* FunctionFor(uint32_t id)
{
    void* functions[FUNCTION_COUNT] = {
        reinterpret_cast<void*>(&SimInitialize),       reinterpret_cast<void*>(&SimErrorMessage),
        reinterpret_cast<void*>(&SimInterfaceVersion), reinterpret_cast<void*>(&SimEnumPhysicalGpus),
        reinterpret_cast<void*>(&SimPropertyA),        reinterpret_cast<void*>(&SimFullName),
        reinterpret_cast<void*>(&SimPropertyB),        reinterpret_cast<void*>(&SimPropertyC),
        reinterpret_cast<void*>(&SimThermalSettings),  reinterpret_cast<void*>(&SimChipsetInfo),
        reinterpret_cast<void*>(&SimBusId),            reinterpret_cast<void*>(&SimBusSlotId),
    };
    for (int f = 0; f < FUNCTION_COUNT; ++f) {
        if (FUNCTIONS[f].id == id)
            return functions[f];
    }
    return nullptr;
}

long long CountFor(const std::string& key)
{
    Simulation& sim = Sim();
    if (key == "query")
        return sim.queries;
    if (key == "overlaps")
        return overlappingCalls;
    if (key == "rejected")
        return sim.rejected;
    if (key == "errors")
        return sim.scenario.errors;
    const size_t colon = key.find(':');
    Function function;
    if (colon == std::string::npos)
        return FindFunction(key, function) ? sim.calls[function] : -1;
    const std::string head = key.substr(0, colon);
    const std::string tail = key.substr(colon + 1);
    if (head == "query") {
        uint32_t id = 0;
        if (!ParseId(tail, id))
            return -1;
        auto found = sim.queriesById.find(id);
        return found == sim.queriesById.end() ? 0 : found->second;
    }
    long long index = 0;
    if (!FindFunction(head, function) || !ParseNumber(tail, index, 10) || index < 0)
        return -1;
    auto found = sim.processorCalls.find({function, static_cast<uint32_t>(index)});
    return found == sim.processorCalls.end() ? 0 : found->second;
}

} // namespace

extern "C" void* __cdecl nvapi_QueryInterface(uint32_t id)
{
    DriverCall call;
    SimulationLock lock;
    try {
        Sleep(Latency());
        Simulation& sim = Sim();
        ++sim.queries;
        ++sim.queriesById[id];
        for (uint32_t unknown : sim.scenario.unknownIds) {
            if (unknown == id)
                return nullptr;
        }
        return FunctionFor(id);
    } catch (...) {
        return nullptr;
    }
}

extern "C" int __cdecl SimGpu_CallCount(const char* what)
{
    if (!what)
        return -1;
    SimulationLock lock;
    try {
        return static_cast<int>(CountFor(what));
    } catch (...) {
        return -1;
    }
}

extern "C" int __cdecl SimGpu_Load(const char* text)
{
    SimulationLock lock;
    try {
        Simulation* fresh = new Simulation();
        fresh->startTick = GetTickCount();
        ParseScenario(DEMO, fresh->scenario);
        if (text)
            ParseScenario(text, fresh->scenario);
        delete TheSimulation();
        TheSimulation() = fresh;
        overlappingCalls = 0;
        return fresh->scenario.errors;
    } catch (...) {
        return -1;
    }
}
