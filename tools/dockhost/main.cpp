// dockhost: runs a docklet module the way a dock does.
//
//   dockhost [--module PATH] [--ini FILE] [--section NAME] [--count N]
//            [--simulate-gpu SCENARIO|none] [--driver PATH]
//            [--headless] [--seconds N] [--snapshots DIR] [--readings N]
//            [--capture menu,about,general,icon,font,graph --capture-dir DIR]
//            [--info-load] [--reload N] [--services-library PATH]
//            [--missing-services NAME,...|all] [--export FILE]
//            [--mouse-lock] [--second-right-click]
//
// With a window: left click, double click and right click go to the docklet;
// the C key opens its settings, the A key its About box. Closing the window
// saves the docklet into its INI section.
//
// --readings N: each docklet takes N readings at once (the first at its
// creation, the others from ticks delivered straight away) and then its clock
// stops, so what it shows, snapshots and captures, is the same in every run
// whose driver answers by call (a scenario of "temperatures").
//
// --ini and --section each stand alone: what is not given reaches OnCreate as
// null (the docklet starts on its defaults and asks to be configured).
// --simulate-gpu has the module find the simulated driver (or --driver, a
// library of the driver's file name) where it looks for the driver, in the
// system folder: the module's GetSystemDirectoryW answers that library's
// folder. "none" leaves the system folder as it is: a machine without the
// driver, unless this one has it.
// The other options play what some hosts do:
//   --info-load          load the module and free it once just to read
//                        OnGetInformation, before the load that creates docklets
//   --reload N           once the docklets are done (the seconds are up, or
//                        the windows closed), save and destroy them, delete the
//                        overlays, free the module, pump messages for a while,
//                        load it again and run again; N more times
//   --services-library PATH
//                        serve the docklet services from that library (such as
//                        hostplugin\MoravelHostServices.dll) rather than from
//                        this program, and answer the module's
//                        GetModuleHandle(NULL) with it; the docklet's folder is
//                        still reported relative to this program's folder
//   --missing-services NAME,...|all
//                        a host that lacks these services: the module's
//                        GetProcAddress misses their names
//   --export FILE        at the end, save every docklet for export
//                        (isForExport = 1) into FILE and ask it for the files
//                        to export (OnExportFiles, iterations 0, 1 and 2)
//   --mouse-lock         ignore right clicks while the docklet holds the mouse
//                        effect locked
//   --second-right-click deliver a second right click while the docklet's
//                        menu is open
// What the last two saw is printed at the end.
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "dock.h"
#include "host_cycle.h"
#include "host_services.h"
#include "modal.h"

using namespace dockhost;

namespace {

struct Options {
    std::wstring module;
    std::string iniFile;
    std::string iniSection;
    int count = 1;
    std::wstring scenario;
    std::wstring driver;
    bool headless = false;
    int seconds = 5;
    std::wstring snapshots;
    int readings = 0; // 0: the docklet's clock runs
    std::wstring capture;
    std::wstring captureDir;
    bool infoLoad = false;
    int reloads = 0;
    std::wstring servicesLibrary;
    bool hideServices = false;
    std::vector<std::string> missingServices;
    std::string exportFile;
    HostBehaviour behaviour;
};

const char* const SERVICE_NAMES[] = {
    "DockletSetLabel",         "DockletSetImageOverlay", "DockletSetImageFile",
    "DockletBrowseForImage",   "DockletLoadGDIPlusImage", "DockletLockMouseEffect",
    "DockletDoAttentionAnimation", "DockletGetRelativeFolder", "DockletRemoveSelf",
};

// "all", or names separated by commas; false for a name that is no service.
bool ParseServices(const std::wstring& list, std::vector<std::string>& names)
{
    if (list == L"all") {
        names.assign(std::begin(SERVICE_NAMES), std::end(SERVICE_NAMES));
        return true;
    }
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(L',', start);
        if (comma == std::wstring::npos)
            comma = list.size();
        const std::string name = Narrow(list.substr(start, comma - start));
        start = comma + 1;
        if (name.empty())
            continue;
        if (std::find(std::begin(SERVICE_NAMES), std::end(SERVICE_NAMES), name) == std::end(SERVICE_NAMES))
            return false;
        names.push_back(name);
    }
    return true;
}

