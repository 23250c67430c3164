// The overlay the host lays over the docklet's background picture: caption,
// temperature and, in graph mode, the history graph, on a transparent image.
//
// Everything but the graph's bars and frame depends only on settings and on
// the temperature's text, which rarely change: that layer is kept per docklet
// as pixels and drawn again only when something that reaches it changed. A
// refresh copies it into a new image and draws bars and frame over it, the
// same steps in the same order as drawing everything anew, so the pixels are
// the same. (A build with MORAVEL_NO_OVERLAY_CACHE draws everything anew each
// time; the tests compare the two.)
#include "render/render.h"
#include "render/gdiplus_owners.h"

#include <limits.h>
#include <string.h>

#include "core/dock_image.h"
#include "core/docklet.h"
#include "core/text.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const int OVERLAY_SIZE = 256;
const int OVERLAY_STRIDE = OVERLAY_SIZE * 4;
// Columns either side of its x that a bar may touch (it reaches 2), and one
// more for the anti-aliasing of its edges.
const int BAR_REACH = 3;
const int TEMPERATURE_TEXT_CAPACITY = 500;
const wchar_t CAPTION[] = L"GPU Temp";

const LayoutRect GRAPH_TEXT_BAND = {27, 25, 204, 40};
const LayoutRect GRAPH_AREA = {27, 64, 204, 158};
const LayoutRect TEXT_CAPTION_BAND = {0, 108, 255, 30};
const LayoutRect TEXT_TEMPERATURE_BAND = {0, 140, 255, 34};

int Fahrenheit(int celsius, FahrenheitRounding rounding)
{
    if (rounding == LABEL_FAHRENHEIT)
        return TruncatedInt(celsius * 1.8 + 32.0);
    // Held 32 below the top, so that adding 32 stays within int.
    return TruncatedInt(celsius * 1.8 < 2147483615.0 ? celsius * 1.8 : 2147483615.0) + 32;
}

void DrawBandText(GpGraphics* graphics, const wchar_t* text, const TextStyle& style, int horizontalAlign,
                  double emSize, LayoutRect rect)
{
    DrawOutlinedText(graphics, text, style, horizontalAlign, StringAlignmentCenter, static_cast<float>(emSize), rect);
}

// Graph mode wins when both bits are set; 0: nothing is drawn.
int ModeOf(const DockletInstance* instance)
{
    if (instance->dockletData & DOCKLET_GRAPH)
        return DOCKLET_GRAPH;
    if (instance->dockletData & DOCKLET_TEMPERATURE)
        return DOCKLET_TEMPERATURE;
    return 0;
}

// Everything the layer's pixels depend on. Made zeroed and copied whole, so
// that two keys compare whole, padding included.
struct LayerKey {
    int mode;
    TextStyle text;
    wchar_t temperature[TEMPERATURE_TEXT_CAPACITY];
    ARGB background; // graph mode only
};

void MakeLayerKey(const DockletInstance* instance, LayerKey& key)
{
    memset(&key, 0, sizeof key);
    key.mode = ModeOf(instance);
    memcpy(&key.text, &instance->text, sizeof key.text); // the record's padding is zero as it was made
    // What follows the face's terminator is no part of it.
    memset(key.text.fontName, 0, sizeof key.text.fontName);
    CopyText(key.text.fontName, FONT_NAME_CAPACITY, instance->text.fontName);
    FormatTemperature(key.temperature, TEMPERATURE_TEXT_CAPACITY, instance, ICON_FAHRENHEIT);
    if (key.mode == DOCKLET_GRAPH)
        key.background = MakeArgb(instance->graph.backgroundColor);
}

} // namespace

void FormatTemperature(wchar_t* text, size_t capacity, const DockletInstance* instance, FahrenheitRounding rounding)
{
    // "--" where a reading failed: not a number.
    if (instance->gpuWatch.asleep)
        CopyText(text, capacity, L"Off");
    else if (instance->lastTemperature == -1)
        CopyText(text, capacity, instance->celsius ? L"-- \u00B0C" : L"-- \u00B0F");
    else if (instance->celsius)
        FormatText(text, capacity, L"%d \u00B0C", instance->lastTemperature);
    else
        FormatText(text, capacity, L"%d \u00B0F", Fahrenheit(instance->lastTemperature, rounding));
}

