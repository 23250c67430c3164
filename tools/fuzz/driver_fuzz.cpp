// fuzz_driver: random driver answers against the real module, in a host
// process, through the simulated driver.
//
//   fuzz_driver [--seed N] [--cases N] [--short] [--case N] [--verbose]
//   fuzz_driver --init [--seed N] [--cases N]        (a process of its own)
//   fuzz_driver --no-driver | --no-lookup [--cases N]
//
// Each case hands the simulated driver a scenario made from the case's own
// seed (SimGpu_Load): statuses (0, small negative codes, random 32-bit
// values) always, at or from random call numbers, processor counts (0, 1, 2,
// 64, 65, huge), texts with and without terminators and with any bytes,
// filler after the terminators, temperatures from -300 to 10,000 and far
// beyond, sensor counts in and out of range. It then creates a docklet,
// refreshes it four times and destroys it, and checks against what the
// driver answered: the status the docklet keeps, the calls it made, every
// reading, and every label (bounded, exactly the driver's texts, the
// driver's message for a failure, "No Nvidia Driver/GPU Found" without the
// library or without a message, never while the driver works). A reading
// that answers "handle invalidated" (-10) has the processors listed again
// and read once more in the same refresh.
//
// The driver interface is resolved once per process, so answers to the
// start itself are tried in processes of their own: --init runs cases whose
// start fails or succeeds at random until one succeeds (with random entries
// unknown), then goes on with ordinary cases. The full mode runs 10,000
// cases and six --init, one --no-driver and one --no-lookup process; --short
// runs 150 cases, one --init and one --no-driver process.
#include <windows.h>

#include <limits.h>
#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "core/docklet.h"
#include "fuzz_support.h"
#include "record.h"

using fuzz::Rng;