void Usage()
{
    fwprintf(stderr,
             L"usage: dockhost [--module PATH] [--ini FILE] [--section NAME] [--count N]\n"
             L"                [--simulate-gpu SCENARIO|none] [--driver PATH]\n"
             L"                [--headless] [--seconds N] [--snapshots DIR] [--readings N]\n"
             L"                [--capture menu,about,general,icon,font,graph --capture-dir DIR]\n"
             L"                [--info-load] [--reload N] [--services-library PATH]\n"
             L"                [--missing-services NAME,...|all] [--export FILE]\n"
             L"                [--mouse-lock] [--second-right-click]\n"
             L"  --readings N       N readings at once, then the docklet's clock stops\n"
             L"  --ini, --section   each alone: the other reaches the docklet as null\n"
             L"  --simulate-gpu     the simulated driver answers with the scenario (none: no driver)\n"
             L"  --driver PATH      the driver library to simulate with (named as the driver)\n"
             L"  --info-load        load and free the module once just for OnGetInformation\n"
             L"  --reload N         after the run, free the module and load and run it again, N times\n"
             L"  --services-library serve the services from that library, as GetModuleHandle(NULL)\n"
             L"  --missing-services a host without these services (names of the nine, or all)\n"
             L"  --export FILE      at the end, save each docklet for export into FILE and list its files\n"
             L"  --mouse-lock       ignore right clicks while the mouse effect is locked\n"
             L"  --second-right-click  deliver a second right click while the menu is open\n");
}

bool ParseOptions(int argc, wchar_t** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        auto next = [&](std::wstring& value) {
            if (i + 1 >= argc)
                return false;
            value = argv[++i];
            return true;
        };
        std::wstring value;
        if (arg == L"--module" && next(options.module)) {
        } else if (arg == L"--ini" && next(value)) {
            options.iniFile = Narrow(value);
        } else if (arg == L"--section" && next(value)) {
            options.iniSection = Narrow(value);
        } else if (arg == L"--count" && next(value)) {
            options.count = _wtoi(value.c_str());
        } else if (arg == L"--simulate-gpu" && next(options.scenario)) {
        } else if (arg == L"--driver" && next(options.driver)) {
        } else if (arg == L"--headless") {
            options.headless = true;
        } else if (arg == L"--seconds" && next(value)) {
            options.seconds = _wtoi(value.c_str());
        } else if (arg == L"--snapshots" && next(options.snapshots)) {
        } else if (arg == L"--readings" && next(value)) {
            options.readings = _wtoi(value.c_str());
            if (options.readings < 1)
                return false;
        } else if (arg == L"--capture" && next(options.capture)) {
        } else if (arg == L"--capture-dir" && next(options.captureDir)) {
        } else if (arg == L"--info-load") {
            options.infoLoad = true;
        } else if (arg == L"--reload" && next(value)) {
            options.reloads = _wtoi(value.c_str());
        } else if (arg == L"--services-library" && next(options.servicesLibrary)) {
        } else if (arg == L"--missing-services" && next(value)) {
            options.hideServices = true;
            if (!ParseServices(value, options.missingServices))
                return false;
        } else if (arg == L"--export" && next(value)) {
            options.exportFile = Narrow(value);
        } else if (arg == L"--mouse-lock") {
            options.behaviour.honourMouseLock = true;
        } else if (arg == L"--second-right-click") {
            options.behaviour.repeatRightClick = true;
        } else {
            return false;
        }
    }
    return options.count >= 1 && options.seconds >= 0 && options.reloads >= 0;
}

