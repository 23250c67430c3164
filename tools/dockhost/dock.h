// A small dock: loads a docklet module, gives each docklet a window, forwards
// the window's messages and mouse actions to the module's entry points, and
// paints base image, overlay and label.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dockhost {

struct DockletEntryPoints {
    void(CALLBACK* OnGetInformation)(char*, char*, int*, char*) = nullptr;
    void*(CALLBACK* OnCreate)(HWND, HINSTANCE, char*, char*) = nullptr;
    void(CALLBACK* OnDestroy)(void*, HWND) = nullptr;
    void(CALLBACK* OnProcessMessage)(void*, HWND, UINT, WPARAM, LPARAM) = nullptr;
    void(CALLBACK* OnSave)(void*, char*, char*, BOOL) = nullptr;
    BOOL(CALLBACK* OnExportFiles)(void*, char*, int) = nullptr;
    BOOL(CALLBACK* OnLeftButtonClick)(void*, POINT*, SIZE*) = nullptr;
    BOOL(CALLBACK* OnDoubleClick)(void*, POINT*, SIZE*) = nullptr;
    BOOL(CALLBACK* OnLeftButtonHeld)(void*, POINT*, SIZE*) = nullptr;
    BOOL(CALLBACK* OnRightButtonClick)(void*, POINT*, SIZE*) = nullptr;
    INT_PTR(CALLBACK* OnConfigure)(void*) = nullptr;
    INT_PTR(CALLBACK* OnAbout)(void*) = nullptr;
};

class Dock;

// Where a module's image lies in memory (also once it has been freed).
struct ModuleRange {
    ULONG_PTR base = 0;
    ULONG_PTR size = 0;
    bool Contains(ULONG_PTR address) const { return address - base < size; }
    bool Contains(const void* address) const { return Contains(reinterpret_cast<ULONG_PTR>(address)); }
};
ModuleRange RangeOf(HMODULE module);

// How a host treats its docklets beyond the calls every host makes.
struct HostBehaviour {
    // Right clicks on a docklet are ignored while it holds the mouse effect
    // locked (DockletLockMouseEffect(hwnd, 1) until (hwnd, 0)).
    bool honourMouseLock = false;
    // While the docklet's context menu is open, the host delivers a second
    // right click to it.
    bool repeatRightClick = false;
};

// What the host saw of those behaviours.
struct HostBehaviourCounts {
    int ignoredRightClicks = 0;  // dropped while the mouse effect was locked
    int repeatedRightClicks = 0; // second clicks delivered while a menu was open
    int secondMenus = 0;         // of those, clicks the docklet answered by locking again (a second menu)
};

struct Docklet {
    Dock* dock = nullptr;
    HWND hwnd = nullptr;
    void* instance = nullptr;
    std::string iniFile;    // empty: none given
    std::string iniSection; // empty: none given
};

class Dock {
public:
    Dock();
    ~Dock();

    bool LoadModule(const std::wstring& path);
    // Removes every docklet (unsaved), deletes the overlays the host holds and
    // frees the module, as hosts do after the last docklet of a module is
    // gone. True when the module has really left the process.
    bool UnloadModule();
    // Loads the module of the last LoadModule again.
    bool ReloadModule();
    HMODULE Module() const { return module_; }
    const std::wstring& ModulePath() const { return modulePath_; }
    // Where the module lies, or lay before it was freed.
    const ModuleRange& ModuleImage() const { return moduleRange_; }
    const DockletEntryPoints& Entry() const { return entry_; }

    // Serves the docklet services from `library` rather than the program:
    // the module's GetModuleHandle(NULL) answers the library (now, and after
    // every later load), and Services() is the library's state.
    bool ServeFrom(HMODULE library);
    // The module's GetProcAddress misses these names (now, and after every
    // later load), as in a host that lacks those services.
    bool HideServices(const std::vector<std::string>& names);
    // The dock's root: the program's folder, also when a services library
    // serves the docklet. Paths the docklet gives relative to the host
    // (".\" first) start here, as do the folders the host reports.
    std::wstring HostFolder() const;

    // Called after every load of the module, once the host's own changes to
    // it are made (tests count the module's calls through it).
    std::function<void(HMODULE)> afterLoad;

    HostBehaviour behaviour;
    HostBehaviourCounts counts;
    // A right click on the docklet, as the host delivers it.
    BOOL RightClick(Docklet* docklet, POINT* point, SIZE* size);

    // Creates a window and the docklet in it; null section or file: none given.
    Docklet* AddDocklet(const char* iniFile, const char* iniSection, bool visible = false);
    // Saves (when it has an INI file and section), destroys and closes it.
    void RemoveDocklet(Docklet* docklet, bool save = true);
    void RemoveAll(bool save = true);
    const std::vector<std::unique_ptr<Docklet>>& Docklets() const { return docklets_; }

    // Runs the message loop for about `milliseconds` (0: what is queued).
    // Returns false once every window has been closed.
    bool Pump(DWORD milliseconds);

    // Base image, overlay and label, as the dock shows the docklet.
    std::unique_ptr<Gdiplus::Bitmap> Render(const Docklet& docklet) const;
    bool SaveSnapshot(const Docklet& docklet, const std::wstring& path) const;

    static Docklet* FromWindow(HWND hwnd);

    Dock(const Dock&) = delete;
    Dock& operator=(const Dock&) = delete;

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    static void CALLBACK RepeatRightClick(HWND, UINT, UINT_PTR, DWORD);
    void PatchModule();
    LRESULT HandleMessage(Docklet* docklet, HWND, UINT, WPARAM, LPARAM);
    void Paint(Docklet* docklet);

    HMODULE module_ = nullptr;
    std::wstring modulePath_;
    ModuleRange moduleRange_;
    HMODULE servicesLibrary_ = nullptr;
    bool hideServices_ = false;
    DockletEntryPoints entry_;
    std::vector<std::unique_ptr<Docklet>> docklets_;
    ULONG_PTR gdiplusToken_ = 0;
};

// Has every docklet module a dock loads find `library` as the driver: the
// module loads the driver's library from the system folder only, and from
// now on its GetSystemDirectoryW answers the folder of `library` (see
// AnswerSystemFolder). The library is loaded here and stays loaded, as the
// driver does, so that a host can talk to a simulated one. An empty path
// gives the module the system's own folder again. False when the library
// cannot be loaded.
bool UseDriverLibrary(const std::wstring& library);

// Icon size and the label strip under it.
enum { ICON_SIZE = 256, LABEL_HEIGHT = 28 };

bool SavePng(Gdiplus::Bitmap& bitmap, const std::wstring& path);
// A fresh folder for this process in the system's temporary folder, named
// after `prefix`, ending in a backslash; the same for every call.
std::string TempFolder(const char* prefix);
std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& content);
std::wstring ExecutableFolder();
std::wstring ModuleFolder(HMODULE module);
// What the build puts beside a program of its own: the module, and in a
// folder apart (beside the module it would stand in for the real driver)
// the simulated driver, named as the driver is ("simgpu"), or its build
// without the lookup export ("simgpu-nolookup").
std::wstring BuiltModule();
const wchar_t* DriverFileName(); // nvapi.dll, or nvapi64.dll for 64-bit programs
std::wstring BuiltSimulatedDriver(const wchar_t* build = L"simgpu");
// A fine clock, in milliseconds.
double NowMilliseconds();
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

} // namespace dockhost
