// dockhost: runs a docklet module the way a dock does.
//
//   dockhost [--module PATH] [--ini FILE --section NAME] [--count N]
//            [--simulate-gpu SCENARIO|none] [--driver PATH]
//            [--headless] [--seconds N] [--snapshots DIR]
//            [--capture menu,about,general,icon,font,graph --capture-dir DIR]
//
// With a window: left click, double click and right click go to the docklet;
// the C key opens its settings, the A key its About box. Closing the window
// saves the docklet into its INI section.
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>

#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <string>

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
    std::wstring capture;
    std::wstring captureDir;
};

void Usage()
{
    fwprintf(stderr,
             L"usage: dockhost [--module PATH] [--ini FILE --section NAME] [--count N]\n"
             L"                [--simulate-gpu SCENARIO|none] [--driver PATH]\n"
             L"                [--headless] [--seconds N] [--snapshots DIR]\n"
             L"                [--capture menu,about,general,icon,font,graph --capture-dir DIR]\n");
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
        } else if (arg == L"--capture" && next(options.capture)) {
        } else if (arg == L"--capture-dir" && next(options.captureDir)) {
        } else {
            return false;
        }
    }
    return options.count >= 1 && options.seconds >= 0;
}

std::wstring FullPath(const std::wstring& path)
{
    wchar_t full[MAX_PATH] = L"";
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return (length && length < MAX_PATH) ? std::wstring(full) : path;
}

// The docklet's folder as a dock reports it: relative to the dock's own
// folder (".\" first) when it lies below it, else the full folder.
std::string RelativeFolderOf(const std::wstring& module)
{
    std::wstring folder = module.substr(0, module.find_last_of(L'\\') + 1);
    std::wstring root = ExecutableFolder();
    if (_wcsnicmp(folder.c_str(), root.c_str(), root.size()) == 0)
        return ".\\" + Narrow(folder.substr(root.size()));
    return Narrow(folder);
}

// The label is 8-bit text of the Latin-1 range (the degree sign is 0xB0);
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
    if (what == L"menu") {
        if (!entry.OnRightButtonClick)
            return false;
        driver.Then(captureWhenSettled(FindPopupMenu)).Do([] { EndMenu(); });
        driver.Start();
        entry.OnRightButtonClick(docklet.instance, nullptr, nullptr);
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
    dock.RemoveAll(true);
    return failures ? 1 : 0;
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
    // "none": no simulated driver, so the module finds whatever driver the machine has.
    if (!options.scenario.empty() && options.scenario != L"none") {
        SetEnvironmentVariableW(L"MORAVEL_SIMGPU", options.scenario.c_str());
        if (options.driver.empty())
            options.driver = ExecutableFolder() + L"..\\simgpu\\" +
#ifdef _WIN64
                             L"nvapi64.dll";
#else
                             L"nvapi.dll";
#endif
        if (!dock.Preload(FullPath(options.driver))) {
            fwprintf(stderr, L"dockhost: cannot load the simulated driver %ls\n", options.driver.c_str());
            return 1;
        }
    }
    if (!dock.LoadModule(options.module)) {
        fwprintf(stderr, L"dockhost: cannot load the docklet module %ls\n", options.module.c_str());
        return 1;
    }
    Services().relativeFolder = RelativeFolderOf(options.module);

    char name[256] = "", author[256] = "", description[2048] = "";
    int version = 0;
    if (dock.Entry().OnGetInformation)
        dock.Entry().OnGetInformation(name, author, &version, description);
    printf("dockhost: %s %d by %s: %s\n", name, version, author, description);

    const bool hasIni = !options.iniFile.empty() && !options.iniSection.empty();
    for (int i = 0; i < options.count; ++i) {
        std::string section = options.iniSection;
        if (hasIni && i > 0)
            section += std::to_string(i + 1);
        if (!dock.AddDocklet(hasIni ? options.iniFile.c_str() : nullptr, hasIni ? section.c_str() : nullptr,
                             !options.headless)) {
            fwprintf(stderr, L"dockhost: cannot create a docklet window (is there a display?)\n");
            return 1;
        }
    }

    if (!options.capture.empty()) {
        dock.Pump(1500); // a reading or two first
        return CaptureAll(dock, options);
    }

    if (!options.headless) {
        while (dock.Pump(INFINITE)) {
        }
        return 0;
    }

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
    dock.RemoveAll(true);
    return 0;
}