std::wstring FullPath(const std::wstring& path)
{
    wchar_t full[MAX_PATH] = L"";
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return (length && length < MAX_PATH) ? std::wstring(full) : path;
}

// The docklet's folder as a dock reports it: relative to the dock's own
// folder (".\" first; the services library's with --services-library) when
// it lies below it, else the full folder.
std::string RelativeFolderOf(const std::wstring& module, const std::wstring& root)
{
    std::wstring folder = module.substr(0, module.find_last_of(L'\\') + 1);
    if (_wcsnicmp(folder.c_str(), root.c_str(), root.size()) == 0)
        return ".\\" + Narrow(folder.substr(root.size()));
    return Narrow(folder);
}

// The label is text in the system code page;
// the console of a development machine reads UTF-8.
std::string Utf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], size, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(size) - 1);
    return utf8;
}

const wchar_t* const SHEET_PAGES[] = {L"general", L"icon", L"font", L"graph"};

// Opens the menu, the About box or the settings sheet on a page, saves what
// the screen shows of it as DIR\WHAT.png, and closes it again.
bool CaptureOne(Dock& dock, Docklet& docklet, const std::wstring& what, const std::wstring& folder)
{
    const std::wstring file = folder + L"\\" + what + L".png";
    bool saved = false;
    ModalDriver driver;
    int settle = 0;
    // Give the window a few ticks to paint before it is captured.
    auto captureWhenSettled = [&](std::function<HWND()> find) {
        return [&, find]() {
            HWND window = find();
            if (!window || ++settle < 5)
                return false;
            saved = CaptureWindow(window, file);
            return true;
        };
    };
    const auto& entry = dock.Entry();
    // The menu opens at the pointer; dialogs are taken with the pointer away,
    // so that nothing shows a hover highlight.
    if (what == L"menu")
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 3);
    else
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    if (what == L"menu") {
        if (!entry.OnRightButtonClick)
            return false;
        driver.Then(captureWhenSettled(FindPopupMenu)).Do([] { EndMenu(); });
        driver.Start();
        dock.RightClick(&docklet, nullptr, nullptr); // as the host delivers it
    } else if (what == L"about") {
        if (!entry.OnAbout)
            return false;
        auto find = [] { return FindThreadWindow(ABOUT_CAPTION); };
        driver.Then(captureWhenSettled(find)).Do([find] { PostMessageW(find(), WM_COMMAND, IDCANCEL, 0); });
        driver.Start();
        entry.OnAbout(docklet.instance);
    } else {
        int page = -1;
        for (int i = 0; i < 4; ++i)
            if (what == SHEET_PAGES[i])
                page = i;
        if (page < 0 || !entry.OnConfigure)
            return false;
        auto find = [] { return FindThreadWindow(SHEET_CAPTION); };
        driver.Then([find, page] {
            HWND sheet = find();
            if (!sheet)
                return false;
            SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(page), 0);
            return true;
        });
        driver.Then(captureWhenSettled(find)).Do([find] { PostMessageW(find(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0); });
        driver.Start();
        entry.OnConfigure(docklet.instance);
    }
    driver.Stop();
    dock.Pump(0);
    return saved && !driver.TimedOut();
}

int CaptureAll(Dock& dock, const Options& options)
{
    CreateDirectoryW(options.captureDir.c_str(), nullptr);
    Docklet& docklet = *dock.Docklets().front();
    int failures = 0;
    size_t start = 0;
    while (start <= options.capture.size()) {
        size_t comma = options.capture.find(L',', start);
        if (comma == std::wstring::npos)
            comma = options.capture.size();
        std::wstring what = options.capture.substr(start, comma - start);
        start = comma + 1;
        if (what.empty())
            continue;
        bool ok = CaptureOne(dock, docklet, what, options.captureDir);
        printf("dockhost: capture %s %s\n", Utf8(what).c_str(), ok ? "saved" : "FAILED");
        failures += ok ? 0 : 1;
    }
    return failures ? 1 : 0;
}

