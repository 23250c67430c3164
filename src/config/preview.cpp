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