namespace {

// Caption and temperature in the mode's bands.
void DrawTexts(GpGraphics* graphics, const LayerKey& key)
{
    const double fontSize = key.text.fontSize;
    if (key.mode == DOCKLET_GRAPH) {
        DrawBandText(graphics, CAPTION, key.text, StringAlignmentNear, fontSize - 16, GRAPH_TEXT_BAND);
        DrawBandText(graphics, key.temperature, key.text, StringAlignmentFar, fontSize - 5, GRAPH_TEXT_BAND);
    } else if (key.mode == DOCKLET_TEMPERATURE) {
        DrawBandText(graphics, CAPTION, key.text, StringAlignmentCenter, fontSize, TEXT_CAPTION_BAND);
        DrawBandText(graphics, key.temperature, key.text, StringAlignmentCenter, fontSize + 4, TEXT_TEMPERATURE_BAND);
    }
}

} // namespace

void SetDrawingQuality(GpGraphics* graphics)
{
    GdipSetInterpolationMode(graphics, InterpolationModeHighQuality);
    GdipSetCompositingQuality(graphics, CompositingQualityHighQuality);
    GdipSetCompositingMode(graphics, CompositingModeSourceOver);
    GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
}

// The docklet's kept layer, the graph's pens with what they were made of,
// and in graph mode the last overlay with the heights of its bars.
struct OverlayCache {
    bool layerValid;
    LayerKey layerKey;
    BYTE layer[OVERLAY_SIZE * OVERLAY_STRIDE];
    GpPen* barPen;
    ARGB barColour;
    int gradient;
    GpPen* framePen;
    ARGB frameColour;
    bool lastValid; // lastFrame is what this layer and these pens drew
    int lastHeights[GRAPH_MAX_BARS];
    int lastCount;
    BYTE lastFrame[OVERLAY_SIZE * OVERLAY_STRIDE];
};

namespace {

#ifndef MORAVEL_NO_OVERLAY_CACHE
// The height of each sample's bar, oldest first. No history could be
// allocated: no bars, as for a fresh docklet.
int BarHeightsOf(const DockletInstance* instance, int* heights)
{
    if (!instance->history)
        return 0;
    return GraphBarHeights(*instance->history, GRAPH_SCALE_MAX, GRAPH_AREA, heights, GRAPH_MAX_BARS);
}

OverlayCache* CacheOf(DockletInstance* instance)
{
    if (!instance->overlayCache)
        instance->overlayCache =
            static_cast<OverlayCache*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OverlayCache)));
    return instance->overlayCache;
}

// The layer's pixels for `key`, drawn anew when the key changed.
bool UpdateLayer(OverlayCache* cache, const LayerKey& key)
{
    if (cache->layerValid && memcmp(&cache->layerKey, &key, sizeof key) == 0)
        return true;
    cache->layerValid = false;
    cache->lastValid = false;
    memset(cache->layer, 0, sizeof cache->layer);
    BitmapOwner layer;
    GdipCreateBitmapFromScan0(OVERLAY_SIZE, OVERLAY_SIZE, OVERLAY_STRIDE, PixelFormat32bppARGB, cache->layer,
                              layer.Receive());
    GraphicsOwner graphics;
    GdipGetImageGraphicsContext(layer.Get(), graphics.Receive());
    if (!graphics.Get())
        return false;
    SetDrawingQuality(graphics.Get());
    // What lies under the bars: the texts, and in graph mode the graph's background.
    DrawTexts(graphics.Get(), key);
    if (key.mode == DOCKLET_GRAPH)
        DrawGraphBackground(graphics.Get(), key.background, GRAPH_AREA);
    GdipFlush(graphics.Get(), FlushIntentionSync);
    memcpy(&cache->layerKey, &key, sizeof key);
    cache->layerValid = true;
    return true;
}

