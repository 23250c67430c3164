// The overlay the host lays over the docklet's background picture: caption,
// temperature and, in graph mode, the history graph, on a transparent image.
#include "render/render.h"
#include "render/gdiplus_owners.h"

#include "core/dock_image.h"
#include "core/docklet.h"
#include "core/text.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const int OVERLAY_SIZE = 256;
const int TEMPERATURE_TEXT_CAPACITY = 500;
const wchar_t CAPTION[] = L"GPU Temp";

const LayoutRect GRAPH_TEXT_BAND = {27, 25, 204, 40};
const LayoutRect GRAPH_AREA = {27, 64, 204, 158};
const LayoutRect TEXT_CAPTION_BAND = {0, 108, 255, 30};
const LayoutRect TEXT_TEMPERATURE_BAND = {0, 140, 255, 34};

// The icon truncates before adding 32; the label adds 32.0 first.
int IconFahrenheit(int celsius)
{
    // Held 32 below the top, so that adding 32 stays within int.
    return TruncatedInt(celsius * 1.8 < 2147483615.0 ? celsius * 1.8 : 2147483615.0) + 32;
}

struct TextStyle {
    const wchar_t* fontName;
    COLORREF fillColour;
    unsigned fillAlpha;
    int shadowOn;
    COLORREF shadowColour;
    unsigned shadowAlpha;
    int outlineOn;
    COLORREF outlineColour;
    unsigned outlineAlpha;
};

void DrawBandText(GpGraphics* graphics, const wchar_t* text, const TextStyle& style, int horizontalAlign,
              double emSize, LayoutRect rect)
{
    const int bold = FontStyleBold;
    DrawOutlinedText(graphics, text, style.fontName, bold, style.fillColour, style.fillAlpha, horizontalAlign,
                     StringAlignmentCenter, static_cast<float>(emSize), style.shadowOn, style.shadowColour,
                     style.shadowAlpha, style.outlineOn, style.outlineColour, style.outlineAlpha, rect);
}

void DrawOverlay(GpGraphics* graphics, const DockletInstance* instance)
{
    GdipSetInterpolationMode(graphics, InterpolationModeHighQuality);
    GdipSetCompositingQuality(graphics, CompositingQualityHighQuality);
    GdipSetCompositingMode(graphics, CompositingModeSourceOver);
    GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);

    const ARGB barColour = MakeArgb(instance->graphColor, instance->graphAlpha);
    const ARGB backgroundColour = MakeArgb(instance->backgroundColor, instance->backgroundAlpha);
    const ARGB frameColour = MakeArgb(instance->frameColor, instance->frameAlpha);

    wchar_t temperature[TEMPERATURE_TEXT_CAPACITY];
    if (instance->celsius)
        FormatText(temperature, TEMPERATURE_TEXT_CAPACITY, L"%d \u00B0C", instance->lastTemperature);
    else
        FormatText(temperature, TEMPERATURE_TEXT_CAPACITY, L"%d \u00B0F", IconFahrenheit(instance->lastTemperature));

    const TextStyle style = {
        instance->fontName,    instance->fontColor,    instance->fontAlpha,
        instance->shadow,      instance->shadowColor,  instance->shadowAlpha,
        instance->outline,     instance->outlineColor, instance->outlineAlpha,
    };
    const double fontSize = instance->fontSize;

    if (instance->dockletData & DOCKLET_GRAPH) {
        DrawBandText(graphics, CAPTION, style, StringAlignmentNear, fontSize - 16, GRAPH_TEXT_BAND);
        DrawBandText(graphics, temperature, style, StringAlignmentFar, fontSize - 5, GRAPH_TEXT_BAND);
        if (instance->history) {
            DrawTemperatureGraph(graphics, instance->gradient, barColour, backgroundColour, frameColour,
                                 *instance->history, GRAPH_SCALE_MAX, GRAPH_AREA);
        } else {
            // No history could be allocated: an empty graph, as for a fresh docklet.
            int slot = 0;
            const Warr<int> empty(1, &slot);
            DrawTemperatureGraph(graphics, instance->gradient, barColour, backgroundColour, frameColour, empty,
                                 GRAPH_SCALE_MAX, GRAPH_AREA);
        }
    } else if (instance->dockletData & DOCKLET_TEMPERATURE) {
        DrawBandText(graphics, CAPTION, style, StringAlignmentCenter, fontSize, TEXT_CAPTION_BAND);
        DrawBandText(graphics, temperature, style, StringAlignmentCenter, fontSize + 4, TEXT_TEMPERATURE_BAND);
    }
}

} // namespace

DockImage* ComposeDockletImage(const DockletInstance* instance)
{
    GpBitmap* bitmap = nullptr;
    const GpStatus status =
        GdipCreateBitmapFromScan0(OVERLAY_SIZE, OVERLAY_SIZE, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    if (instance && bitmap) {
        GraphicsOwner graphics;
        GdipGetImageGraphicsContext(bitmap, graphics.Receive());
        if (graphics.Get())
            DrawOverlay(graphics.Get(), instance);
    }
    // Without pixels there is nothing to draw on; the empty image still goes to the host.
    return NewDockImage(bitmap, status);
}
