#include "harness.h"

#include "config/resource.h"
#include "footprint.h"

#include <stdio.h>

#include <prsht.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>

namespace harness {

std::wstring BinFolder()
{
    return dockhost::ExecutableFolder();
}

std::wstring ModulePath()
{
    return dockhost::BuiltModule();
}

std::wstring SimulatedDriverPath()
{
    return dockhost::BuiltSimulatedDriver();
}

bool LoadScenario(const char* scenario)
{
    if (!dockhost::UseDriverLibrary(SimulatedDriverPath()))
        return false;
    HMODULE driver = LoadLibraryW(SimulatedDriverPath().c_str());
    typedef int (*LoadScenarioFn)(const char*);
    auto load = driver ? reinterpret_cast<LoadScenarioFn>(
                             reinterpret_cast<void*>(GetProcAddress(driver, "SimGpu_Load")))
                       : nullptr;
    return load && load(scenario) == 0;
}

int DriverCallCount(const char* what)
{
    HMODULE driver = GetModuleHandleW(dockhost::DriverFileName());
    typedef int(__cdecl * CountFn)(const char*);
    auto count = driver ? reinterpret_cast<CountFn>(reinterpret_cast<void*>(GetProcAddress(driver, "SimGpu_CallCount")))
                        : nullptr;
    return count ? count(what) : -1;
}

std::string TempFolder()
{
    return dockhost::TempFolder("moravel-test");
}

std::string ReadFile(const std::string& path)
{
    return dockhost::ReadFile(path);
}

bool WriteFile(const std::string& path, const std::string& content)
{
    return dockhost::WriteFile(path, content);
}

std::string Value(const KeyValues& values, const std::string& key)
{
    for (const auto& kv : values)
        if (kv.first == key)
            return kv.second;
    return "<missing>";
}

KeyValues Merged(KeyValues values, const KeyValues& over)
{
    for (const auto& kv : over) {
        auto same = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == kv.first; });
        if (same == values.end())
            values.push_back(kv);
        else
            same->second = kv.second;
    }
    return values;
}

std::string WriteSection(const std::string& name, const std::string& section, const KeyValues& values)
{
    std::string text = "[" + section + "]\r\n";
    for (const auto& kv : values)
        text += kv.first + "=" + kv.second + "\r\n";
    const std::string path = TempFolder() + name;
    return WriteFile(path, text) ? path : std::string();
}

KeyValues SectionOf(const std::string& text, const std::string& section)
{
    KeyValues result;
    std::istringstream lines(text);
    std::string line;
    bool inSection = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t equals = line.find('=');
        if (!line.empty() && line[0] == '[')
            inSection = line == "[" + section + "]";
        else if (inSection && equals != std::string::npos)
            result.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return result;
}

KeyValues ReadSection(const std::string& file, const std::string& section)
{
    return SectionOf(ReadFile(file), section);
}

bool Pixels::SavePng(const std::wstring& path) const
{
    if (Empty())
        return false;
    Gdiplus::Bitmap bitmap(width, height, width * 4, PixelFormat32bppARGB,
                           reinterpret_cast<BYTE*>(const_cast<uint32_t*>(argb.data())));
    return dockhost::SavePng(bitmap, path);
}

Pixels Capture(Gdiplus::Image* image)
{
    Pixels pixels;
    if (!image || image->GetType() != Gdiplus::ImageTypeBitmap)
        return pixels;
    auto* bitmap = static_cast<Gdiplus::Bitmap*>(image);
    const int width = static_cast<int>(bitmap->GetWidth());
    const int height = static_cast<int>(bitmap->GetHeight());
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data;
    if (bitmap->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.argb.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        memcpy(&pixels.argb[static_cast<size_t>(y) * width], static_cast<BYTE*>(data.Scan0) + y * data.Stride,
               static_cast<size_t>(width) * 4);
    bitmap->UnlockBits(&data);
    return pixels;
}

Pixels PixelsOfBitmap(HBITMAP bitmap)
{
    Pixels pixels;
    BITMAP info = {};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return pixels;
    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    pixels.width = info.bmWidth;
    pixels.height = info.bmHeight;
    pixels.argb.resize(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC dc = GetDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.argb.data(), &request,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows != info.bmHeight)
        return Pixels();
    return pixels;
}

void MoveSlider(HWND page, int slider, int position, int code)
{
    HWND control = GetDlgItem(page, slider);
    SendMessageW(control, TBM_SETPOS, TRUE, position);
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(control));
}

Pixels PictureOf(HWND dialog, int control)
{
    return PixelsOfBitmap(reinterpret_cast<HBITMAP>(
        SendDlgItemMessageW(dialog, control, STM_GETIMAGE, IMAGE_BITMAP, 0)));
}

int CountGdiObjects()
{
    return dockhost::MeasureFootprint().gdiObjects;
}

