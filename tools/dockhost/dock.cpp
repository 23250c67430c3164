#include "dock.h"

#include <stdio.h>

#include "host_services.h"
#include "imports.h"
#include "modal.h"

namespace dockhost {

namespace {

const wchar_t WINDOW_CLASS[] = L"MoravelDockHostDocklet";

template <typename Fn>
void Bind(HMODULE module, const char* name, Fn& target)
{
    target = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::wstring ResolveHostPath(const std::string& path, const std::wstring& hostFolder)
{
    std::wstring wide = Widen(path);
    if (!wide.empty() && wide[0] == L'.') {
        size_t skip = (wide.size() > 1 && (wide[1] == L'\\' || wide[1] == L'/')) ? 2 : 1;
        return hostFolder + wide.substr(skip);
    }
    return wide;
}

// The docklet whose menu a second right click is for.
Docklet* repeatFor = nullptr;
UINT_PTR repeatTimer = 0;
DWORD repeatArmed = 0;

} // namespace

// Text between dock and docklet is in the system's ANSI code page.
std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

// Characters the code page lacks become '?', with no look-alike put in
// their place, as the docklet narrows its own texts.
std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = static_cast<int>(text.size());
    int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), length, &narrow[0], size, nullptr, nullptr);
    return narrow;
}

ModuleRange RangeOf(HMODULE module)
{
    ModuleRange range;
    if (!module)
        return range;
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    range.base = reinterpret_cast<ULONG_PTR>(base);
    range.size = nt->OptionalHeader.SizeOfImage;
    return range;
}

std::wstring ModuleFolder(HMODULE module)
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring folder(path);
    size_t slash = folder.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

std::wstring ExecutableFolder()
{
    return ModuleFolder(nullptr);
}

std::wstring BuiltModule()
{
    return ExecutableFolder() + L"MoravelDocklet.dll";
}

const wchar_t* DriverFileName()
{
#ifdef _WIN64
    return L"nvapi64.dll";
#else
    return L"nvapi.dll";
#endif
}

std::wstring BuiltSimulatedDriver(const wchar_t* build)
{
    return ExecutableFolder() + L"..\\" + build + L"\\" + DriverFileName();
}

double NowMilliseconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string TempFolder(const char* prefix)
{
    static std::string folder;
    if (folder.empty()) {
        char base[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, base);
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%s%s-%lu-%lu\\", base, prefix, GetCurrentProcessId(), GetTickCount());
        CreateDirectoryA(name, nullptr);
        folder = name;
    }
    return folder;
}

std::string ReadFile(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return std::string();
    fseek(file, 0, SEEK_END);
    const long size = ftell(file);
    fseek(file, 0, SEEK_SET);
    std::string content(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    content.resize(fread(&content[0], 1, content.size(), file));
    fclose(file);
    return content;
}

bool WriteFile(const std::string& path, const std::string& content)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = fwrite(content.data(), 1, content.size(), file) == content.size();
    return fclose(file) == 0 && ok;
}

bool SavePng(Gdiplus::Bitmap& bitmap, const std::wstring& path)
{
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0)
        return false;
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i)
        if (wcscmp(encoders[i].MimeType, L"image/png") == 0)
            return bitmap.Save(path.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
    return false;
}

Dock::Dock()
{
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = WINDOW_CLASS;
    RegisterClassExW(&windowClass);
}

Dock::~Dock()
{
    RemoveAll(false);
    Gdiplus::GdiplusShutdown(gdiplusToken_);
}

bool UseDriverLibrary(const std::wstring& library)
{
    if (library.empty()) {
        SetSystemFolder(std::wstring());
        return true;
    }
    wchar_t full[MAX_PATH] = L"";
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(library.c_str(), MAX_PATH, full, &name);
    if (length == 0 || length >= MAX_PATH || !name || name == full || !LoadLibraryW(full))
        return false;
    name[-1] = 0; // the folder, without its last separator, as the system gives its own
    SetSystemFolder(full);
    return true;
}

bool Dock::LoadModule(const std::wstring& path)
{
    if (module_)
        return false;
    modulePath_ = path;
    module_ = LoadLibraryW(path.c_str());
    if (!module_)
        return false;
    moduleRange_ = RangeOf(module_);
    PatchModule();
    Bind(module_, "OnGetInformation", entry_.OnGetInformation);
    Bind(module_, "OnCreate", entry_.OnCreate);
    Bind(module_, "OnDestroy", entry_.OnDestroy);
    Bind(module_, "OnProcessMessage", entry_.OnProcessMessage);
    Bind(module_, "OnSave", entry_.OnSave);
    Bind(module_, "OnExportFiles", entry_.OnExportFiles);
    Bind(module_, "OnLeftButtonClick", entry_.OnLeftButtonClick);
    Bind(module_, "OnDoubleClick", entry_.OnDoubleClick);
    Bind(module_, "OnLeftButtonHeld", entry_.OnLeftButtonHeld);
    Bind(module_, "OnRightButtonClick", entry_.OnRightButtonClick);
    Bind(module_, "OnConfigure", entry_.OnConfigure);
    Bind(module_, "OnAbout", entry_.OnAbout);
    return entry_.OnCreate && entry_.OnDestroy;
}

