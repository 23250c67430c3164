// The configuration dialogs: the settings sheet and its pages, the About
// box, and what they share. They edit and show the docklet; what is applied
// and refreshed is decided above them (core/lifecycle.cpp).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <prsht.h>

#include "config/resource.h"
#include "core/docklet.h"
#include "core/uncopyable.h"

// This module, whatever handle the host passed: the templates, the bitmap
// and the manifest live here.
HINSTANCE ModuleInstance();

// Makes the module's own activation context (version 6 of the common
// controls) current for the scope, whatever the host's manifest asks for.
class ModuleActivation : Uncopyable {
public:
    ModuleActivation();
    ~ModuleActivation();

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

// Called when the module is unloaded.
void ReleaseModuleActivationContext();

// PropertySheetW of the common controls the active context selects.
INT_PTR RunPropertySheet(const PROPSHEETHEADERW* header);

// The settings, in three steps. OnConfigure opens the never-shown
// placeholder dialog with `procedure` (ConfigureDocklet) and the docklet as
// its parameter; with a sheet open already, that one is brought forward
// instead. The dialog's result.
INT_PTR OpenSettingsPlaceholder(DockletInstance* instance, DLGPROC procedure);
// The placeholder's initialisation: it keeps the docklet (the window property
// "lpData") and is centred. The docklet, or null.
DockletInstance* AdoptPlaceholder(HWND placeholder, LPARAM lParam);
// Then the sheet runs, modally, on `edited`, made a working copy of `live`
// that borrows its history. True when the user confirmed with OK: `edited`
// holds what was chosen, and nothing is applied yet.
bool EditSettings(HWND placeholder, DockletInstance* live, DockletInstance* edited);
// At the placeholder's WM_DESTROY.
void ReleasePlaceholder(HWND placeholder);
// Asks the open settings sheet to cancel when it edits this docklet.
void CloseSettingsSheetOf(DockletInstance* instance);

// The About box, modal; the dialog's result. Its procedure (AboutDocklet's).
INT_PTR RunAboutBox(DockletInstance* instance);
INT_PTR CALLBACK AboutBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam);

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

// A page, as the pages' common procedure runs it. Every page edits the
// working copy at once: its controls are loaded from it when the page is
// shown, each change goes into it, and leaving the page stores the controls
// into it again. The handlers run only while the page has a working copy.
struct PageHandlers {
    void (*load)(HWND page, DockletInstance* workingCopy);  // the page is shown
    void (*store)(HWND page, DockletInstance* workingCopy); // the page is left
    // A control's WM_COMMAND, but for the colour rows' buttons; null where no
    // other control acts.
    void (*command)(HWND page, int control, int notification, DockletInstance* workingCopy);
    // Draws the page's preview into its picture control; null without one.
    void (*redraw)(HWND page, const DockletInstance* workingCopy);
    int preview; // that picture control
    // The page's dialog template, which names its colour rows (see
    // LoadColourRows): their buttons and sliders change the working copy
    // and redraw the preview.
    int dialog;
};

// The page procedure all pages share: WM_INITDIALOG, the sheet's activation,
// leave and cancel notifications, the controls' messages and the preview.
INT_PTR RunPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam, PageSlots& slots,
                const PageHandlers& handlers);

// Answers a sheet notification through DWLP_MSGRESULT.
INT_PTR SetPageResult(HWND page, LONG_PTR result);

// A check box or radio button, set and read.
void Tick(HWND page, int control, bool ticked);
bool Ticked(HWND page, int control);

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

// A preview of `width` x `height` pixels at 96 DPI for a picture control: a
// transparent bitmap of the scaled size and a surface on it that draws as
// the icon does, unscaled (`graphics` is null when none could be made).
class PreviewCanvas : Uncopyable {
public:
    PreviewCanvas(HWND page, int control, int width, int height);
    ~PreviewCanvas();
    Gdiplus::GpGraphics* graphics() const { return graphics_; }
    const PreviewScale& scale() const { return scale_; }
    // What was drawn, shown in the control (ShowPreviewBitmap).
    void Show();

private:
    HWND page_;
    int control_;
    PreviewScale scale_;
    Gdiplus::GpBitmap* bitmap_ = nullptr;
    Gdiplus::GpGraphics* graphics_ = nullptr;
};

// A transparency slider (0 to 255, page and tick step 15) and its "%d%%" label.
void SetUpAlphaSlider(HWND page, int slider, int label, BYTE alpha);
void ShowAlphaPercent(HWND page, int label, BYTE alpha);
BYTE SliderAlpha(HWND page, int slider);

// The colour rows of the Font and Graph pages, named by the page's dialog
// template (each row its "Choose..." button, its transparency slider and
// label, and the colour it edits): the sliders set from the working copy
// when the page is shown, the transparencies read back when it is left
// (the colours are in the copy already).
void LoadColourRows(HWND page, int dialog, DockletInstance* copy);
void StoreColourRows(HWND page, int dialog, DockletInstance* copy);
// A row's "Choose..." button pressed (WM_COMMAND) or slider moved in a way
// the preview follows (WM_HSCROLL: the thumb dragged, or a keyboard or page
// move ended): the colour chosen in the colour chooser, owned by the
// docklet's window, or the transparency, into the working copy, and the
// preview drawn again when it changed. False for any other control.
bool OnColourRow(HWND page, UINT message, WPARAM wParam, LPARAM lParam, DockletInstance* copy,
                 const PageHandlers& handlers);

// Centres a window in the work area of the monitor that holds the docklet's
// window (the primary one without a docklet window), kept inside it with its
// caption never above it. Returns FALSE for a null window.
BOOL CenterWindow(HWND window, HWND docklet);
