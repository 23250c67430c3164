// Test programs play the dock host: the host's services are linked into them
// and exported by name, and the real module is loaded from beside the program,
// as a dock loads it.
#pragma once

#include <windows.h>
#include <gdiplus.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdint.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/docklet.h"
#include "dock.h"
#include "host_cycle.h"
#include "host_services.h"
#include "modal.h"

namespace harness {

using dockhost::ABOUT_CAPTION;
using dockhost::SHEET_CAPTION;

std::wstring BinFolder();             // the test program's folder, ending in a backslash
std::wstring ModulePath();            // the module under test
std::wstring SimulatedDriverPath();   // the simulated driver, kept out of the module's folder
// Has the module find the simulated driver in its system folder (see
// dockhost::UseDriverLibrary; it stays loaded, as the real one does) and
// has it answer with `scenario` from now on; false when it is missing or did
// not understand every line.
bool LoadScenario(const char* scenario);
// How often the simulated driver saw something (SimGpu_CallCount); -1
// without it.
int DriverCallCount(const char* what);
std::string TempFolder();             // a fresh folder for this process, ending in a backslash
// Frees the module of the tests' dock (its docklets removed, the overlays it
// holds deleted), for a test that loads the module alone; the next test to
// ask for that dock loads it again.
void ReleaseDock();
std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& content);

// Settings as a dock's INI section holds them: keys and values in file order.
using KeyValues = std::vector<std::pair<std::string, std::string>>;
// The value of `key`, "<missing>" when there is none.
std::string Value(const KeyValues& values, const std::string& key);
// `values` with those of `over` in place of its own, and over's others after.
KeyValues Merged(KeyValues values, const KeyValues& over);
// A file `name` in TempFolder() holding `section` with `values`; its path.
std::string WriteSection(const std::string& name, const std::string& section, const KeyValues& values);
// The keys of `section` in `file`, or in an INI file's `text`, in file
// order, each value as written.
KeyValues ReadSection(const std::string& file, const std::string& section);
KeyValues SectionOf(const std::string& text, const std::string& section);

// Pixels of an image in ARGB (alpha in the top byte), row by row.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;
    uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
    int Alpha(int x, int y) const { return static_cast<int>(At(x, y) >> 24); }
    bool Empty() const { return argb.empty(); }
    bool SavePng(const std::wstring& path) const;
};
Pixels Capture(Gdiplus::Image* image);

// One dock per test process; the module stays loaded until the process ends,
// as it does in a real dock.
class DockTest : public ::testing::Test {
protected:
    // Call before the first docklet of the process to have the module find
    // the simulated driver, answering with `scenario` (scenario file text).
    static bool UseSimulatedDriver(const std::string& scenario);

    void SetUp() override;
    void TearDown() override;

    dockhost::Dock& GetDock();
    dockhost::HostServices& Host() { return dockhost::Services(); }

    // Creates a docklet; null arguments mean the host names no INI file/section.
    dockhost::Docklet* Create(const char* iniFile = nullptr, const char* iniSection = nullptr);
    // Creates a docklet from a settings file of its own that holds `settings`.
    dockhost::Docklet* CreateWith(const KeyValues& settings);
    void Destroy(dockhost::Docklet* docklet, bool save = false);
    // One tick of the refresh timer, delivered as the host forwards it.
    void Tick(dockhost::Docklet* docklet);

    // What the dock sees of a docklet: its label, its overlay, the base
    // image file it was given last, and what the docklet writes when the
    // dock saves it (all 25 keys, in order; one key's value alone).
    std::string Label(dockhost::Docklet* docklet);
    Pixels Overlay(dockhost::Docklet* docklet);
    std::string ImageFile(dockhost::Docklet* docklet);
    KeyValues Saved(dockhost::Docklet* docklet);
    std::string Saved(dockhost::Docklet* docklet, const std::string& key);
    // When the host received each overlay of the docklet (GetTickCount).
    std::vector<DWORD> OverlayTimes(dockhost::Docklet* docklet);

    // Runs the dock's message loop until `done` holds; false when it still
    // does not after `milliseconds`.
    bool WaitFor(const std::function<bool()>& done, DWORD milliseconds = 10000);
    // Waits for the docklet's own timer to refresh it (the host's record is
    // not needed: the refresh timer's message is looked for); false when none
    // came within `milliseconds`.
    bool WaitForTimerRefresh(dockhost::Docklet* docklet, DWORD milliseconds = 10000);

    // The scripted user: steps queued on Ui() run while the menu, the About
    // box or the sheet that the calls below open is on screen. Each call
    // fails the test when the script did not finish.
    dockhost::ModalDriver& Ui() { return ui_; }
    INT_PTR Configure(dockhost::Docklet* docklet);
    INT_PTR About(dockhost::Docklet* docklet);
    BOOL RightClick(dockhost::Docklet* docklet);
    // The sheet as a user confirms it: `size` typed on the Font page, the
    // bars' transparency moved to `barAlpha` on the Graph page, OK.
    INT_PTR ConfigureSizeAndBars(dockhost::Docklet* docklet, const wchar_t* size, int barAlpha);
    // A right click, and `command` chosen from the docklet's menu.
    void Choose(dockhost::Docklet* docklet, UINT command);
    // Stops the docklet's own timer, so that only what a test does refreshes it.
    void Freeze(dockhost::Docklet* docklet);
    // A docklet for the tests of the dialogs: the simulated driver reads
    // `temperature`, the docklet starts from `settings` (none given: the host
    // names no settings file), is frozen and the host's record emptied. Null
    // when it could not be made.
    dockhost::Docklet* CreateFrozen(int temperature, const KeyValues& settings = {});

    // For steps: the open sheet and its current page (null while not open).
    static HWND Sheet();
    static HWND CurrentPage();
    // A step that waits until the sheet is open, then moves to a page.
    static dockhost::ModalDriver::Step OpenPage(int index);
    static void PressSheetButton(int button); // PSBTN_OK, PSBTN_CANCEL

private:
    bool RunUi(std::function<void()> open);
    dockhost::ModalDriver ui_;
};

// Tests of one docklet that the simulated driver gives a steady reading,
// frozen and with the host's record emptied (see CreateFrozen); a case that
// wants other settings starts it again from them.
class FrozenDockletTest : public DockTest {
protected:
    explicit FrozenDockletTest(int temperature) : temperature_(temperature) {}
    void SetUp() override;
    void Restart(const KeyValues& settings);
    // Opens the docklet's sheet on `page`, runs `look` there, then presses
    // `button` (PSBTN_OK, PSBTN_CANCEL).
    void OnPage(int page, std::function<void(HWND)> look, int button = PSBTN_CANCEL);

    dockhost::Docklet* docklet = nullptr;

private:
    int temperature_;
};

} // namespace harness

namespace harness {

// A slider of a page moved by the user: position, then the notification the
// page acts on.
void MoveSlider(HWND page, int slider, int position, int code = TB_THUMBTRACK);

// Pixels of a Windows bitmap (what a picture control shows), top-down ARGB.
Pixels PixelsOfBitmap(HBITMAP bitmap);
// The bitmap a picture control of a dialog shows, as pixels (empty: none).
Pixels PictureOf(HWND dialog, int control);
// Live GDI objects and USER objects (windows and menus) of this process
// (see dockhost::MeasureFootprint).
int CountGdiObjects();
int CountUserObjects();
// A PNG file of the given size: opaque `colour` (ARGB), its left half
// transparent when asked.
std::string WriteTestImage(const std::string& name, int width, int height, uint32_t colour,
                           bool transparentLeftHalf);

} // namespace harness
