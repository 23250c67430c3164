// What the icon's drawing is made of, as values: a colour with its
// transparency, the style of the icon's texts and the graph's colours. The
// record holds them, the settings table loads and saves their members, the
// Font and Graph pages edit them and the renderers draw with them.
#pragma once

#include <windows.h>

enum { FONT_NAME_CAPACITY = 32 };

// A Windows colour value (red in the low byte, then green, then blue) and its
// alpha, 0 clear to 255 opaque.
struct AlphaColour {
    COLORREF rgb;
    BYTE alpha;
};

// Face, size, fill, outline and shadow of the caption and the temperature.
struct TextStyle {
    wchar_t fontName[FONT_NAME_CAPACITY];
    int fontSize;
    AlphaColour fontColor; // the glyphs' fill
    int outline;           // 1: a contour line in outlineColor
    AlphaColour outlineColor;
    int shadow;            // 1: a drop shadow in shadowColor
    AlphaColour shadowColor;
};

// The history graph: bars, background and frame, and whether the bars take
// the green-yellow-red gradient (of which the bar colour gives only the alpha).
struct GraphStyle {
    AlphaColour graphColor; // the bars
    AlphaColour backgroundColor;
    AlphaColour frameColor;
    int gradient;
};