bool Dock::UnloadModule()
{
    RemoveAll(false);
    // An overlay is a GDI+ class object the module made: its virtual
    // destructor is the module's code. Every overlay the host holds must be
    // deleted while the module is still loaded.
    Services().DropOverlays();
    if (module_)
        FreeLibrary(module_);
    module_ = nullptr;
    entry_ = DockletEntryPoints();
    return modulePath_.empty() || GetModuleHandleW(modulePath_.c_str()) == nullptr;
}

bool Dock::ReloadModule()
{
    return !modulePath_.empty() && LoadModule(modulePath_);
}

bool Dock::ServeFrom(HMODULE library)
{
    if (!library || !UseServicesOf(library))
        return false;
    servicesLibrary_ = library;
    return !module_ || RedirectModuleHandle(module_, servicesLibrary_) > 0;
}

bool Dock::HideServices(const std::vector<std::string>& names)
{
    SetHiddenProcedures(names);
    hideServices_ = true;
    return !module_ || HideProcedures(module_);
}

void Dock::PatchModule()
{
    if (!module_)
        return;
    if (servicesLibrary_)
        RedirectModuleHandle(module_, servicesLibrary_);
    if (hideServices_)
        HideProcedures(module_);
    AnswerSystemFolder(module_);
    if (afterLoad)
        afterLoad(module_);
}

std::wstring Dock::HostFolder() const
{
    // The dock's root is its executable's folder, whichever module serves.
    return ExecutableFolder();
}

Docklet* Dock::AddDocklet(const char* iniFile, const char* iniSection, bool visible)
{
    if (!entry_.OnCreate)
        return nullptr;
    auto docklet = std::make_unique<Docklet>();
    docklet->dock = this;
    if (iniFile)
        docklet->iniFile = iniFile;
    if (iniSection)
        docklet->iniSection = iniSection;
    int x = 40 + static_cast<int>(docklets_.size()) * (ICON_SIZE + 16);
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | (visible ? WS_VISIBLE : 0);
    RECT frame = {0, 0, ICON_SIZE, ICON_SIZE + LABEL_HEIGHT};
    AdjustWindowRect(&frame, style, FALSE);
    docklet->hwnd = CreateWindowExW(0, WINDOW_CLASS, L"Moravel Docklet", style, x, 40, frame.right - frame.left,
                                    frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr),
                                    docklet.get());
    if (!docklet->hwnd)
        return nullptr;
    Docklet* raw = docklet.get();
    docklets_.push_back(std::move(docklet));
    raw->instance = entry_.OnCreate(raw->hwnd, module_, iniFile ? const_cast<char*>(raw->iniFile.c_str()) : nullptr,
                                    iniSection ? const_cast<char*>(raw->iniSection.c_str()) : nullptr);
    return raw;
}

void Dock::RemoveDocklet(Docklet* docklet, bool save)
{
    for (auto it = docklets_.begin(); it != docklets_.end(); ++it) {
        if (it->get() != docklet)
            continue;
        void* instance = docklet->instance;
        docklet->instance = nullptr; // no message reaches the instance after this
        if (repeatFor == docklet)
            repeatFor = nullptr;
        if (instance) {
            if (save && entry_.OnSave && !docklet->iniFile.empty() && !docklet->iniSection.empty())
                entry_.OnSave(instance, const_cast<char*>(docklet->iniFile.c_str()),
                              const_cast<char*>(docklet->iniSection.c_str()), FALSE);
            entry_.OnDestroy(instance, docklet->hwnd);
        }
        SetWindowLongPtrW(docklet->hwnd, GWLP_USERDATA, 0);
        DestroyWindow(docklet->hwnd);
        Services().views.erase(docklet->hwnd);
        docklets_.erase(it);
        return;
    }
}

void Dock::RemoveAll(bool save)
{
    while (!docklets_.empty())
        RemoveDocklet(docklets_.back().get(), save);
}

