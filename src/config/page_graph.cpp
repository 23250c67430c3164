// Graph page: colours and transparencies of the graph's bars, background and
// frame, and the gradient, previewed over the background picture with the
// docklet's live samples. Every change goes into the working copy at once.
#include "config/config.h"

#include "core/dock_image.h"
#include "core/host.h"
#include "core/text.h"
#include "render/render.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const int PREVIEW_SIZE = 256; // at 96 DPI
const LayoutRect PREVIEW_GRAPH = {27, 80, 204, 155};

PageSlots graphSlots = {}; // the page record and the open sheet's context

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
    PreviewCanvas canvas(page, control, PREVIEW_SIZE, PREVIEW_SIZE);
    if (canvas.graphics()) {
        DrawBackgroundPicture(canvas.graphics(), copy, canvas.scale().Of(PREVIEW_SIZE));
        ScaleDrawing(canvas.graphics(), canvas.scale()); // the graph's rectangle is given at 96 DPI
        DrawTemperatureGraph(canvas.graphics(), copy->graph, copy->history, GRAPH_SCALE_MAX, PREVIEW_GRAPH);
    }
    canvas.Show();
}

void Redraw(HWND page, const DockletInstance* copy)
{
    DrawGraphPreview(page, IDC_GRAPH_PREVIEW, copy);
}

void LoadGraphPage(HWND page, DockletInstance* copy)
{
    LoadColourRows(page, IDD_GRAPH, copy);
    Tick(page, IDC_GRAPH_GRADIENT, copy->graph.gradient != 0);
    Redraw(page, copy);
}

void StoreGraphPage(HWND page, DockletInstance* copy)
{
    StoreColourRows(page, IDD_GRAPH, copy);
    copy->graph.gradient = Ticked(page, IDC_GRAPH_GRADIENT);
}

void OnGraphCommand(HWND page, int control, int /*notification*/, DockletInstance* copy)
{
    if (control != IDC_GRAPH_GRADIENT)
        return;
    copy->graph.gradient = Ticked(page, IDC_GRAPH_GRADIENT);
    Redraw(page, copy);
}

const PageHandlers PAGE = {LoadGraphPage, StoreGraphPage, OnGraphCommand, Redraw, IDC_GRAPH_PREVIEW, IDD_GRAPH};

} // namespace

INT_PTR CALLBACK GraphPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RunPage(page, message, wParam, lParam, graphSlots, PAGE);
}
