// The sample history as a bar graph: background, one 3-pixel bar per sample
// (oldest at the left), frame.
#include "render/render.h"
#include "render/gdiplus_owners.h"

#include <limits.h>

#include "gpu/gpu_state.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const ARGB RED = 0x00FF0000;
const ARGB YELLOW = 0x00FFFF00;
const ARGB GREEN = 0x0000FF00;
const int GRADIENT_POINTS = 6;
const int BAR_SPACING = 2;

// Green at the bottom edge, yellow at half height, red at the top; the bar
// colour contributes only its alpha.
void FillPenWithGradient(GpPen* barPen, ARGB barColour, LayoutRect rect)
{
    const ARGB alpha = barColour & 0xFF000000;
    const int half = rect.height / 2;
    const int right = rect.x + rect.width;
    const int bottom = rect.y + rect.height;
    const Point points[GRADIENT_POINTS] = {
        Point(rect.x, rect.y),        Point(right, rect.y),  Point(right, rect.y + half),
        Point(right, bottom),         Point(rect.x, bottom), Point(rect.x, rect.y + half),
    };
    const ARGB surround[GRADIENT_POINTS] = {
        alpha | RED, alpha | RED, alpha | YELLOW, alpha | GREEN, alpha | GREEN, alpha | YELLOW,
    };

    PathGradientOwner gradient;
    GdipCreatePathGradientI(points, GRADIENT_POINTS, WrapModeClamp, gradient.Receive());
    GdipSetPathGradientCenterColor(gradient.Get(), alpha | YELLOW);
    INT count = 0;
    GdipGetPathGradientPointCount(gradient.Get(), &count);
    if (count > GRADIENT_POINTS)
        count = GRADIENT_POINTS;
    GdipSetPathGradientSurroundColorsWithCount(gradient.Get(), surround, &count);
    // The pen takes its own copy of the brush.
    GdipSetPenBrushFill(barPen, gradient.Get());
}

} // namespace

void DrawGraphBackground(GpGraphics* target, ARGB backgroundColour, LayoutRect rect)
{
    SolidFillOwner backgroundBrush;
    GdipCreateSolidFill(backgroundColour, backgroundBrush.Receive());
    GdipFillRectangleI(target, backgroundBrush.Get(), rect.x, rect.y, rect.width, rect.height);
}

GpPen* NewBarPen(int gradientOn, ARGB barColour, LayoutRect rect)
{
    GpPen* barPen = nullptr;
    GdipCreatePen1(barColour, 3.0f, UnitWorld, &barPen);
    if (barPen && gradientOn)
        FillPenWithGradient(barPen, barColour, rect);
    return barPen;
}

GpPen* NewFramePen(ARGB frameColour)
{
    GpPen* framePen = nullptr;
    GdipCreatePen1(frameColour, 1.0f, UnitWorld, &framePen);
    return framePen;
}

int GraphBarHeights(const Warr<int>& history, double fullScale, LayoutRect rect, int* heights, int capacity)
{
    // Full scale reaches height - 1: one pixel short of the top edge.
    const double factor = (rect.height - 1.0) / fullScale;
    int count = 0;
    for (int i = history.first; i <= history.last && count < capacity; ++i) {
        const int sample = history.At(i);
        if (sample == SAMPLE_ASLEEP) {
            heights[count++] = GRAPH_NO_BAR;
            continue;
        }
        double value = sample;
        // A failed reading (-1) draws a stub below the base; far lower values
        // are held at one full scale down, so the bar stays a pixel count.
        if (value > fullScale)
            value = fullScale;
        if (value < -fullScale)
            value = -fullScale;
        heights[count++] = static_cast<int>(value * factor);
    }
    return count;
}

int GraphBarX(LayoutRect rect, int bar)
{
    return rect.x + BAR_SPACING * (bar + 1);
}

void DrawGraphBarsAndFrame(GpGraphics* target, GpPen* barPen, GpPen* framePen, const int* heights, int count,
                           LayoutRect rect, int leftX, int rightX)
{
    const int base = rect.y + rect.height;
    for (int bar = 0; bar < count; ++bar) {
        const int barX = GraphBarX(rect, bar);
        if (heights[bar] != GRAPH_NO_BAR && barX >= leftX && barX <= rightX)
            GdipDrawLineI(target, barPen, barX, base, barX, base - heights[bar]);
    }
    GdipDrawRectangleI(target, framePen, rect.x, rect.y, rect.width, rect.height);
}

void DrawTemperatureGraph(GpGraphics* target, const GraphStyle& style, const Warr<int>* history, double fullScale,
                          LayoutRect rect)
{
    DrawGraphBackground(target, MakeArgb(style.backgroundColor), rect);
    PenOwner barPen;
    *barPen.Receive() = NewBarPen(style.gradient, MakeArgb(style.graphColor), rect);
    PenOwner framePen;
    *framePen.Receive() = NewFramePen(MakeArgb(style.frameColor));
    int heights[GRAPH_MAX_BARS];
    const int count = history ? GraphBarHeights(*history, fullScale, rect, heights, GRAPH_MAX_BARS) : 0;
    DrawGraphBarsAndFrame(target, barPen.Get(), framePen.Get(), heights, count, rect, INT_MIN, INT_MAX);
}
