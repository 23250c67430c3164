// Drawing of the icon overlay with GDI+.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include "gpu/warr.h"

struct DockletInstance;

struct LayoutRect {
    int x, y, width, height;
};

const double GRAPH_SCALE_MAX = 120.0;

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

void DrawTemperatureGraph(Gdiplus::GpGraphics* target, int gradientOn, Gdiplus::ARGB barColour,
                          Gdiplus::ARGB backgroundColour, Gdiplus::ARGB frameColour, const Warr<int>& history,
                          double fullScale, LayoutRect rect);

// A new 256 x 256 overlay; the caller owns it (the host deletes it as an Image).
Gdiplus::Bitmap* ComposeDockletImage(const DockletInstance* instance);