namespace {

// The module keeps driver texts byte for byte: each byte a code unit.
std::string DriverBytes(const wchar_t* text)
{
    std::string bytes;
    for (; *text; ++text)
        bytes.push_back(static_cast<char>(*text & 0xFF));
    return bytes;
}


const char USAGE[] =
    "fuzz_driver [--seed N] [--cases N] [--short] [--case N] [--verbose]\n"
    "fuzz_driver --init | --no-driver | --no-lookup [--seed N] [--cases N]\n";
const long long FULL_CASES = 10000;
const long long SHORT_CASES = 150;
const long long CHILD_CASES = 20;
const int FULL_INIT_PROCESSES = 6;
const int TICKS = 4;
const double REFRESH_BOUND_MS = 250.0;
const char NO_DRIVER_LABEL[] = "No Nvidia Driver/GPU Found";

// The simulated driver's functions, in its own order and names.
enum Fn { F_INIT, F_MESSAGE, F_VERSION, F_ENUM, F_PROPERTY_A, F_NAME, F_PROPERTY_B, F_PROPERTY_C, F_THERMAL,
          F_CHIPSET, F_BUS, F_SLOT, FN_COUNT };
const char* const FN_NAMES[FN_COUNT] = {"init",      "message",   "version", "enum",    "propertyA", "name",
                                        "propertyB", "propertyC", "thermal", "chipset", "bus",       "slot"};

// Statuses of the module's own making.
const int STATUS_NO_IMPLEMENTATION = -3; // an entry the driver did not resolve
const int STATUS_REJECTED = -5;          // the simulated driver refuses a handle
const int STATUS_HANDLE_INVALIDATED = -10; // the driver was reset: its processors are listed again

struct Rule {
    Fn fn;
    int status;
    long long first;
    long long last;
};

// One driver answer: what the scenario tells the simulated driver, and what
// the docklet's INI section asks it to show.
struct DriverCase {
    uint32_t gpus = 1;
    std::map<uint32_t, std::string> names;
    std::string version = "Simulated driver interface 1.0";
    std::string chipset = "GeForce GTX Simulated";
    std::string vendor = "Moravel Labs";
    std::vector<long long> temperatures;
    uint32_t sensors = 1;
    std::vector<Rule> rules;
    std::map<long long, std::string> messages;
    int filler = -1;
    bool unknown[FN_COUNT] = {};
    int labelData = LABEL_TEMPERATURE;
    int celsius = 1;
    int dockletData = DOCKLET_GRAPH;
    std::string title = "Fuzz";
};

std::string Hex(const std::string& bytes)
{
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string text = "hex:";
    for (unsigned char c : bytes) {
        text.push_back(DIGITS[c >> 4]);
        text.push_back(DIGITS[c & 15]);
    }
    return text;
}

std::string ScenarioText(const DriverCase& c)
{
    std::string text = "gpus " + std::to_string(c.gpus) + "\n";
    for (const auto& name : c.names)
        text += "name " + std::to_string(name.first) + " " + Hex(name.second) + "\n";
    text += "version " + Hex(c.version) + "\nchipset " + Hex(c.chipset) + "\nvendor " + Hex(c.vendor) + "\n";
    text += "temperatures";
    for (long long t : c.temperatures)
        text += " " + std::to_string(t);
    text += "\nsensors " + std::to_string(c.sensors) + "\n";
    for (const Rule& rule : c.rules) {
        text += std::string("status ") + FN_NAMES[rule.fn] + " " + std::to_string(rule.status);
        if (rule.first == rule.last)
            text += " at " + std::to_string(rule.first);
        else if (rule.first > 1)
            text += " from " + std::to_string(rule.first);
        text += "\n";
    }
    for (const auto& message : c.messages)
        text += "message " + std::to_string(message.first) + " " + Hex(message.second) + "\n";
    if (c.filler >= 0) {
        char line[16];
        snprintf(line, sizeof line, "filler %02X\n", c.filler);
        text += line;
    }
    bool anyUnknown = false;
    for (int f = 0; f < FN_COUNT; ++f)
        anyUnknown = anyUnknown || c.unknown[f];
    if (anyUnknown) {
        text += "unknown";
        for (int f = 0; f < FN_COUNT; ++f)
            if (c.unknown[f])
                text += std::string(" ") + FN_NAMES[f];
        text += "\n";
    }
    return text;
}

// ---- Generation ----

std::string DriverBytes(Rng& rng)
{
    static const int LENGTHS[] = {0, 1, 5, 20, 40, 62, 63, 64, 65, 100};
    const int length = rng.Pick(LENGTHS);
    const uint32_t style = rng.Below(10);
    std::string text;
    for (int i = 0; i < length; ++i) {
        if (style < 6)
            text.push_back(static_cast<char>(rng.Between(0x20, 0x7E)));
        else if (style < 9)
            text.push_back(static_cast<char>(rng.Between(1, 255)));
        else
            text.push_back(static_cast<char>(rng.Chance(10) ? 0 : rng.Between(0, 255)));
    }
    return text;
}

int Status(Rng& rng)
{
    static const int CODES[] = {-1, -2, -3, -4, -5, -6, -9, -10, -100, -101, -104, 1, 2, INT_MIN, INT_MAX};
    return rng.Chance(70) ? rng.Pick(CODES) : static_cast<int>(rng.Bits32());
}

long long Temperature(Rng& rng)
{
    static const long long SPECIAL[] = {INT_MIN,     INT_MAX,      INT_MIN + 1, -1,          0,           127,
                                        128,         -273,         -300,        10000,       100000,      1000000,
                                        2147483648LL, -2147483649LL, 4294967338LL, 1193046471LL, -1193046471LL};
    switch (rng.Below(4)) {
    case 0:
    case 1:
        return rng.Between(-300, 10000);
    case 2:
        return rng.Pick(SPECIAL);
    default:
        return static_cast<int>(rng.Bits32());
    }
}

// `init`: answers to the start itself too (a process of its own).
DriverCase MakeCase(Rng& rng, bool init)
{
    DriverCase c;
    static const uint32_t GPUS[] = {0, 1, 1, 1, 1, 2, 3, 64, 65, 1000, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    c.gpus = rng.Chance(90) ? rng.Pick(GPUS) : rng.Bits32();
    const int named = rng.Between(0, 3);
    for (int i = 0; i < named; ++i)
        c.names[i == 0 ? 0 : rng.Below(70)] = DriverBytes(rng);
    if (rng.Chance(60))
        c.version = DriverBytes(rng);
    if (rng.Chance(60))
        c.chipset = DriverBytes(rng);
    if (rng.Chance(60))
        c.vendor = DriverBytes(rng);
    const int temperatures = rng.Between(1, 8);
    for (int i = 0; i < temperatures; ++i)
        c.temperatures.push_back(Temperature(rng));
    static const uint32_t SENSORS[] = {4, 100, 0x80000000u, 0xFFFFFFFFu};
    c.sensors = rng.Chance(85) ? rng.Below(4) : (rng.Chance(70) ? rng.Pick(SENSORS) : rng.Bits32());

    if (init) {
        // The start function: fails always or on its first call (the one a
        // docklet's start makes), or answers a positive status, or nothing.
        const uint32_t roll = rng.Below(10);
        if (roll < 6) {
            int status = Status(rng);
            status = status < 0 ? status : -1 - static_cast<int>(rng.Below(200));
            c.rules.push_back({F_INIT, status, 1, rng.Chance(50) ? 1 : LLONG_MAX});
        } else if (roll < 7) {
            c.rules.push_back({F_INIT, rng.Between(1, 1000), 1, LLONG_MAX});
        }
    }
    for (int f = F_MESSAGE; f < FN_COUNT; ++f) {
        const int percent = f == F_MESSAGE ? 12 : 22;
        while (rng.Chance(percent)) {
            Rule rule = {static_cast<Fn>(f), Status(rng), 1, LLONG_MAX};
            const uint32_t when = rng.Below(10);
            if (when < 4) {
                rule.first = rule.last = rng.Between(1, 6);
            } else if (when < 7) {
                rule.first = rng.Between(2, 6);
            }
            c.rules.push_back(rule);
        }
    }
    if (rng.Chance(60))
        c.messages[-1] = DriverBytes(rng);
    if (rng.Chance(20))
        c.messages[static_cast<int>(rng.Bits32())] = DriverBytes(rng);
    if (rng.Chance(50))
        c.filler = static_cast<int>(rng.Below(256));
    if (init) {
        for (int f = 0; f < FN_COUNT; ++f)
            c.unknown[f] = rng.Chance(f == F_INIT ? 15 : 8);
    }
    static const int LABELS[] = {0, LABEL_HIDE, LABEL_TEMPERATURE, LABEL_TEMPERATURE, LABEL_TITLE, LABEL_FULL_NAME,
                                 LABEL_VENDOR_STRING};
    c.labelData = rng.Pick(LABELS);
    c.celsius = rng.Chance(50) ? 1 : 0;
    static const int ICONS[] = {0, DOCKLET_TEMPERATURE, DOCKLET_GRAPH, DOCKLET_GRAPH | DOCKLET_HIDE_ICONS};
    c.dockletData = rng.Pick(ICONS);
    c.title = "Fuzz title " + std::to_string(rng.Below(1000));
    return c;
}

// ---- The driver as the docklet should see it ----

// The first bytes of a driver text up to its terminator: at most `limit`
// (63 where the docklet copies a text, 64 where it prints one).
std::string DriverText(const std::string& text, size_t limit)
{
    const size_t written = text.size() < 64 ? text.size() : 64;
    std::string shown = text.substr(0, written);
    shown = shown.substr(0, shown.find('\0'));
    return shown.size() > limit ? shown.substr(0, limit) : shown;
}

std::string MessageFor(const DriverCase& c, int status)
{
    auto found = c.messages.find(status);
    if (found != c.messages.end())
        return found->second;
    if (status == 0)
        return "Success";
    if (status == -1)
        return "Simulated driver error";
    return "Simulated driver status " + std::to_string(status);
}

std::string NameOf(const DriverCase& c, uint32_t index)
{
    auto found = c.names.find(index);
    if (found != c.names.end())
        return found->second;
    return index == 0 ? "GeForce GTX Simulated" : "GeForce GTX Simulated #" + std::to_string(index);
}

// The label's Fahrenheit: 32.0 added before truncating, held within int.
int LabelFahrenheit(int celsius)
{
    const double f = celsius * 1.8 + 32.0;
    if (f >= 2147483647.0)
        return INT_MAX;
    if (f <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(f);
}

// Follows the calls the docklet makes, counting them as the simulated driver
// does and answering with the scenario's statuses.
struct Driver {
    const DriverCase& c;
    const bool* stubs; // entries left unresolved at the start of the process
    long long calls[FN_COUNT] = {};

    int Scripted(Fn fn, long long call) const
    {
        int status = 0;
        for (const Rule& rule : c.rules)
            if (rule.fn == fn && call >= rule.first && call <= rule.last)
                status = rule.status;
        return status;
    }

    int Call(Fn fn, bool handleValid = true)
    {
        if (stubs[fn])
            return STATUS_NO_IMPLEMENTATION;
        const int status = Scripted(fn, ++calls[fn]);
        if (status != 0)
            return status;
        return handleValid ? 0 : STATUS_REJECTED;
    }
};

struct Expected {
    int status = 0;
    std::string version;
    uint32_t count = 0;
    std::string name0;
};

// The processor list, then name and three values of each processor,
// stopping at the first failure, then processor 0's place on the bus.
void ExpectEnumeration(Driver& driver, Expected& e)
{
    const DriverCase& c = driver.c;
    e.status = -1;
    if (driver.Call(F_ENUM) != 0)
        return;
    e.count = c.gpus < static_cast<uint32_t>(GPU_MAX_PROCESSORS) ? c.gpus : static_cast<uint32_t>(GPU_MAX_PROCESSORS);
    for (uint32_t i = 0; i < e.count; ++i) {
        if (driver.Call(F_NAME) != 0)
            return;
        if (i == 0)
            e.name0 = DriverText(NameOf(c, 0), 63);
        if (driver.Call(F_PROPERTY_A) != 0 || driver.Call(F_PROPERTY_B) != 0 || driver.Call(F_PROPERTY_C) != 0)
            return;
    }
    e.status = 0;
    if (e.count > 0 && driver.Call(F_BUS) == 0)
        driver.Call(F_SLOT);
}

// The start of a docklet on a resolved interface: version (status not
// looked at), chipset, then the processors.
Expected ExpectStart(Driver& driver)
{
    Expected e;
    const DriverCase& c = driver.c;
    if (driver.Call(F_VERSION) == 0)
        e.version = DriverText(c.version, 63);
    if (driver.Call(F_CHIPSET) != 0) {
        e.status = -1;
        return e;
    }
    ExpectEnumeration(driver, e);
    return e;
}

// One refresh: the reading it takes and the label it shows.
struct RefreshResult {
    bool sampled = false; // the sensor was ready as the refresh began
    bool relisted = false; // the reading's handle was stale: the processors were listed again
    int reading = -1;
    std::string label;
    const char* kind = "";
};

// The reading of processor 0, always: its handle is valid when the driver
// listed one. A reading the driver calls stale lists the processors again.
void ExpectReading(Driver& driver, Expected& e, RefreshResult& r)
{
    const DriverCase& c = driver.c;
    r.sampled = true;
    int status = driver.Call(F_THERMAL, c.gpus >= 1);
    if (status == STATUS_HANDLE_INVALIDATED) {
        r.relisted = true;
        ExpectEnumeration(driver, e);
        if (e.status != 0)
            return;
        status = driver.Call(F_THERMAL, c.gpus >= 1);
    }
    if (status == 0 && c.sensors != 0) {
        const long long n = driver.calls[F_THERMAL];
        const size_t at = static_cast<size_t>(n - 1) < c.temperatures.size() ? static_cast<size_t>(n - 1)
                                                                               : c.temperatures.size() - 1;
        r.reading = static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(c.temperatures[at])));
    }
}

RefreshResult ExpectRefresh(Driver& driver, Expected& e)
{
    const DriverCase& c = driver.c;
    RefreshResult r;
    if (e.status == 0)
        ExpectReading(driver, e, r);
    if (e.status != 0) {
        const int status = driver.Call(F_MESSAGE);
        r.label = status == 0 ? DriverText(MessageFor(c, e.status), 64) : "";
        r.kind = status == 0 ? "label: the driver's message" : "label: no driver, the message call failed";
        if (r.label.empty()) {
            r.label = NO_DRIVER_LABEL;
            if (status == 0)
                r.kind = "label: no driver, the message was empty";
        }
        return r;
    }
    switch (c.labelData) {
    case LABEL_HIDE:
        r.kind = "label: hidden";
        break;
    case LABEL_TEMPERATURE: {
        char text[100];
        if (r.reading == -1)
            snprintf(text, sizeof text, "GPU Temperature: -- \xB0%s", c.celsius ? "C" : "F");
        else if (c.celsius)
            snprintf(text, sizeof text, "GPU Temperature: %d \xB0" "C", r.reading);
        else
            snprintf(text, sizeof text, "GPU Temperature: %d \xB0" "F", LabelFahrenheit(r.reading));
        r.label = text;
        r.kind = "label: temperature";
        break;
    }
    case LABEL_TITLE:
        r.label = c.title;
        r.kind = "label: title";
        break;
    case LABEL_FULL_NAME:
        r.label = e.name0;
        r.kind = "label: processor name";
        break;
    case LABEL_VENDOR_STRING:
        r.label = DriverText(c.vendor, 64) + " - " + DriverText(c.chipset, 64);
        r.kind = "label: vendor and chipset";
        break;
    default:
        r.label = "Unknown Label Type";
        r.kind = "label: unknown type";
        break;
    }
    return r;
}

// ---- Running ----

typedef int(__cdecl* LoadFunction)(const char*);
typedef int(__cdecl* CountFunction)(const char*);

struct Simulated {
    LoadFunction load = nullptr;
    CountFunction count = nullptr;
};

struct Run {
    dockhost::Dock& dock;
    const Simulated& sim;
    fuzz::Faults& faults;
    fuzz::Counts& counts;
    fuzz::TimeStats& createTimes;
    fuzz::TimeStats& tickTimes;
    std::string folder;
    long long index = 0;

