// What the Icon, Font and Graph pages share: picture hand-over, sliders and
// the colour chooser.
#include "config/config.h"

#include <commdlg.h>

#include "core/text.h"
#include "render/gdiplus_owners.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

ARGB MenuBackground()
{
    const COLORREF menu = GetSysColor(COLOR_MENU);
    return 0xFF000000u | (static_cast<ARGB>(GetRValue(menu)) << 16) | (static_cast<ARGB>(GetGValue(menu)) << 8) |
           static_cast<ARGB>(GetBValue(menu));
}

UINT WindowDpi(HWND window)
{
    typedef UINT(WINAPI * DpiForWindowFunction)(HWND);
    // Windows 10 on; older systems have one DPI for every window. Looked up
    // at each call: a function-local static's guard costs the runtime kernel
    // handles that outlive the module.
    const auto dpiForWindow = reinterpret_cast<DpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT dpi = dpiForWindow && window ? dpiForWindow(window) : 0;
    if (dpi == 0) {
        HDC dc = GetDC(window);
        if (dc) {
            dpi = static_cast<UINT>(GetDeviceCaps(dc, LOGPIXELSY));
            ReleaseDC(window, dc);
        }
    }
    return dpi > 0 ? dpi : BASE_DPI;
}

int ScaleToDpi(int size, UINT dpi)
{
    return MulDiv(size, static_cast<int>(dpi), static_cast<int>(BASE_DPI));
}

PreviewScale ScaleForPreview(HWND page, int control, int width, int height)
{
    const UINT dpi = WindowDpi(page);
    PreviewScale scale = {static_cast<int>(dpi), static_cast<int>(BASE_DPI)};
    // At 96 the preview stays as it was made, whatever the control.
    if (dpi == BASE_DPI || width <= 0 || height <= 0)
        return scale;
    RECT box = {};
    if (!GetClientRect(GetDlgItem(page, control), &box) || box.right <= 0 || box.bottom <= 0)
        return scale;
    if (box.right * scale.denominator < width * scale.numerator)
        scale = PreviewScale{box.right, width};
    if (box.bottom * scale.denominator < height * scale.numerator)
        scale = PreviewScale{box.bottom, height};
    return scale;
}

void ScaleDrawing(GpGraphics* graphics, PreviewScale scale)
{
    // At 96 DPI the drawing stays exactly as it was made.
    if (graphics && scale.numerator != scale.denominator) {
        const REAL factor = static_cast<REAL>(scale.numerator) / static_cast<REAL>(scale.denominator);
        GdipScaleWorldTransform(graphics, factor, factor, MatrixOrderPrepend);
    }
}

void SetPictureBitmap(HWND page, int control, HBITMAP bitmap)
{
    HWND picture = GetDlgItem(page, control);
    if (!picture) {
        if (bitmap)
            DeleteObject(bitmap);
        return;
    }
    // What comes back is the image shown until now: the page's own bitmap,
    // or the copy a control made of it. Either way it is the page's to free.
    HGDIOBJ previous = reinterpret_cast<HGDIOBJ>(
        SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (previous && previous != bitmap)
        DeleteObject(previous);
    // A control that shows a copy of its own leaves the original to the page.
    HGDIOBJ shown = reinterpret_cast<HGDIOBJ>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (bitmap && shown != bitmap)
        DeleteObject(bitmap);
}

void ReleasePicture(HWND page, int control)
{
    SetPictureBitmap(page, control, nullptr);
}

void ShowPreviewBitmap(HWND page, int control, GpBitmap* bitmap)
{
    HBITMAP converted = nullptr;
    if (bitmap)
        GdipCreateHBITMAPFromBitmap(bitmap, &converted, MenuBackground());
    // A failed conversion shows no picture rather than a stale one.
    SetPictureBitmap(page, control, converted);
}

void ShowAlphaPercent(HWND page, int label, BYTE alpha)
{
    wchar_t text[16];
    FormatText(text, 16, L"%d%%", alpha * 100 / 255);
    SetDlgItemTextW(page, label, text);
}

void SetUpAlphaSlider(HWND page, int slider, int label, BYTE alpha)
{
    SendDlgItemMessageW(page, slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 255));
    SendDlgItemMessageW(page, slider, TBM_SETPAGESIZE, 0, 15);
    SendDlgItemMessageW(page, slider, TBM_SETTICFREQ, 15, 0);
    SendDlgItemMessageW(page, slider, TBM_SETPOS, TRUE, alpha);
    ShowAlphaPercent(page, label, alpha);
}

BYTE SliderAlpha(HWND page, int slider)
{
    return static_cast<BYTE>(SendDlgItemMessageW(page, slider, TBM_GETPOS, 0, 0) & 0xFF);
}

bool ChooseColour(HWND page, HWND owner, COLORREF& colour)
{
    COLORREF customColours[16] = {};
    CHOOSECOLORW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.rgbResult = colour;
    request.lpCustColors = customColours;
    request.Flags = CC_RGBINIT | CC_FULLOPEN;
    // The chooser belongs to the docklet's window; the sheet waits for it,
    // so it cannot close underneath the page.
    HWND sheet = GetParent(page);
    const bool sheetWasEnabled = sheet && !EnableWindow(sheet, FALSE);
    const bool confirmed = ChooseColorW(&request) != FALSE;
    if (sheetWasEnabled) {
        EnableWindow(sheet, TRUE);
        SetActiveWindow(sheet);
    }
    if (confirmed)
        colour = request.rgbResult;
    return confirmed;
}
