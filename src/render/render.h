// Drawing of the icon overlay with GDI+.
#pragma once

#include <windows.h>
#include <gdiplus.h>

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

// Windows colour value (red in the low byte) and alpha to GDI+ ARGB.
inline Gdiplus::ARGB MakeArgb(COLORREF colour, unsigned alpha)
{
    return (static_cast<Gdiplus::ARGB>(alpha & 0xFF) << 24)
        | (static_cast<Gdiplus::ARGB>(GetRValue(colour)) << 16)
        | (static_cast<Gdiplus::ARGB>(GetGValue(colour)) << 8)
        | static_cast<Gdiplus::ARGB>(GetBValue(colour));
}

void DrawOutlinedText(Gdiplus::GpGraphics* target, const wchar_t* text, const wchar_t* familyName, int style,
                      COLORREF fillColour, unsigned fillAlpha, int horizontalAlign, int verticalAlign, float emSize,
                      int shadowOn, COLORREF shadowColour, unsigned shadowAlpha, int outlineOn,
                      COLORREF outlineColour, unsigned outlineAlpha, LayoutRect rect);

// The graph in its three layers, back to front: background, one bar per
// sample, frame. The pens are the caller's to delete.
void DrawGraphBackground(Gdiplus::GpGraphics* target, Gdiplus::ARGB backgroundColour, LayoutRect rect);
Gdiplus::GpPen* NewBarPen(int gradientOn, Gdiplus::ARGB barColour, LayoutRect rect);
Gdiplus::GpPen* NewFramePen(Gdiplus::ARGB frameColour);
// The bars in two steps: the height in pixels of each sample's bar, oldest
// first (at most `capacity`); then the bars whose x lies from `leftX` to
// `rightX`, in that order. A bar is 3 pixels wide: it reaches at most 2
// columns either side of its x. A second the processor slept has no bar.
const int GRAPH_MAX_BARS = 101;
const int GRAPH_NO_BAR = -2147483647 - 1;
int GraphBarHeights(const Warr<int>& history, double fullScale, LayoutRect rect, int* heights, int capacity);
int GraphBarX(LayoutRect rect, int bar);
void DrawGraphBarsBetween(Gdiplus::GpGraphics* target, Gdiplus::GpPen* barPen, const int* heights, int count,
                          LayoutRect rect, int leftX, int rightX);
void DrawGraphFrame(Gdiplus::GpGraphics* target, Gdiplus::GpPen* framePen, LayoutRect rect);
// All three, as the Graph page's preview draws them.
void DrawTemperatureGraph(Gdiplus::GpGraphics* target, int gradientOn, Gdiplus::ARGB barColour,
                          Gdiplus::ARGB backgroundColour, Gdiplus::ARGB frameColour, const Warr<int>& history,
                          double fullScale, LayoutRect rect);

// A new 256 x 256 overlay in the dock's object layout; the caller owns it and
// hands it to the host, which deletes it.
DockImage* ComposeDockletImage(DockletInstance* instance);
// What ComposeDockletImage keeps for the docklet; before GDI+ shuts down.
void ReleaseOverlayCache(DockletInstance* instance);