    void Fault(const std::string& what) { faults.Add(index, what); }
};

std::string Printable(const std::string& text)
{
    return fuzz::Escaped(text, 160);
}

dockhost::Docklet* CreateDocklet(Run& run, const DriverCase& c)
{
    const std::string ini = run.folder + "driver" + std::to_string(run.index) + ".ini";
    fuzz::WriteFile(ini, "[D]\r\nLabelData=" + std::to_string(c.labelData) + "\r\nCelcius=" + std::to_string(c.celsius) +
                             "\r\nDockletData=" + std::to_string(c.dockletData) + "\r\nTitle=" + c.title + "\r\n");
    fuzz::EnterCase(run.index, "create");
    const double start = dockhost::NowMilliseconds();
    dockhost::Docklet* docklet = run.dock.AddDocklet(ini.c_str(), "D");
    run.createTimes.Add(dockhost::NowMilliseconds() - start, run.index);
    DeleteFileA(ini.c_str());
    if (!docklet || !docklet->instance)
        run.Fault("no docklet created");
    return docklet;
}

void CheckCalls(Run& run, const Driver& driver, const char* when)
{
    for (int f = F_MESSAGE; f < FN_COUNT; ++f) {
        const int seen = run.sim.count(FN_NAMES[f]);
        if (seen != driver.calls[f])
            run.Fault(std::string("driver calls differ: ") + when + ": " + FN_NAMES[f] + " called " +
                      std::to_string(seen) + " times, expected " + std::to_string(driver.calls[f]));
    }
}

void CheckRefresh(Run& run, dockhost::Docklet* docklet, const RefreshResult& r, const Expected& e, const char* when)
{
    const std::string label = fuzz::LabelOf(docklet);
    if (label.size() >= LABEL_BYTES)
        run.Fault(std::string("label too long: ") + when + ": " + std::to_string(label.size()) + " bytes");
    if (label != r.label)
        run.Fault(std::string("label differs: ") + when + ": shows \"" + Printable(label) + "\", expected \"" +
                  Printable(r.label) + "\"");
    run.counts.Add(r.kind);
    if (label == NO_DRIVER_LABEL && e.status == 0)
        run.Fault(std::string("missing-driver label with the driver working: ") + when);
    if (r.sampled) {
        if (record::LastReading(docklet) != r.reading)
            run.Fault(std::string("reading differs: ") + when + ": " + std::to_string(record::LastReading(docklet)) +
                      ", expected " + std::to_string(r.reading));
        // The lowest value marks a second the processor slept; that reading is kept one above.
        const int kept = r.reading == SAMPLE_ASLEEP ? SAMPLE_ASLEEP + 1 : r.reading;
        const Warr<int>* history = record::History(docklet);
        if (history && (history->Count() < 1 || history->At(history->last) != kept))
            run.Fault(std::string("history misses the reading: ") + when);
        run.counts.Add(r.reading == -1 ? "reading: none (-1)" : "reading: a temperature");
        if (r.relisted)
            run.counts.Add("reading: stale handle, processors listed again");
    }
    auto view = dockhost::Services().views.find(docklet->hwnd);
    if (view == dockhost::Services().views.end() || !view->second.overlay)
        run.Fault(std::string("no overlay: ") + when);
}

// Creation, four refreshes and destruction of one docklet on one answer.
void RunCase(Run& run, const DriverCase& c, Driver& driver, bool starting, bool startFails)
{
    dockhost::Services().Clear();
    dockhost::Docklet* docklet = CreateDocklet(run, c);
    if (!docklet || !docklet->instance)
        return;
    const GpuState& gpu = record::Gpu(docklet);

    // The start fails unless the driver knows the start function and it
    // answers 0 or more; the start function is asked once per attempt.
    Expected e;
    if (starting) {
        run.counts.Add(startFails ? "start: fails" : "start: succeeds");
        const int asked = run.sim.count("init");
        if (asked != (c.unknown[F_INIT] ? 0 : 1))
            run.Fault("start function asked " + std::to_string(asked) + " times");
    }
    if (startFails)
        e.status = -1;
    else
        e = ExpectStart(driver);
    run.counts.Add(e.status == 0 ? "created: ready" : "created: driver error");
    // Creation ends with a refresh, whose stale reading may list the processors again.
    const RefreshResult created = ExpectRefresh(driver, e);
    if (gpu.gpuStatus != e.status)
        run.Fault("status differs: " + std::to_string(gpu.gpuStatus) + ", expected " +
                  std::to_string(e.status));
    if (e.status == 0) {
        if (gpu.gpuCount != e.count)
            run.Fault("processor count differs: " + std::to_string(gpu.gpuCount) + ", expected " +
                      std::to_string(e.count));
        if (DriverBytes(gpu.interfaceVersion) != e.version)
            run.Fault("version text differs: \"" + Printable(DriverBytes(gpu.interfaceVersion)) +
                      "\", expected \"" + Printable(e.version) + "\"");
        if (wmemchr(gpu.gpuNames[0], 0, GPU_TEXT_BYTES) == nullptr)
            run.Fault("processor name not terminated");
    }

    CheckRefresh(run, docklet, created, e, "created");
    CheckCalls(run, driver, "after creation");
    for (int tick = 0; tick < TICKS; ++tick) {
        fuzz::EnterCase(run.index, "refresh");
        run.tickTimes.Add(fuzz::TimedTick(run.dock, docklet), run.index);
        CheckRefresh(run, docklet, ExpectRefresh(driver, e), e, "refreshed");
    }
    CheckCalls(run, driver, "after the refreshes");
    if (gpu.gpuStatus != e.status)
        run.Fault("status differs after the refreshes: " + std::to_string(gpu.gpuStatus) + ", expected " +
                  std::to_string(e.status));
    fuzz::EnterCase(run.index, "destroy");
    run.dock.RemoveDocklet(docklet, false);
}

// A library that is missing or lacks the lookup: the docklet says so and
// never changes its mind.
void RunFixedCase(Run& run, int status, const char* label)
{
    dockhost::Services().Clear();
    DriverCase c;
    c.labelData = LABEL_TEMPERATURE;
    dockhost::Docklet* docklet = CreateDocklet(run, c);
    if (!docklet || !docklet->instance)
        return;
    const GpuState& gpu = record::Gpu(docklet);
    for (int tick = 0; tick <= TICKS; ++tick) {
        if (tick > 0)
            run.tickTimes.Add(fuzz::TimedTick(run.dock, docklet), run.index);
        if (gpu.gpuStatus != status)
            run.Fault("status differs: " + std::to_string(gpu.gpuStatus) + ", expected " +
                      std::to_string(status));
        if (fuzz::LabelOf(docklet) != label)
            run.Fault("label differs: shows \"" + Printable(fuzz::LabelOf(docklet)) + "\", expected \"" + label +
                      "\"");
        if (!record::Samples(docklet).empty())
            run.Fault("samples taken without a driver");
    }
    run.counts.Add(std::string("label: ") + (label[0] ? label : "empty"), TICKS + 1);
    run.dock.RemoveDocklet(docklet, false);
}

enum Mode { IN_PROCESS, INIT, NO_DRIVER, NO_LOOKUP };

// Runs this program again for one process of its own; false when it failed.
bool RunChild(const char* mode, uint64_t seed, long long cases)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" " + dockhost::Widen(mode) + L" --seed " +
                           std::to_wstring(seed) + L" --cases " + std::to_wstring(cases);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    fflush(stdout);
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        printf("cannot start %s\n", dockhost::Narrow(command).c_str());
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    printf("process %s --seed %llu: exit %lu\n", mode, static_cast<unsigned long long>(seed), code);
    return code == 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    fuzz::Options options;
    if (!fuzz::ParseOptions(argc, argv, options, USAGE))
        return 0;
    Mode mode = IN_PROCESS;
    for (const std::string& extra : options.rest) {
        if (extra == "--init") {
            mode = INIT;
        } else if (extra == "--no-driver") {
            mode = NO_DRIVER;
        } else if (extra == "--no-lookup") {
            mode = NO_LOOKUP;
        } else {
            fprintf(stderr, "unknown option %s\n%s", extra.c_str(), USAGE);
            return 2;
        }
    }
    const char* const MODE_NAMES[] = {"in-process", "--init", "--no-driver", "--no-lookup"};
    long long cases = options.cases;
    if (cases <= 0)
        cases = mode != IN_PROCESS ? CHILD_CASES : (options.shortMode ? SHORT_CASES : FULL_CASES);
    setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    fuzz::InstallGuard("fuzz_driver", options.seed, 60);

