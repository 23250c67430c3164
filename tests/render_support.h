// Pixel helpers shared by the overlay tests.
#pragma once

#include "harness.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace render_test {

// The icon's graph rectangle and where its bars stand.
const int GRAPH_X = 27;
const int GRAPH_Y = 64;
const int GRAPH_WIDTH = 204;
const int GRAPH_HEIGHT = 158;
const int GRAPH_BASE = GRAPH_Y + GRAPH_HEIGHT;

inline int BarX(int position)
{
    return GRAPH_X + 2 * position;
}

inline std::string Hex(uint32_t argb)
{
    char text[16];
    snprintf(text, sizeof text, "%08X", argb);
    return text;
}

inline int Channel(uint32_t argb, int shift)
{
    return static_cast<int>((argb >> shift) & 0xFF);
}

// Largest difference of the four channels.
inline int Distance(uint32_t a, uint32_t b)
{
    int largest = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int difference = abs(Channel(a, shift) - Channel(b, shift));
        if (difference > largest)
            largest = difference;
    }
    return largest;
}

inline ::testing::AssertionResult PixelNear(const harness::Pixels& pixels, int x, int y, uint32_t expected,
                                            int tolerance = 3)
{
    uint32_t actual = pixels.At(x, y);
    if (Distance(actual, expected) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << Hex(actual) << ", expected "
                                         << Hex(expected) << " within " << tolerance;
}

// How many pixels are ink, and the box around them.
struct InkBox {
    int count = 0;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

template <typename Predicate>
InkBox FindInk(const harness::Pixels& pixels, Predicate isInk)
{
    InkBox box;
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            if (!isInk(pixels.At(x, y)))
                continue;
            ++box.count;
            if (x < box.left)
                box.left = x;
            if (x > box.right)
                box.right = x;
            if (y < box.top)
                box.top = y;
            if (y > box.bottom)
                box.bottom = y;
        }
    }
    return box;
}

inline InkBox FindInk(const harness::Pixels& pixels)
{
    return FindInk(pixels, [](uint32_t argb) { return (argb >> 24) != 0; });
}

// Pixels whose alpha differs by more than `tolerance`.
inline int CountDifferent(const harness::Pixels& a, const harness::Pixels& b, int tolerance = 8)
{
    if (a.width != b.width || a.height != b.height)
        return -1;
    int different = 0;
    for (size_t i = 0; i < a.argb.size(); ++i)
        if (Distance(a.argb[i], b.argb[i]) > tolerance)
            ++different;
    return different;
}

} // namespace render_test

namespace render_test {

// The icon's caption and temperature as they should look in plain white
// Tahoma (no shadow, no outline), and nothing else.
harness::Pixels ExpectedIconText(bool graphMode, const wchar_t* temperature, int fontSize = 34);

// Few pixels differ: anti-aliasing may round differently at glyph edges.
const int ICON_MISMATCH_ALLOWED = 6;

// One docklet whose overlay a test draws, started from the settings a case
// gives (the previous case's docklet removed).
class OverlayTest : public harness::DockTest {
protected:
    void Start(const harness::KeyValues& settings)
    {
        if (docklet_)
            Destroy(docklet_);
        docklet_ = CreateWith(settings);
        ASSERT_NE(docklet_, nullptr);
        Freeze(docklet_);
    }

    harness::Pixels Refresh()
    {
        if (!docklet_)
            return harness::Pixels();
        Tick(docklet_);
        return Overlay(docklet_);
    }

    dockhost::Docklet* docklet_ = nullptr;
};

} // namespace render_test
