// Drives a docklet's modal user interface from inside its own loops: a
// timer on the UI thread runs scripted steps while a menu, a dialog or the
// settings sheet is open, and the helpers find, read, capture and close the
// windows a user would see.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dockhost {

class ModalDriver {
public:
    // A step returns true when it has done its part, false to be tried again
    // at the next tick (the window it waits for is not there yet).
    using Step = std::function<bool()>;

    ModalDriver() = default;
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    ModalDriver& Then(Step step);
    // Steps that only act: each counts as done at once.
    ModalDriver& Do(std::function<void()> action);
    // Ticks every `period` ms. After `timeout` ms the driver gives up and
    // closes every menu and dialog of the thread, so a test cannot hang.
    void Start(DWORD period = 20, DWORD timeout = 20000);
    void Stop();
    void Clear();

    bool Finished() const { return next_ >= steps_.size(); }
    bool TimedOut() const { return timedOut_; }
    size_t StepsDone() const { return next_; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    std::vector<Step> steps_;
    size_t next_ = 0;
    UINT_PTR timer_ = 0;
    DWORD started_ = 0;
    DWORD timeout_ = 0;
    bool timedOut_ = false;
};

// Visible top-level windows of this thread.
HWND FindThreadWindow(const std::wstring& caption);
HWND FindPopupMenu();
// Closes whatever modal window of this thread is open: menus, dialogs, sheets.
void CloseThreadModals();

// The menu a visible popup window shows, and choosing one of its items by
// its command id through the keyboard, as a user would.
HMENU MenuOfPopup(HWND popup);
bool ChooseMenuItem(HWND popup, UINT command);

// The page window of a property sheet by position (0 first); null until the
// page has been created.
HWND SheetPage(HWND sheet, int index);
std::wstring WindowText(HWND window);

// What the screen shows of a window, saved as PNG.
bool CaptureWindow(HWND window, const std::wstring& pngPath);

} // namespace dockhost
