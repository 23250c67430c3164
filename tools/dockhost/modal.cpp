#include "modal.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <prsht.h>

#include <memory>

#include "dock.h"

namespace dockhost {

namespace {

ModalDriver* activeDriver = nullptr;

struct WindowSearch {
    const wchar_t* caption;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    if (!IsWindowVisible(window))
        return TRUE;
    if (search->className) {
        wchar_t name[64] = L"";
        GetClassNameW(window, name, 64);
        if (wcscmp(name, search->className) != 0)
            return TRUE;
    }
    if (search->caption && WindowText(window) != search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindWindowOfThread(const wchar_t* caption, const wchar_t* className)
{
    WindowSearch search = {caption, className, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CloseWindow(HWND window, LPARAM)
{
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    if (wcscmp(name, L"#32770") == 0 && IsWindowEnabled(window)) {
        // A sheet cancels through its button; a dialog through IDCANCEL.
        if (GetDlgItem(window, IDCANCEL) && FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr))
            PostMessageW(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        else
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    }
    return TRUE;
}

void PostKey(HWND window, WPARAM key)
{
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

} // namespace

ModalDriver::~ModalDriver()
{
    Stop();
}

ModalDriver& ModalDriver::Then(Step step)
{
    steps_.push_back(std::move(step));
    return *this;
}

ModalDriver& ModalDriver::Do(std::function<void()> action)
{
    return Then([action]() {
        action();
        return true;
    });
}

void ModalDriver::Start(DWORD period, DWORD timeout)
{
    Stop();
    activeDriver = this;
    started_ = GetTickCount();
    timeout_ = timeout;
    timedOut_ = false;
    timer_ = SetTimer(nullptr, 0, period, OnTimer);
}

void ModalDriver::Stop()
{
    if (timer_)
        KillTimer(nullptr, timer_);
    timer_ = 0;
    if (activeDriver == this)
        activeDriver = nullptr;
}

void ModalDriver::Clear()
{
    Stop();
    steps_.clear();
    next_ = 0;
    timedOut_ = false;
}

void CALLBACK ModalDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeDriver)
        activeDriver->Tick();
}

void ModalDriver::Tick()
{
    if (Finished())
        return;
    if (GetTickCount() - started_ > timeout_) {
        timedOut_ = true;
        next_ = steps_.size();
        CloseThreadModals();
        return;
    }
    const size_t step = next_;
    // A step that opens a loop of its own (a colour chooser) runs the next
    // steps from the ticks inside that loop.
    next_ = step + 1;
    if (!steps_[step]() && next_ == step + 1)
        next_ = step;
}

HWND FindThreadWindow(const std::wstring& caption)
{
    return FindWindowOfThread(caption.c_str(), nullptr);
}

HWND FindPopupMenu()
{
    return FindWindowOfThread(nullptr, L"#32768");
}

void CloseThreadModals()
{
    EndMenu();
    EnumThreadWindows(GetCurrentThreadId(), CloseWindow, 0);
}

HMENU MenuOfPopup(HWND popup)
{
    const UINT MN_GETHMENU_MESSAGE = 0x01E1;
    return reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU_MESSAGE, 0, 0));
}

bool ChooseMenuItem(HWND popup, UINT command)
{
    HMENU menu = MenuOfPopup(popup);
    if (!menu)
        return false;
    // Arrow keys skip separators: count the selectable items up to the one wanted.
    int presses = 0;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        if (item.fType & MFT_SEPARATOR)
            continue;
        ++presses;
        if (item.wID == command) {
            for (int p = 0; p < presses; ++p)
                PostKey(popup, VK_DOWN);
            PostKey(popup, VK_RETURN);
            return true;
        }
    }
    return false;
}

HWND SheetPage(HWND sheet, int index)
{
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0));
}

std::wstring WindowText(HWND window)
{
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return text;
}

bool CaptureWindow(HWND window, const std::wstring& pngPath)
{
    RECT frame = {};
    if (!window || !GetWindowRect(window, &frame))
        return false;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    // From the window's own surface, which its children paint into too.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    HDC source = GetWindowDC(window);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    SelectObject(memory, previous);
    bool saved = false;
    {
        Gdiplus::Bitmap picture(bitmap, nullptr);
        saved = picture.GetLastStatus() == Gdiplus::Ok && SavePng(picture, pngPath);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

} // namespace dockhost
