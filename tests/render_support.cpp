#include "render_support.h"

namespace render_test {

// Drawn with the GDI+ classes rather than the module's flat calls, so that a
// wrong number or band on the icon shows up as a difference.
harness::Pixels ExpectedIconText(bool graphMode, const wchar_t* temperature, int fontSize)
{
    Gdiplus::Bitmap bitmap(256, 256, PixelFormat32bppARGB);
    Gdiplus::Graphics graphics(&bitmap);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::FontFamily family(L"Tahoma");
    Gdiplus::GraphicsPath path;
    auto add = [&](const wchar_t* text, Gdiplus::StringAlignment alignment, double emSize, Gdiplus::Rect band) {
        Gdiplus::StringFormat format;
        format.SetAlignment(alignment);
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
        path.AddString(text, -1, &family, Gdiplus::FontStyleBold, static_cast<float>(emSize), band, &format);
    };
    if (graphMode) {
        const Gdiplus::Rect band(27, 25, 204, 40);
        add(L"GPU Temp", Gdiplus::StringAlignmentNear, fontSize - 16, band);
        add(temperature, Gdiplus::StringAlignmentFar, fontSize - 5, band);
    } else {
        add(L"GPU Temp", Gdiplus::StringAlignmentCenter, fontSize, Gdiplus::Rect(0, 108, 255, 30));
        add(temperature, Gdiplus::StringAlignmentCenter, fontSize + 4, Gdiplus::Rect(0, 140, 255, 34));
    }
    Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
    graphics.FillPath(&white, &path);
    return harness::Capture(&bitmap);
}

} // namespace render_test