// The next run of marked columns from `left` on: false when there is none.
bool NextRun(const bool* columns, int& left, int& right)
{
    while (left < OVERLAY_SIZE && !columns[left])
        ++left;
    right = left;
    while (right < OVERLAY_SIZE && columns[right])
        ++right;
    return right > left;
}

// Copies `columns` of `pixels` (all when null) into the image, or out of it.
bool CopyPixels(GpBitmap* bitmap, BYTE* pixels, bool into, const bool* columns = nullptr)
{
    const Rect all(0, 0, OVERLAY_SIZE, OVERLAY_SIZE);
    BitmapData data = {};
    if (GdipBitmapLockBits(bitmap, &all, into ? ImageLockModeRead | ImageLockModeWrite : ImageLockModeRead,
                           PixelFormat32bppARGB, &data) != Ok)
        return false;
    int left = 0, right = OVERLAY_SIZE;
    for (; columns ? NextRun(columns, left, right) : left < right; left = right) {
        const size_t bytes = static_cast<size_t>(right - left) * 4;
        for (int y = 0; y < OVERLAY_SIZE; ++y) {
            BYTE* image = static_cast<BYTE*>(data.Scan0) + y * data.Stride + left * 4;
            BYTE* kept = pixels + y * OVERLAY_STRIDE + left * 4;
            if (into)
                memcpy(image, kept, bytes);
            else
                memcpy(kept, image, bytes);
        }
    }
    GdipBitmapUnlockBits(bitmap, &data);
    return true;
}

// The kept pens, made again when what they were made of changed.
GpPen* KeptBarPen(OverlayCache* cache, ARGB colour, int gradient)
{
    if (cache->barPen && cache->barColour == colour && cache->gradient == gradient)
        return cache->barPen;
    if (cache->barPen)
        GdipDeletePen(cache->barPen);
    cache->lastValid = false;
    cache->barPen = NewBarPen(gradient, colour, GRAPH_AREA);
    cache->barColour = colour;
    cache->gradient = gradient;
    return cache->barPen;
}

GpPen* KeptFramePen(OverlayCache* cache, ARGB colour)
{
    if (cache->framePen && cache->frameColour == colour)
        return cache->framePen;
    if (cache->framePen)
        GdipDeletePen(cache->framePen);
    cache->lastValid = false;
    cache->framePen = NewFramePen(colour);
    cache->frameColour = colour;
    return cache->framePen;
}

// Bars and frame over what the image holds: all of them, or (with
// `columns`) those that reach the marked columns, clipped to them.
bool DrawGraphColumns(GpBitmap* bitmap, GpPen* barPen, GpPen* framePen, const int* heights, int count,
                      const bool* columns)
{
    GraphicsOwner graphics;
    GdipGetImageGraphicsContext(bitmap, graphics.Receive());
    if (!graphics.Get())
        return false;
    SetDrawingQuality(graphics.Get());
    if (!columns) {
        DrawGraphBarsAndFrame(graphics.Get(), barPen, framePen, heights, count, GRAPH_AREA, INT_MIN, INT_MAX);
        return true;
    }
    for (int left = 0, right = 0; NextRun(columns, left, right); left = right) {
        GdipSetClipRectI(graphics.Get(), left, 0, right - left, OVERLAY_SIZE, CombineModeReplace);
        DrawGraphBarsAndFrame(graphics.Get(), barPen, framePen, heights, count, GRAPH_AREA, left - BAR_REACH,
                              right - 1 + BAR_REACH);
    }
    return true;
}