std::string SectionOf(const Options& options, int index)
{
    if (options.iniSection.empty())
        return std::string();
    return index == 0 ? options.iniSection : options.iniSection + std::to_string(index + 1);
}

bool CreateDocklets(Dock& dock, const Options& options)
{
    for (int i = 0; i < options.count; ++i) {
        const std::string section = SectionOf(options, i);
        if (!dock.AddDocklet(options.iniFile.empty() ? nullptr : options.iniFile.c_str(),
                             section.empty() ? nullptr : section.c_str(), !options.headless)) {
            fwprintf(stderr, L"dockhost: cannot create a docklet window (is there a display?)\n");
            return false;
        }
    }
    return true;
}

// Saves every docklet for export into the export file (its own section, or
// "DockletN" without one) and prints what OnExportFiles answers.
void ExportAll(Dock& dock, const Options& options)
{
    const auto& docklets = dock.Docklets();
    for (size_t i = 0; i < docklets.size(); ++i) {
        Docklet& docklet = *docklets[i];
        if (!docklet.instance)
            continue;
        std::string section =
            docklet.iniSection.empty() ? "Docklet" + std::to_string(i + 1) : docklet.iniSection;
        if (dock.Entry().OnSave)
            dock.Entry().OnSave(docklet.instance, const_cast<char*>(options.exportFile.c_str()),
                                const_cast<char*>(section.c_str()), TRUE);
        printf("dockhost: docklet %zu exported into [%s] of %s\n", i + 1, section.c_str(),
               options.exportFile.c_str());
        for (int iteration = 0; iteration < 3 && dock.Entry().OnExportFiles; ++iteration) {
            char output[600] = "";
            BOOL more = dock.Entry().OnExportFiles(docklet.instance, output, iteration);
            printf("dockhost: docklet %zu export files, iteration %d: %d \"%s\"\n", i + 1, iteration, more,
                   output);
        }
    }
}

// One run of the docklets, from their creation to their removal.
int RunDocklets(Dock& dock, const Options& options)
{
    if (!CreateDocklets(dock, options))
        return 1;
    if (options.readings > 0) {
        for (const auto& docklet : dock.Docklets()) {
            for (int reading = 1; reading < options.readings; ++reading)
                TickDocklet(dock, *docklet);
            StopDockletClock(*docklet);
        }
    }
    int status = 0;
    if (!options.capture.empty()) {
        dock.Pump(static_cast<DWORD>(options.seconds) * 1000); // some readings first
        status = CaptureAll(dock, options);
    } else if (!options.headless) {
        while (dock.Pump(INFINITE)) {
        }
        // The windows were closed: the quit that ended the loop is this run's.
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    } else {
        if (!options.snapshots.empty())
            CreateDirectoryW(options.snapshots.c_str(), nullptr);
        for (int second = 0; second <= options.seconds; ++second) {
            if (second > 0 && !dock.Pump(1000))
                break;
            for (size_t i = 0; i < dock.Docklets().size(); ++i) {
                const Docklet& docklet = *dock.Docklets()[i];
                auto view = Services().views.find(docklet.hwnd);
                std::wstring label = view == Services().views.end() ? L"" : Widen(view->second.label);
                printf("dockhost: t=%ds docklet %zu label \"%s\"\n", second, i + 1, Utf8(label).c_str());
                fflush(stdout);
                if (options.snapshots.empty())
                    continue;
                wchar_t file[64];
                swprintf(file, 64, L"\\docklet%zu-%02d.png", i + 1, second);
                dock.SaveSnapshot(docklet, options.snapshots + file);
            }
        }
        if (!options.snapshots.empty())
            printf("dockhost: snapshots in %s\n", Utf8(FullPath(options.snapshots)).c_str());
    }
    if (!options.exportFile.empty())
        ExportAll(dock, options);
    dock.RemoveAll(true);
    return status;
}