bool Dock::Pump(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // Docklets that asked to be removed go without being saved.
        for (size_t i = 0; i < docklets_.size();) {
            Docklet* docklet = docklets_[i].get();
            auto view = Services().views.find(docklet->hwnd);
            if (view != Services().views.end() && view->second.removeRequested)
                RemoveDocklet(docklet, false);
            else
                ++i;
        }
        if (docklets_.empty())
            return false;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

BOOL Dock::RightClick(Docklet* docklet, POINT* point, SIZE* size)
{
    if (!docklet || !docklet->instance || !entry_.OnRightButtonClick)
        return FALSE;
    if (behaviour.honourMouseLock) {
        auto view = Services().views.find(docklet->hwnd);
        if (view != Services().views.end() && view->second.lockDepth > 0) {
            ++counts.ignoredRightClicks;
            return FALSE;
        }
    }
    if (behaviour.repeatRightClick && !repeatTimer) {
        // The second click comes from inside the menu's loop, once the menu shows.
        repeatFor = docklet;
        repeatArmed = GetTickCount();
        repeatTimer = SetTimer(nullptr, 0, 50, RepeatRightClick);
    }
    return entry_.OnRightButtonClick(docklet->instance, point, size);
}

void CALLBACK Dock::RepeatRightClick(HWND, UINT, UINT_PTR, DWORD)
{
    Docklet* docklet = repeatFor;
    const bool menuOpen = FindPopupMenu() != nullptr;
    const bool gone = !docklet || !docklet->dock || !docklet->instance;
    // Once delivered, or when no menu showed within two seconds, it is over.
    if (gone || menuOpen || GetTickCount() - repeatArmed > 2000) {
        KillTimer(nullptr, repeatTimer);
        repeatTimer = 0;
        repeatFor = nullptr;
    }
    if (gone || !menuOpen)
        return;
    Dock& dock = *docklet->dock;
    ++dock.counts.repeatedRightClicks;
    const int locksBefore = Services().CountCalls("DockletLockMouseEffect", docklet->hwnd);
    POINT point = {10, 10};
    SIZE size = {ICON_SIZE, ICON_SIZE};
    dock.entry_.OnRightButtonClick(docklet->instance, &point, &size);
    if (Services().CountCalls("DockletLockMouseEffect", docklet->hwnd) != locksBefore)
        ++dock.counts.secondMenus;
}

Docklet* Dock::FromWindow(HWND hwnd)
{
    return reinterpret_cast<Docklet*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK Dock::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    Docklet* docklet = FromWindow(hwnd);
    if (docklet && docklet->dock)
        return docklet->dock->HandleMessage(docklet, hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Dock::HandleMessage(Docklet* docklet, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Every message goes to the docklet first, as a dock host does.
    if (docklet->instance && entry_.OnProcessMessage)
        entry_.OnProcessMessage(docklet->instance, hwnd, message, wParam, lParam);
    if (!docklet->instance)
        return DefWindowProcW(hwnd, message, wParam, lParam);

    POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    SIZE size = {ICON_SIZE, ICON_SIZE};
    switch (message) {
    case WM_PAINT:
        Paint(docklet);
        return 0;
    case WM_LBUTTONUP:
        if (entry_.OnLeftButtonClick)
            entry_.OnLeftButtonClick(docklet->instance, &point, &size);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (entry_.OnDoubleClick)
            entry_.OnDoubleClick(docklet->instance, &point, &size);
        return 0;
    case WM_RBUTTONUP:
        RightClick(docklet, &point, &size);
        return 0;
    case WM_KEYDOWN:
        if (wParam == 'C' && entry_.OnConfigure)
            entry_.OnConfigure(docklet->instance);
        else if (wParam == 'A' && entry_.OnAbout)
            entry_.OnAbout(docklet->instance);
        return 0;
    case WM_CLOSE:
        RemoveDocklet(docklet, true);
        if (docklets_.empty())
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

std::unique_ptr<Gdiplus::Bitmap> Dock::Render(const Docklet& docklet) const
{
    auto picture = std::make_unique<Gdiplus::Bitmap>(ICON_SIZE, ICON_SIZE + LABEL_HEIGHT, PixelFormat32bppARGB);
    Gdiplus::Graphics graphics(picture.get());
    graphics.Clear(Gdiplus::Color(255, 43, 47, 54));
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);

    auto view = Services().views.find(docklet.hwnd);
    if (view == Services().views.end())
        return picture;
    if (!view->second.imageFile.empty()) {
        Gdiplus::Image base(ResolveHostPath(view->second.imageFile, HostFolder()).c_str());
        if (base.GetLastStatus() == Gdiplus::Ok)
            graphics.DrawImage(&base, 0, 0, ICON_SIZE, ICON_SIZE);
    }
    if (auto overlay = ClassCopyOf(view->second.overlay.native()))
        graphics.DrawImage(overlay.get(), 0, 0, ICON_SIZE, ICON_SIZE);

    Gdiplus::FontFamily tahoma(L"Tahoma");
    const Gdiplus::FontFamily* family =
        tahoma.GetLastStatus() == Gdiplus::Ok ? &tahoma : Gdiplus::FontFamily::GenericSansSerif();
    Gdiplus::Font font(family, 13.0f, Gdiplus::FontStyleBold, Gdiplus::UnitPixel);
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
    std::wstring label = Widen(view->second.label);
    Gdiplus::RectF strip(0, ICON_SIZE, ICON_SIZE, LABEL_HEIGHT);
    graphics.DrawString(label.c_str(), -1, &font, strip, &format, &white);
    return picture;
}

bool Dock::SaveSnapshot(const Docklet& docklet, const std::wstring& path) const
{
    auto picture = Render(docklet);
    return picture && SavePng(*picture, path);
}

void Dock::Paint(Docklet* docklet)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(docklet->hwnd, &paint);
    auto picture = Render(*docklet);
    if (picture) {
        Gdiplus::Graphics screen(dc);
        screen.DrawImage(picture.get(), 0, 0);
    }
    EndPaint(docklet->hwnd, &paint);
}

} // namespace dockhost
