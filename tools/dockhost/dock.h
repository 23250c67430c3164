// A small dock: loads a docklet module, gives each docklet a window, forwards
// the window's messages and mouse actions to the module's entry points, and
// paints base image, overlay and label.
#pragma once

#include <windows.h>
#include <gdiplus.h>

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
    Dock(const Dock&) = delete;
    Dock& operator=(const Dock&) = delete;

    // Loads a library by full path ahead of the module, so that the module's
    // plain-name load of the same file name finds it.
    bool Preload(const std::wstring& path);
    bool LoadModule(const std::wstring& path);
    HMODULE Module() const { return module_; }
    const DockletEntryPoints& Entry() const { return entry_; }

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

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(Docklet* docklet, HWND, UINT, WPARAM, LPARAM);
    void Paint(Docklet* docklet);

    HMODULE module_ = nullptr;
    std::vector<HMODULE> preloaded_;
    DockletEntryPoints entry_;
    std::vector<std::unique_ptr<Docklet>> docklets_;
    ULONG_PTR gdiplusToken_ = 0;
};

// Icon size and the label strip under it.
enum { ICON_SIZE = 256, LABEL_HEIGHT = 28 };

bool SavePng(Gdiplus::Bitmap& bitmap, const std::wstring& path);
std::wstring ExecutableFolder();
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

} // namespace dockhost
