// What the Icon, Font and Graph pages share: picture hand-over, sliders and
// the colour chooser.
#include "config/config.h"

#include <commdlg.h>
#include <stddef.h>
#include <uxtheme.h>

#include "core/text.h"
#include "render/gdiplus_owners.h"
#include "render/render.h"

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

PreviewScale ScaleWithin(UINT dpi, SIZE box, int width, int height)
{
    PreviewScale scale = {static_cast<int>(dpi), static_cast<int>(BASE_DPI)};
    // At 96 the preview stays as it was made, whatever the box.
    if (dpi == BASE_DPI || width <= 0 || height <= 0 || box.cx <= 0 || box.cy <= 0)
        return scale;
    if (box.cx * scale.denominator < width * scale.numerator)
        scale = PreviewScale{box.cx, width};
    if (box.cy * scale.denominator < height * scale.numerator)
        scale = PreviewScale{box.cy, height};
    return scale;
}

PreviewScale ScaleForPreview(HWND page, int control, int width, int height)
{
    RECT box = {};
    GetClientRect(GetDlgItem(page, control), &box);
    return ScaleWithin(WindowDpi(page), SIZE{box.right, box.bottom}, width, height);
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

HBITMAP NewTopDownSection(int width, int height, WORD bitsPerPixel, void** bits)
{
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = bitsPerPixel;
    format.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, bits, nullptr, 0);
}

bool PageIsThemed(HWND page)
{
    return IsAppThemed() && IsThemeActive() && IsThemeDialogTextureEnabled(page);
}

bool OutdatesPreview(UINT message)
{
    return message == DPI_CHANGED_AFTER_PARENT || message == WM_THEMECHANGED;
}

namespace {

// Sixteen black custom colours at every opening. True when the user
// confirmed a colour.
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

// Copies what the page paints behind `control` from (x, y) of the control's
// client area into `target`, a GDI+ bitmap of that size, opaque. True when
// it differs anywhere from the menu colour.
bool PaintPageBehind(HWND control, int x, int y, GpBitmap* target, int width, int height)
{
    void* bits = nullptr;
    HBITMAP section = NewTopDownSection(width, height, 32, &bits);
    HDC dc = section ? CreateCompatibleDC(nullptr) : nullptr;
    bool differs = false;
    if (dc) {
        // Where the page paints nothing, the menu colour stays.
        const ARGB menu = MenuBackground();
        DWORD* pixels = static_cast<DWORD*>(bits);
        for (size_t i = 0, count = static_cast<size_t>(width) * height; i < count; ++i)
            pixels[i] = menu;
        HGDIOBJ previous = SelectObject(dc, section);
        SetViewportOrgEx(dc, -x, -y, nullptr);
        RECT area = {x, y, x + width, y + height};
        const bool painted = SUCCEEDED(DrawThemeParentBackground(control, dc, &area));
        GdiFlush();
        const Rect all(0, 0, width, height);
        BitmapData data = {};
        if (painted && GdipBitmapLockBits(target, &all, ImageLockModeWrite, PixelFormat32bppARGB, &data) == Ok) {
            for (int row = 0; row < height; ++row) {
                const DWORD* from = pixels + static_cast<size_t>(row) * width;
                ARGB* to = reinterpret_cast<ARGB*>(static_cast<BYTE*>(data.Scan0) + row * data.Stride);
                for (int column = 0; column < width; ++column) {
                    to[column] = 0xFF000000u | from[column]; // GDI leaves the alpha byte alone
                    differs = differs || to[column] != menu;
                }
            }
            GdipBitmapUnlockBits(target, &data);
        }
        SelectObject(dc, previous);
        DeleteDC(dc);
    }
    if (section)
        DeleteObject(section);
    return differs;
}

} // namespace

GpBitmap* TextureBehindPreview(HWND page, int control, int width, int height)
{
    if (width <= 0 || height <= 0 || !PageIsThemed(page))
        return nullptr;
    HWND picture = GetDlgItem(page, control);
    RECT client = {};
    if (!picture || !GetClientRect(picture, &client))
        return nullptr;
    GpBitmap* texture = nullptr;
    GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &texture);
    // The control shows its image centred in it.
    if (texture && !PaintPageBehind(picture, (client.right - width) / 2, (client.bottom - height) / 2, texture,
                                    width, height)) {
        GdipDisposeImage(texture);
        texture = nullptr;
    }
    return texture;
}

HBITMAP PreviewBitmapOver(GpBitmap* preview, GpBitmap* texture)
{
    if (!preview)
        return nullptr;
    GpBitmap* shown = preview;
    if (texture) {
        UINT width = 0, height = 0;
        GdipGetImageWidth(preview, &width);
        GdipGetImageHeight(preview, &height);
        GraphicsOwner graphics;
        GdipGetImageGraphicsContext(texture, graphics.Receive());
        if (graphics.Get()) {
            GdipDrawImageRectRectI(graphics.Get(), preview, 0, 0, static_cast<INT>(width), static_cast<INT>(height),
                                   0, 0, static_cast<INT>(width), static_cast<INT>(height), UnitPixel, nullptr,
                                   nullptr, nullptr);
            shown = texture;
        }
    }
    HBITMAP converted = nullptr;
    GdipCreateHBITMAPFromBitmap(shown, &converted, MenuBackground());
    return converted;
}

