// The configuration dialogs: the settings sheet and its pages, the About
// box, and what they share.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <prsht.h>

#include "config/resource.h"
#include "core/docklet.h"

// This module, whatever handle the host passed: the templates, the bitmap
// and the manifest live here.
HINSTANCE ModuleInstance();

// Makes the module's own activation context (version 6 of the common
// controls) current for the scope, whatever the host's manifest asks for.
class ModuleActivation {
public:
    ModuleActivation();
    ~ModuleActivation();
    ModuleActivation(const ModuleActivation&) = delete;
    ModuleActivation& operator=(const ModuleActivation&) = delete;

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

// Called when the module is unloaded.
void ReleaseModuleActivationContext();

// PropertySheetW of the common controls the active context selects.
INT_PTR RunPropertySheet(const PROPSHEETHEADERW* header);

// Shared by the sheet and its pages while the sheet is open.
struct EditContext {
    int outcome; // SHEET_OPEN, SHEET_CANCELLED or SHEET_PAGE_LEFT
    DockletInstance* workingCopy;
};

enum SheetOutcome { SHEET_OPEN = 0, SHEET_CANCELLED = 3, SHEET_PAGE_LEFT = 4 };

// What every page keeps: the page record it was created with, and the
// context it took from that record when it was last shown.
struct PageSlots {
    const PROPSHEETPAGEW* sheetPage;
    EditContext* context;
};

struct PageHandlers {
    void (*fill)(HWND page, DockletInstance* workingCopy);  // the page is shown
    void (*store)(HWND page, DockletInstance* workingCopy); // the page is left
};

// The part of the page protocol that all pages share: WM_INITDIALOG and the
// sheet's activation, leave and cancel notifications. Returns FALSE for
// everything else, which the page then handles itself.
INT_PTR HandlePageProtocol(HWND page, UINT message, LPARAM lParam, PageSlots& slots, const PageHandlers& handlers);

// Answers a sheet notification through DWLP_MSGRESULT.
INT_PTR SetPageResult(HWND page, LONG_PTR result);

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK IconPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FontPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK GraphPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the picture at `path` in a picture control, its larger side scaled
// to `box` pixels, over the menu colour (see TextureBehindPreview).
void DrawImagePreview(HWND page, int control, const wchar_t* path, int box);

// The previews' common parts (Icon, Font and Graph pages).

// Dots per inch the window is drawn at: its own where the system tells it,
// otherwise the screen's. The previews and the emblem are made for 96 and
// scaled to it, so that they fill their controls on a scaled screen.
const UINT BASE_DPI = 96;
UINT WindowDpi(HWND window);

// How much larger than at 96 DPI a preview is drawn: by the page's DPI, but
// never beyond what its picture control holds (the dialog font, which sizes
// the control, does not grow exactly as the DPI does). 1 at 96 DPI.
struct PreviewScale {
    int numerator;
    int denominator;
    int Of(int size) const { return size * numerator / denominator; }
};
PreviewScale ScaleForPreview(HWND page, int control, int width, int height);
// The same within a box of the given size in pixels (none where it is empty).
PreviewScale ScaleWithin(UINT dpi, SIZE box, int width, int height);
// Scales what is drawn on `graphics` from then on.
void ScaleDrawing(Gdiplus::GpGraphics* graphics, PreviewScale scale);

// Whether the page is drawn over the tab control's texture of a visual style
// (XP to 11).
bool PageIsThemed(HWND page);
// What makes a page draw its preview again: the sheet moved to a monitor of
// another DPI (WM_DPICHANGED_AFTERPARENT, Windows 10 on), or the visual style
// changed.
const UINT DPI_CHANGED_AFTER_PARENT = 0x02E3;
bool OutdatesPreview(UINT message);

// A top-down DIB section (rows as GDI+ addresses them) and its pixels; null
// when it cannot be made.
HBITMAP NewTopDownSection(int width, int height, WORD bitsPerPixel, void** bits);

// The menu colour, opaque, as the previews' background.
Gdiplus::ARGB MenuBackground();
// The previews are flattened onto the menu colour, except on a themed page
// whose texture the menu colour does not match (the white tab texture of
// Vista to 11 around grey boxes): there they are drawn over what the page
// paints behind a bitmap of `width` x `height` centred in the control. That
// texture as a new GDI+ bitmap, the caller's to delete; null where the menu
// colour serves.
Gdiplus::GpBitmap* TextureBehindPreview(HWND page, int control, int width, int height);
// A drawn preview as a Windows bitmap: over `texture` where there is one
// (the preview is then drawn on it), else over the menu colour.
HBITMAP PreviewBitmapOver(Gdiplus::GpBitmap* preview, Gdiplus::GpBitmap* texture);
// Gives a picture control a new Windows bitmap (null: none). Whether the
// control shows that very bitmap or a copy of its own, the page ends up
// owning nothing the control does not show, and nothing it shows is freed.
void SetPictureBitmap(HWND page, int control, HBITMAP bitmap);
// Frees what a picture control shows; when the page is destroyed.
void ReleasePicture(HWND page, int control);
// Converts a drawn preview (over the menu colour or the page's texture) and
// shows it.
void ShowPreviewBitmap(HWND page, int control, Gdiplus::GpBitmap* bitmap);

// A transparency slider (0 to 255, page and tick step 15) and its "%d%%" label.
void SetUpAlphaSlider(HWND page, int slider, int label, BYTE alpha);
void ShowAlphaPercent(HWND page, int label, BYTE alpha);
BYTE SliderAlpha(HWND page, int slider);

// A colour row of the Font or Graph page: its "Choose..." button, its
// transparency slider and label, and where the page and the working copy
// keep the row's colour and transparency.
template <typename State>
struct ColourRow {
    int chooseButton;
    int slider;
    int label;
    COLORREF State::*colour;
    BYTE State::*alpha;
    COLORREF DockletInstance::*copyColour;
    BYTE DockletInstance::*copyAlpha;
};

template <typename State, size_t N>
void LoadColourRows(HWND page, State& state, const DockletInstance& copy, const ColourRow<State> (&rows)[N])
{
    for (const ColourRow<State>& row : rows) {
        state.*row.colour = copy.*row.copyColour;
        state.*row.alpha = copy.*row.copyAlpha;
        SetUpAlphaSlider(page, row.slider, row.label, state.*row.alpha);
    }
}

// Colours from the page's state, transparencies from the sliders.
template <typename State, size_t N>
void StoreColourRows(HWND page, const State& state, DockletInstance& copy, const ColourRow<State> (&rows)[N])
{
    for (const ColourRow<State>& row : rows) {
        copy.*row.copyColour = state.*row.colour;
        copy.*row.copyAlpha = SliderAlpha(page, row.slider);
    }
}

template <typename State, size_t N>
const ColourRow<State>* RowOfButton(int control, const ColourRow<State> (&rows)[N])
{
    for (const ColourRow<State>& row : rows)
        if (row.chooseButton == control)
            return &row;
    return nullptr;
}

// The row whose slider moved in a way the preview follows: the thumb is
// dragged, or a keyboard or page move has ended. Null for anything else.
template <typename State, size_t N>
const ColourRow<State>* RowOfMovedSlider(HWND page, int code, HWND slider, const ColourRow<State> (&rows)[N])
{
    if (code != TB_THUMBTRACK && code != TB_ENDTRACK)
        return nullptr;
    for (const ColourRow<State>& row : rows)
        if (GetDlgItem(page, row.slider) == slider)
            return &row;
    return nullptr;
}

// The colour chooser, owned by the docklet's window; sixteen black custom
// colours at every opening. True when the user confirmed a colour.
bool ChooseColour(HWND page, HWND owner, COLORREF& colour);

// Centres a window in the work area of the monitor that holds the docklet's
// window (the primary one without a docklet window), kept inside it with its
// caption never above it. Returns FALSE for a null window.
BOOL CenterWindow(HWND window, HWND docklet);

// Asks the open settings sheet to cancel when it edits this docklet.
void CloseSettingsSheetOf(DockletInstance* instance);