    dockhost::Dock dock;
    Simulated sim;
    if (mode == INIT || mode == IN_PROCESS) {
        SetEnvironmentVariableW(L"MORAVEL_SIMGPU", L"demo");
        if (!dockhost::UseDriverLibrary(dockhost::BuiltSimulatedDriver())) {
            fprintf(stderr, "fuzz_driver: cannot load the simulated driver\n");
            return 2;
        }
        HMODULE driver = GetModuleHandleW(dockhost::DriverFileName());
        sim.load = reinterpret_cast<LoadFunction>(reinterpret_cast<void (*)()>(GetProcAddress(driver, "SimGpu_Load")));
        sim.count =
            reinterpret_cast<CountFunction>(reinterpret_cast<void (*)()>(GetProcAddress(driver, "SimGpu_CallCount")));
        if (!sim.load || !sim.count) {
            fprintf(stderr, "fuzz_driver: the simulated driver lacks SimGpu_Load or SimGpu_CallCount\n");
            return 2;
        }
    } else if (mode == NO_LOOKUP) {
        if (!dockhost::UseDriverLibrary(dockhost::BuiltSimulatedDriver(L"simgpu-nolookup"))) {
            fprintf(stderr, "fuzz_driver: cannot load the library without lookup\n");
            return 2;
        }
    }
    if (!dock.LoadModule(dockhost::BuiltModule())) {
        fprintf(stderr, "fuzz_driver: cannot load the module\n");
        return 2;
    }
    printf("fuzz_driver %s: seed %llu, %lld cases%s\n", MODE_NAMES[mode],
           static_cast<unsigned long long>(options.seed), options.only >= 0 ? 1 : cases,
           options.shortMode ? " (short)" : "");