// Graph mode: the layer, bars and frame. The last overlay is reused where no
// bar changed: only the columns a changed bar reaches are drawn again, from
// the layer, with every bar that reaches them and the frame, clipped to
// them; inside the clip those are the pixels of drawing it all. False when
// the image could not be filled at all.
bool DrawGraphOver(GpBitmap* bitmap, OverlayCache* cache, const DockletInstance* instance)
{
    GpPen* barPen = KeptBarPen(cache, MakeArgb(instance->graph.graphColor), instance->graph.gradient);
    GpPen* framePen = KeptFramePen(cache, MakeArgb(instance->graph.frameColor));
    int heights[GRAPH_MAX_BARS];
    const int count = BarHeightsOf(instance, heights);

    bool changed[OVERLAY_SIZE] = {};
    if (cache->lastValid) {
        bool anyChanged = false;
        const int bars = count > cache->lastCount ? count : cache->lastCount;
        for (int bar = 0; bar < bars; ++bar) {
            if (bar < count && bar < cache->lastCount && heights[bar] == cache->lastHeights[bar])
                continue;
            const int x = GraphBarX(GRAPH_AREA, bar);
            for (int column = x - BAR_REACH; column <= x + BAR_REACH; ++column) {
                if (column >= 0 && column < OVERLAY_SIZE)
                    changed[column] = anyChanged = true;
            }
        }
        if (!CopyPixels(bitmap, cache->lastFrame, true))
            return false;
        if (!anyChanged)
            return true;
        if (!CopyPixels(bitmap, cache->layer, true, changed))
            return false;
    } else if (!CopyPixels(bitmap, cache->layer, true)) {
        return false;
    }
    if (!DrawGraphColumns(bitmap, barPen, framePen, heights, count, cache->lastValid ? changed : nullptr)) {
        cache->lastValid = false;
        return true;
    }
    cache->lastValid = CopyPixels(bitmap, cache->lastFrame, false);
    memcpy(cache->lastHeights, heights, sizeof heights);
    cache->lastCount = count;
    return true;
}
#endif

void DrawEverything(GpBitmap* bitmap, const DockletInstance* instance, const LayerKey& key)
{
    GraphicsOwner graphics;
    GdipGetImageGraphicsContext(bitmap, graphics.Receive());
    if (!graphics.Get())
        return;
    SetDrawingQuality(graphics.Get());
    DrawTexts(graphics.Get(), key);
    if (key.mode == DOCKLET_GRAPH)
        DrawTemperatureGraph(graphics.Get(), instance->graph, instance->history, GRAPH_SCALE_MAX, GRAPH_AREA);
}

void DrawOverlay(GpBitmap* bitmap, DockletInstance* instance)
{
    LayerKey key;
    MakeLayerKey(instance, key);
    if (key.mode == 0)
        return;
#ifndef MORAVEL_NO_OVERLAY_CACHE
    OverlayCache* cache = CacheOf(instance);
    if (cache && UpdateLayer(cache, key)) {
        if (key.mode == DOCKLET_GRAPH ? DrawGraphOver(bitmap, cache, instance) : CopyPixels(bitmap, cache->layer, true))
            return;
        // A copy failed half way: start again from a clear image.
        cache->lastValid = false;
        GraphicsOwner graphics;
        GdipGetImageGraphicsContext(bitmap, graphics.Receive());
        if (graphics.Get())
            GdipGraphicsClear(graphics.Get(), 0);
    }
#endif
    // Nothing kept (or nothing could be): everything drawn on the image itself.
    DrawEverything(bitmap, instance, key);
}

} // namespace

DockImage* ComposeDockletImage(DockletInstance* instance)
{
    GpBitmap* bitmap = nullptr;
    const GpStatus status =
        GdipCreateBitmapFromScan0(OVERLAY_SIZE, OVERLAY_SIZE, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    // Without pixels there is nothing to draw on; the empty image still goes to the host.
    if (instance && bitmap)
        DrawOverlay(bitmap, instance);
    return NewDockImage(bitmap, status);
}

void ReleaseOverlayCache(DockletInstance* instance)
{
    OverlayCache* cache = instance ? instance->overlayCache : nullptr;
    if (!cache)
        return;
    if (cache->barPen)
        GdipDeletePen(cache->barPen);
    if (cache->framePen)
        GdipDeletePen(cache->framePen);
    HeapFree(GetProcessHeap(), 0, cache);
    instance->overlayCache = nullptr;
}
