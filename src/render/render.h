// Drawing of the icon overlay with GDI+.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include "core/style.h"
#include "gpu/warr.h"

struct DockletInstance;
struct DockImage;

struct LayoutRect {
    int x, y, width, height;
};

const double GRAPH_SCALE_MAX = 120.0;

// Text sizes beyond this many pixels are drawn at it (sizes of 0 or less
// draw nothing). Four times the icon's side: a larger em shows only a
// clipped piece of one glyph, GDI+ path text grows slow with the size
// (seconds near 10^5) and overflows its stack near 10^6. The stored setting
// keeps its value.
const float MAX_TEXT_EM = 1024.0f;

// A converted temperature truncated to int and held within int's range: a
// driver's reading can be any 32-bit value, and converting a double beyond
// the range is undefined.
inline int TruncatedInt(double value)
{
    if (value >= 2147483647.0)
        return 2147483647;
    if (value <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(value);
}

// A colour with its alpha as GDI+ ARGB (red and blue change places).
inline Gdiplus::ARGB MakeArgb(AlphaColour colour)
{
    return (static_cast<Gdiplus::ARGB>(colour.alpha) << 24)
        | (static_cast<Gdiplus::ARGB>(GetRValue(colour.rgb)) << 16)
        | (static_cast<Gdiplus::ARGB>(GetGValue(colour.rgb)) << 8)
        | static_cast<Gdiplus::ARGB>(GetBValue(colour.rgb));
}

// What the icon and the previews draw with: high-quality interpolation and
// compositing, source-over, anti-aliased.
void SetDrawingQuality(Gdiplus::GpGraphics* graphics);

// `text` in `style`'s face, fill, outline and shadow, bold, at `emSize`
// pixels (the callers derive it from the style's size), aligned in `rect` by
// GDI+ string alignments (near, centre, far).
void DrawOutlinedText(Gdiplus::GpGraphics* target, const wchar_t* text, const TextStyle& style, int horizontalAlign,
                      int verticalAlign, float emSize, LayoutRect rect);

// The graph in its three layers, back to front: background, one bar per
// sample, frame (DrawTemperatureGraph; the overlay keeps the background in
// a layer of its own). The pens are the caller's to delete.
void DrawGraphBackground(Gdiplus::GpGraphics* target, Gdiplus::ARGB backgroundColour, LayoutRect rect);
Gdiplus::GpPen* NewBarPen(int gradientOn, Gdiplus::ARGB barColour, LayoutRect rect);
Gdiplus::GpPen* NewFramePen(Gdiplus::ARGB frameColour);
// The bars' heights in pixels, one per sample of `history`, oldest first (at
// most `capacity`). A bar stands at GraphBarX, 3 pixels wide: it reaches at
// most 2 columns either side of its x. A second the processor slept has no
// bar.
const int GRAPH_MAX_BARS = 101;
const int GRAPH_NO_BAR = -2147483647 - 1;
int GraphBarHeights(const Warr<int>& history, double fullScale, LayoutRect rect, int* heights, int capacity);
int GraphBarX(LayoutRect rect, int bar);
// What lies over the background: the bars from `leftX` to `rightX`, then the frame.
void DrawGraphBarsAndFrame(Gdiplus::GpGraphics* target, Gdiplus::GpPen* barPen, Gdiplus::GpPen* framePen,
                           const int* heights, int count, LayoutRect rect, int leftX, int rightX);
// All three, in `style`; a null history draws no bars.
void DrawTemperatureGraph(Gdiplus::GpGraphics* target, const GraphStyle& style, const Warr<int>* history,
                          double fullScale, LayoutRect rect);

// A new 256 x 256 overlay in the dock's object layout; the caller owns it and
// hands it to the host, which deletes it.
DockImage* ComposeDockletImage(DockletInstance* instance);
// The temperature as the icon and the label show it: "Off" while the
// processor sleeps, "-- °C" (°F) where the reading failed, else the reading in
// the docklet's unit. Their Fahrenheit differs: the icon truncates before
// adding 32, the label adds 32.0 first.
enum FahrenheitRounding { ICON_FAHRENHEIT, LABEL_FAHRENHEIT };
void FormatTemperature(wchar_t* text, size_t capacity, const DockletInstance* instance, FahrenheitRounding rounding);
// What ComposeDockletImage keeps for the docklet; before GDI+ shuts down.
void ReleaseOverlayCache(DockletInstance* instance);
