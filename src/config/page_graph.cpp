// Graph page: colours and transparencies of the graph's bars, background and
// frame, and the gradient, previewed over the background picture with the
// docklet's live samples. Every change goes into the working copy at once.
#include "config/config.h"

#include "core/dock_image.h"
#include "core/docklet.h"
#include "core/host.h"
#include "core/text.h"
#include "render/gdiplus_owners.h"
#include "render/render.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const int PREVIEW_SIZE = 256; // at 96 DPI
const LayoutRect PREVIEW_GRAPH = {27, 80, 204, 155};

struct GraphPageState {
    PageSlots slots; // the page record and the open sheet's context
    COLORREF graphColor;
    BYTE graphAlpha;
    COLORREF backgroundColor;
    BYTE backgroundAlpha;
    COLORREF frameColor;
    BYTE frameAlpha;
};

GraphPageState graphState = {};


const ColourRow<GraphPageState> ROWS[] = {
    {IDC_GRAPH_BAR_CHOOSE, IDC_GRAPH_BAR_ALPHA, IDC_GRAPH_BAR_PERCENT, &GraphPageState::graphColor,
     &GraphPageState::graphAlpha, &DockletInstance::graphColor, &DockletInstance::graphAlpha},
    {IDC_GRAPH_BACKGROUND_CHOOSE, IDC_GRAPH_BACKGROUND_ALPHA, IDC_GRAPH_BACKGROUND_PERCENT,
     &GraphPageState::backgroundColor, &GraphPageState::backgroundAlpha, &DockletInstance::backgroundColor,
     &DockletInstance::backgroundAlpha},
    {IDC_GRAPH_FRAME_CHOOSE, IDC_GRAPH_FRAME_ALPHA, IDC_GRAPH_FRAME_PERCENT, &GraphPageState::frameColor,
     &GraphPageState::frameAlpha, &DockletInstance::frameColor, &DockletInstance::frameAlpha},
};

DockletInstance* WorkingCopy()
{
    return graphState.slots.context ? graphState.slots.context->workingCopy : nullptr;
}

void DrawBackgroundPicture(GpGraphics* graphics, const DockletInstance* copy, int previewSize)
{
    char path[PATH_CAPACITY];
    NarrowForHost(path, sizeof path, copy->backgroundImage);
    DockImage* picture = HostLoadGdiplusImage(path);
    if (!picture)
        return;
    // 255, not 256: the last column and row stay clear of the picture.
    GdipDrawImageRectI(graphics, NativeImageOf(picture), 0, 0, previewSize - 1, previewSize - 1);
    DeleteDockImage(picture); // the host's image is the caller's to delete
}

void DrawGraphPreview(HWND page, int control, const DockletInstance* copy)
{
    const PreviewScale scale = ScaleForPreview(page, control, PREVIEW_SIZE, PREVIEW_SIZE);
    const int previewSize = scale.Of(PREVIEW_SIZE);
    BitmapOwner bitmap;
    GdipCreateBitmapFromScan0(previewSize, previewSize, 0, PixelFormat32bppARGB, nullptr, bitmap.Receive());
    GraphicsOwner graphics;
    GdipGetImageGraphicsContext(bitmap.Get(), graphics.Receive());
    if (graphics.Get()) {
        GdipSetInterpolationMode(graphics.Get(), InterpolationModeHighQuality);
        GdipSetCompositingQuality(graphics.Get(), CompositingQualityHighQuality);
        GdipSetCompositingMode(graphics.Get(), CompositingModeSourceOver);
        GdipSetSmoothingMode(graphics.Get(), SmoothingModeAntiAlias);
        DrawBackgroundPicture(graphics.Get(), copy, previewSize);
        ScaleDrawing(graphics.Get(), scale); // the graph's rectangle is given at 96 DPI
        int slot = 0;
        const Warr<int> noSamples(1, &slot);
        DrawTemperatureGraph(graphics.Get(), copy->gradient, MakeArgb(copy->graphColor, copy->graphAlpha),
                             MakeArgb(copy->backgroundColor, copy->backgroundAlpha),
                             MakeArgb(copy->frameColor, copy->frameAlpha),
                             copy->history ? *copy->history : noSamples, GRAPH_SCALE_MAX, PREVIEW_GRAPH);
    }
    ShowPreviewBitmap(page, control, bitmap.Get());
}

void Redraw(HWND page)
{
    if (const DockletInstance* copy = WorkingCopy())
        DrawGraphPreview(page, IDC_GRAPH_PREVIEW, copy);
}

void LoadGraphPage(HWND page, DockletInstance* copy)
{
    LoadColourRows(page, graphState, *copy, ROWS);
    SendDlgItemMessageW(page, IDC_GRAPH_GRADIENT, BM_SETCHECK, static_cast<WPARAM>(copy->gradient), 0);
    DrawGraphPreview(page, IDC_GRAPH_PREVIEW, copy);
}

void StoreGraphPage(HWND page, DockletInstance* copy)
{
    StoreColourRows(page, graphState, *copy, ROWS);
    copy->gradient = SendDlgItemMessageW(page, IDC_GRAPH_GRADIENT, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

const PageHandlers GRAPH_HANDLERS = {LoadGraphPage, StoreGraphPage};

void OnGraphCommand(HWND page, int control, DockletInstance* copy)
{
    if (control == IDC_GRAPH_GRADIENT) {
        copy->gradient = static_cast<int>(SendDlgItemMessageW(page, IDC_GRAPH_GRADIENT, BM_GETCHECK, 0, 0));
        Redraw(page);
        return;
    }
    if (const auto* row = RowOfButton(control, ROWS)) {
        COLORREF colour = graphState.*row->colour;
        if (ChooseColour(page, copy->hwndDocklet, colour)) {
            graphState.*row->colour = colour;
            copy->*row->copyColour = colour;
            Redraw(page);
        }
    }
}

void OnGraphSlider(HWND page, int code, HWND slider, DockletInstance* copy)
{
    if (const auto* row = RowOfMovedSlider(page, code, slider, ROWS)) {
        const BYTE alpha = SliderAlpha(page, row->slider);
        graphState.*row->alpha = alpha;
        copy->*row->copyAlpha = alpha;
        ShowAlphaPercent(page, row->label, alpha);
        Redraw(page);
    }
}

} // namespace

INT_PTR CALLBACK GraphPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        ReleasePicture(page, IDC_GRAPH_PREVIEW);
        break;
    case WM_COMMAND:
        if (DockletInstance* copy = WorkingCopy())
            OnGraphCommand(page, LOWORD(wParam), copy);
        return FALSE;
    case WM_HSCROLL:
        if (DockletInstance* copy = WorkingCopy())
            OnGraphSlider(page, LOWORD(wParam), reinterpret_cast<HWND>(lParam), copy);
        return FALSE;
    default:
        if (OutdatesPreview(message)) {
            Redraw(page);
            return FALSE;
        }
        break;
    }
    return HandlePageProtocol(page, message, lParam, graphState.slots, GRAPH_HANDLERS);
}