void ShowPreviewBitmap(HWND page, int control, GpBitmap* bitmap)
{
    UINT width = 0, height = 0;
    if (bitmap) {
        GdipGetImageWidth(bitmap, &width);
        GdipGetImageHeight(bitmap, &height);
    }
    BitmapOwner texture;
    *texture.Receive() = TextureBehindPreview(page, control, static_cast<int>(width), static_cast<int>(height));
    // A failed conversion shows no picture rather than a stale one.
    SetPictureBitmap(page, control, PreviewBitmapOver(bitmap, texture.Get()));
}

PreviewCanvas::PreviewCanvas(HWND page, int control, int width, int height)
    : page_(page), control_(control), scale_(ScaleForPreview(page, control, width, height))
{
    GdipCreateBitmapFromScan0(scale_.Of(width), scale_.Of(height), 0, PixelFormat32bppARGB, nullptr, &bitmap_);
    GdipGetImageGraphicsContext(bitmap_, &graphics_);
    if (graphics_)
        SetDrawingQuality(graphics_);
}

PreviewCanvas::~PreviewCanvas()
{
    if (graphics_)
        GdipDeleteGraphics(graphics_);
    if (bitmap_)
        GdipDisposeImage(bitmap_);
}

void PreviewCanvas::Show()
{
    ShowPreviewBitmap(page_, control_, bitmap_);
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

namespace {

struct ColourRow {
    int dialog; // the page's template
    int chooseButton;
    int slider;
    int label;
    size_t colour; // where the working copy holds it
};

#define ROW_COLOUR(member) offsetof(DockletInstance, member)
const ColourRow COLOUR_ROWS[] = {
    {IDD_FONT, IDC_FONT_FILL_CHOOSE, IDC_FONT_FILL_ALPHA, IDC_FONT_FILL_PERCENT, ROW_COLOUR(text.fontColor)},
    {IDD_FONT, IDC_FONT_OUTLINE_CHOOSE, IDC_FONT_OUTLINE_ALPHA, IDC_FONT_OUTLINE_PERCENT,
     ROW_COLOUR(text.outlineColor)},
    {IDD_FONT, IDC_FONT_SHADOW_CHOOSE, IDC_FONT_SHADOW_ALPHA, IDC_FONT_SHADOW_PERCENT, ROW_COLOUR(text.shadowColor)},
    {IDD_GRAPH, IDC_GRAPH_BAR_CHOOSE, IDC_GRAPH_BAR_ALPHA, IDC_GRAPH_BAR_PERCENT, ROW_COLOUR(graph.graphColor)},
    {IDD_GRAPH, IDC_GRAPH_BACKGROUND_CHOOSE, IDC_GRAPH_BACKGROUND_ALPHA, IDC_GRAPH_BACKGROUND_PERCENT,
     ROW_COLOUR(graph.backgroundColor)},
    {IDD_GRAPH, IDC_GRAPH_FRAME_CHOOSE, IDC_GRAPH_FRAME_ALPHA, IDC_GRAPH_FRAME_PERCENT, ROW_COLOUR(graph.frameColor)},
};
#undef ROW_COLOUR

AlphaColour& ColourOf(const ColourRow& row, DockletInstance* copy)
{
    return *reinterpret_cast<AlphaColour*>(reinterpret_cast<char*>(copy) + row.colour);
}

} // namespace

void LoadColourRows(HWND page, int dialog, DockletInstance* copy)
{
    for (const ColourRow& row : COLOUR_ROWS)
        if (row.dialog == dialog)
            SetUpAlphaSlider(page, row.slider, row.label, ColourOf(row, copy).alpha);
}

void StoreColourRows(HWND page, int dialog, DockletInstance* copy)
{
    for (const ColourRow& row : COLOUR_ROWS)
        if (row.dialog == dialog)
            ColourOf(row, copy).alpha = SliderAlpha(page, row.slider);
}

bool OnColourRow(HWND page, UINT message, WPARAM wParam, LPARAM lParam, DockletInstance* copy,
                 const PageHandlers& handlers)
{
    const int code = LOWORD(wParam);
    for (const ColourRow& row : COLOUR_ROWS) {
        if (row.dialog != handlers.dialog)
            continue;
        AlphaColour& colour = ColourOf(row, copy);
        if (message == WM_COMMAND && code == row.chooseButton) {
            if (ChooseColour(page, copy->hwndDocklet, colour.rgb))
                handlers.redraw(page, copy);
            return true;
        }
        if (message == WM_HSCROLL && reinterpret_cast<HWND>(lParam) == GetDlgItem(page, row.slider)) {
            if (code != TB_THUMBTRACK && code != TB_ENDTRACK)
                return true;
            colour.alpha = SliderAlpha(page, row.slider);
            ShowAlphaPercent(page, row.label, colour.alpha);
            handlers.redraw(page, copy);
            return true;
        }
    }
    return false;
}