int CountUserObjects()
{
    return dockhost::MeasureFootprint().userObjects;
}

std::string WriteTestImage(const std::string& name, int width, int height, uint32_t colour,
                           bool transparentLeftHalf)
{
    const std::string path = TempFolder() + name;
    Gdiplus::Bitmap image(width, height, PixelFormat32bppARGB);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, Gdiplus::Color(transparentLeftHalf && x < width / 2 ? 0 : colour));
    return dockhost::SavePng(image, dockhost::Widen(path)) ? path : std::string();
}

namespace {

std::unique_ptr<dockhost::Dock>& TheDock()
{
    static std::unique_ptr<dockhost::Dock> dock;
    return dock;
}

} // namespace

bool DockTest::UseSimulatedDriver(const std::string& scenario)
{
    std::string path = TempFolder() + "scenario.txt";
    if (!WriteFile(path, scenario))
        return false;
    SetEnvironmentVariableA("MORAVEL_SIMGPU", path.c_str());
    return dockhost::UseDriverLibrary(SimulatedDriverPath());
}

void ReleaseDock()
{
    auto& dock = TheDock();
    if (dock)
        dock->UnloadModule();
    dock.reset();
}

dockhost::Dock& DockTest::GetDock()
{
    auto& dock = TheDock();
    if (!dock) {
        dock = std::make_unique<dockhost::Dock>();
        if (!dock->LoadModule(ModulePath()))
            ADD_FAILURE() << "cannot load the module under test";
    }
    return *dock;
}

void DockTest::SetUp()
{
    ui_.Clear();
    GetDock();
    Host().Clear();
    Host().relativeFolder = ".\\Docklets\\Moravel\\";
    Host().browseAccepts = false;
    Host().keepAllOverlays = false;
}

void DockTest::TearDown()
{
    ui_.Clear();
    GetDock().RemoveAll(false);
}

dockhost::Docklet* DockTest::Create(const char* iniFile, const char* iniSection)
{
    dockhost::Docklet* docklet = GetDock().AddDocklet(iniFile, iniSection);
    EXPECT_NE(docklet, nullptr) << "no docklet window (is there a display?)";
    if (docklet) {
        EXPECT_NE(docklet->instance, nullptr);
    }
    return docklet;
}

namespace {

// A file name of its own for every settings file a test process writes.
std::string NextFileName(const char* what)
{
    static int files = 0;
    return std::string(what) + "-" + std::to_string(++files) + ".ini";
}

const char SECTION[] = "Docklet";

} // namespace

dockhost::Docklet* DockTest::CreateWith(const KeyValues& settings)
{
    const std::string ini = WriteSection(NextFileName("settings"), SECTION, settings);
    EXPECT_FALSE(ini.empty()) << "cannot write the settings file";
    return Create(ini.c_str(), SECTION);
}

void DockTest::Destroy(dockhost::Docklet* docklet, bool save)
{
    GetDock().RemoveDocklet(docklet, save);
}

void DockTest::Tick(dockhost::Docklet* docklet)
{
    GetDock().Entry().OnProcessMessage(docklet->instance, docklet->hwnd, WM_TIMER, REFRESH_TIMER_ID, 0);
}

std::string DockTest::Label(dockhost::Docklet* docklet)
{
    auto view = Host().views.find(docklet->hwnd);
    return view == Host().views.end() ? std::string() : view->second.label;
}

Pixels DockTest::Overlay(dockhost::Docklet* docklet)
{
    auto view = Host().views.find(docklet->hwnd);
    if (view == Host().views.end())
        return Pixels();
    return Capture(dockhost::ClassCopyOf(view->second.overlay.native()).get());
}

std::string DockTest::ImageFile(dockhost::Docklet* docklet)
{
    auto view = Host().views.find(docklet->hwnd);
    return view == Host().views.end() ? std::string() : view->second.imageFile;
}

KeyValues DockTest::Saved(dockhost::Docklet* docklet)
{
    const std::string file = TempFolder() + NextFileName("saved");
    GetDock().Entry().OnSave(docklet->instance, const_cast<char*>(file.c_str()), const_cast<char*>(SECTION), FALSE);
    return ReadSection(file, SECTION);
}

std::string DockTest::Saved(dockhost::Docklet* docklet, const std::string& key)
{
    return Value(Saved(docklet), key);
}

std::vector<DWORD> DockTest::OverlayTimes(dockhost::Docklet* docklet)
{
    std::vector<DWORD> times;
    for (const dockhost::ServiceCall& call : Host().calls)
        if (call.service == "DockletSetImageOverlay" && call.hwnd == docklet->hwnd)
            times.push_back(call.at);
    return times;
}