    fuzz::Faults faults;
    fuzz::Counts counts;
    fuzz::TimeStats createTimes, tickTimes;
    Run run = {dock, sim, faults, counts, createTimes, tickTimes, fuzz::TempFolder("fuzz_driver")};
    fuzz::CaseRun progress(2000);
    bool started_interface = false;
    bool stubs[FN_COUNT] = {};
    for (long long index = 0; index < cases; ++index) {
        if (options.only >= 0 && index != options.only)
            continue;
        run.index = index;
        Rng rng(fuzz::CaseSeed(options.seed, index));
        if (mode == NO_DRIVER || mode == NO_LOOKUP) {
            RunFixedCase(run, mode == NO_DRIVER ? -2 : -1, NO_DRIVER_LABEL);
        } else {
            // Answers to the start matter only until the interface has started.
            const DriverCase c = MakeCase(rng, mode == INIT && !started_interface);
            const std::string scenario = ScenarioText(c);
            if (options.verbose || options.only >= 0)
                printf("case %lld scenario:\n%s", index, scenario.c_str());
            const int errors = sim.load(scenario.c_str());
            if (errors != 0) {
                run.Fault("scenario not understood: " + std::to_string(errors) + " lines");
                continue;
            }
            // The first docklet of the process starts the interface; in
            // --init mode the start may fail, and then every entry stays
            // unresolved and the next docklet tries again.
            const bool starting = !started_interface;
            bool startFails = false;
            if (starting) {
                startFails = c.unknown[F_INIT] || Driver{c, stubs}.Scripted(F_INIT, 1) < 0;
                for (int f = 0; f < FN_COUNT; ++f)
                    stubs[f] = startFails || c.unknown[f];
            }
            Driver driver = {c, stubs};
            RunCase(run, c, driver, starting, startFails);
            if (starting && !startFails)
                started_interface = true;
        }
        progress.CaseDone(faults);
    }
    progress.End();
    counts.Print("outcomes");
    createTimes.Print("creations (driver start, first refresh)", REFRESH_BOUND_MS);
    tickTimes.Print("refresh ticks", REFRESH_BOUND_MS);
    progress.PrintFootprint(faults);
    faults.Print();
    printf("fuzz_driver %s: %lld cases, %lld faults\n", MODE_NAMES[mode], progress.Ran(), faults.Count());
    fflush(stdout);

    int failedProcesses = 0;
    if (mode == IN_PROCESS && options.only < 0) {
        const int initProcesses = options.shortMode ? 1 : FULL_INIT_PROCESSES;
        const long long childCases = options.shortMode ? 10 : CHILD_CASES;
        for (int p = 0; p < initProcesses; ++p)
            failedProcesses += RunChild("--init", options.seed * 1000 + static_cast<uint64_t>(p), childCases) ? 0 : 1;
        failedProcesses += RunChild("--no-driver", options.seed, childCases) ? 0 : 1;
        if (!options.shortMode)
            failedProcesses += RunChild("--no-lookup", options.seed, childCases) ? 0 : 1;
        printf("processes of their own: %d failed\n", failedProcesses);
        fflush(stdout);
    }
    return faults.Count() || failedProcesses ? 1 : 0;
}