bool PrintInformation(Dock& dock)
{
    char name[256] = "", author[256] = "", description[2048] = "";
    int version = 0;
    if (!dock.Entry().OnGetInformation)
        return false;
    dock.Entry().OnGetInformation(name, author, &version, description);
    printf("dockhost: %s %d by %s: %s\n", name, version, author, description);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }
    if (options.module.empty())
        options.module = ExecutableFolder() + L"Docklets\\Moravel\\MoravelDocklet.dll";
    options.module = FullPath(options.module);

    Dock dock;
    dock.behaviour = options.behaviour;
    // "none": no simulated driver, so the module finds whatever driver the
    // machine's system folder has.
    if (!options.scenario.empty() && options.scenario != L"none") {
        SetEnvironmentVariableW(L"MORAVEL_SIMGPU", options.scenario.c_str());
        const std::wstring driverFile = DriverFileName();
        if (options.driver.empty())
            options.driver = BuiltSimulatedDriver();
        // The module looks in its system folder for that one name.
        const size_t slash = options.driver.find_last_of(L"\\/");
        if (_wcsicmp(options.driver.c_str() + (slash == std::wstring::npos ? 0 : slash + 1), driverFile.c_str()) != 0) {
            fwprintf(stderr, L"dockhost: the driver library must be named %ls\n", driverFile.c_str());
            return 1;
        }
        if (!UseDriverLibrary(FullPath(options.driver))) {
            fwprintf(stderr, L"dockhost: cannot load the simulated driver %ls\n", options.driver.c_str());
            return 1;
        }
    }
    if (!options.servicesLibrary.empty()) {
        const std::wstring path = FullPath(options.servicesLibrary);
        if (!dock.ServeFrom(LoadLibraryW(path.c_str()))) {
            fwprintf(stderr, L"dockhost: %ls is no services library\n", path.c_str());
            return 1;
        }
        printf("dockhost: services from %s\n", Utf8(path).c_str());
    }
    if (options.hideServices) {
        dock.HideServices(options.missingServices);
        printf("dockhost: without %zu of the nine services\n", options.missingServices.size());
    }
    Services().relativeFolder = RelativeFolderOf(options.module, dock.HostFolder());

    if (options.infoLoad) {
        if (!dock.LoadModule(options.module)) {
            fwprintf(stderr, L"dockhost: cannot load the docklet module %ls\n", options.module.c_str());
            return 1;
        }
        PrintInformation(dock);
        const bool gone = dock.UnloadModule();
        printf("dockhost: module freed after reading its information%s\n", gone ? "" : ", BUT STILL LOADED");
    }

    int status = 0;
    for (int run = 0; run <= options.reloads && status == 0; ++run) {
        if (!(run == 0 ? dock.LoadModule(options.module) : dock.ReloadModule())) {
            fwprintf(stderr, L"dockhost: cannot load the docklet module %ls\n", options.module.c_str());
            return 1;
        }
        if (run == 0 && !options.infoLoad)
            PrintInformation(dock);
        status = RunDocklets(dock, options);
        if (run < options.reloads) {
            const bool gone = dock.UnloadModule();
            printf("dockhost: module freed after run %d%s\n", run + 1, gone ? "" : ", BUT STILL LOADED");
            PumpFor(1100); // past the refresh period: anything left behind would run now
        }
    }
    if (options.behaviour.honourMouseLock)
        printf("dockhost: right clicks ignored while the mouse effect was locked: %d\n",
               dock.counts.ignoredRightClicks);
    if (options.behaviour.repeatRightClick)
        printf("dockhost: second right clicks delivered while the menu was open: %d, answered with a second "
               "menu: %d\n",
               dock.counts.repeatedRightClicks, dock.counts.secondMenus);
    return status;
}