bool DockTest::WaitFor(const std::function<bool()>& done, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        GetDock().Pump(0);
        if (done())
            return true;
        const DWORD waited = GetTickCount() - start;
        if (waited >= milliseconds)
            return false;
        // Until a message comes (a timer's among them); a short while at most,
        // for what changes without one.
        const DWORD left = milliseconds - waited;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 50 ? left : 50, QS_ALLINPUT);
    }
}

bool DockTest::WaitForTimerRefresh(dockhost::Docklet* docklet, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            const bool refresh = message.hwnd == docklet->hwnd && message.message == WM_TIMER &&
                                 message.wParam == REFRESH_TIMER_ID;
            TranslateMessage(&message);
            DispatchMessageW(&message);
            if (refresh)
                return true;
        }
        const DWORD waited = GetTickCount() - start;
        if (waited >= milliseconds)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - waited, QS_ALLINPUT);
    }
}

bool DockTest::RunUi(std::function<void()> open)
{
    ui_.Start();
    open();
    ui_.Stop();
    EXPECT_FALSE(ui_.TimedOut()) << "the scripted user timed out after " << ui_.StepsDone() << " steps";
    EXPECT_TRUE(ui_.Finished()) << "the window closed after " << ui_.StepsDone() << " steps";
    const bool ok = ui_.Finished() && !ui_.TimedOut();
    ui_.Clear();
    return ok;
}

INT_PTR DockTest::Configure(dockhost::Docklet* docklet)
{
    INT_PTR result = -2;
    RunUi([&] { result = GetDock().Entry().OnConfigure(docklet->instance); });
    return result;
}

INT_PTR DockTest::About(dockhost::Docklet* docklet)
{
    INT_PTR result = -2;
    RunUi([&] { result = GetDock().Entry().OnAbout(docklet->instance); });
    return result;
}

BOOL DockTest::RightClick(dockhost::Docklet* docklet)
{
    BOOL result = FALSE;
    POINT point = {10, 10};
    SIZE size = {256, 256};
    RunUi([&] { result = GetDock().Entry().OnRightButtonClick(docklet->instance, &point, &size); });
    return result;
}

INT_PTR DockTest::ConfigureSizeAndBars(dockhost::Docklet* docklet, const wchar_t* size, int barAlpha)
{
    Ui().Then(OpenPage(2))
        .Do([size] { SetDlgItemTextW(CurrentPage(), IDC_FONT_SIZE, size); })
        .Then(OpenPage(3))
        .Do([barAlpha] { MoveSlider(CurrentPage(), IDC_GRAPH_BAR_ALPHA, barAlpha, TB_THUMBPOSITION); })
        .Do([] { PressSheetButton(PSBTN_OK); });
    return Configure(docklet);
}

void DockTest::Choose(dockhost::Docklet* docklet, UINT command)
{
    Ui().Then([command] {
        HWND popup = dockhost::FindPopupMenu();
        return popup && dockhost::ChooseMenuItem(popup, command);
    });
    EXPECT_EQ(RightClick(docklet), TRUE) << "menu command " << command;
}

void DockTest::Freeze(dockhost::Docklet* docklet)
{
    dockhost::StopDockletClock(*docklet);
}

dockhost::Docklet* DockTest::CreateFrozen(int temperature, const KeyValues& settings)
{
    if (!UseSimulatedDriver("temperature " + std::to_string(temperature) + "\n"))
        return nullptr;
    dockhost::Docklet* docklet = settings.empty() ? Create() : CreateWith(settings);
    if (!docklet)
        return nullptr;
    Freeze(docklet);
    Host().Clear();
    return docklet;
}

void FrozenDockletTest::SetUp()
{
    DockTest::SetUp();
    docklet = CreateFrozen(temperature_);
    ASSERT_NE(docklet, nullptr);
}

void FrozenDockletTest::Restart(const KeyValues& settings)
{
    Destroy(docklet);
    docklet = CreateFrozen(temperature_, settings);
    ASSERT_NE(docklet, nullptr);
}

void FrozenDockletTest::OnPage(int page, std::function<void(HWND)> look, int button)
{
    Ui().Then(OpenPage(page)).Do([look] { look(CurrentPage()); }).Do([button] { PressSheetButton(button); });
    EXPECT_EQ(Configure(docklet), 0);
}

HWND DockTest::Sheet()
{
    return dockhost::FindThreadWindow(SHEET_CAPTION);
}

HWND DockTest::CurrentPage()
{
    HWND sheet = Sheet();
    return sheet ? reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
}

dockhost::ModalDriver::Step DockTest::OpenPage(int index)
{
    return [index]() {
        HWND sheet = Sheet();
        if (!sheet)
            return false;
        SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
        return CurrentPage() == dockhost::SheetPage(sheet, index);
    };
}

void DockTest::PressSheetButton(int button)
{
    PostMessageW(Sheet(), PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}

} // namespace harness
