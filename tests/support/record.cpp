#include "record.h"

#include <stdlib.h>

#include "core/docklet.h"

namespace harness {
namespace {

DockletInstance& RecordOf(const dockhost::Docklet* docklet)
{
    return *static_cast<DockletInstance*>(docklet->instance);
}

} // namespace

std::vector<int> Samples(const Warr<int>& history)
{
    std::vector<int> samples;
    for (int i = history.first; i <= history.last; ++i)
        samples.push_back(history.At(i));
    return samples;
}

std::vector<int> Samples(const dockhost::Docklet* docklet)
{
    const Warr<int>* history = RecordOf(docklet).history;
    return history ? Samples(*history) : std::vector<int>();
}

const GpuState& Gpu(const dockhost::Docklet* docklet)
{
    return RecordOf(docklet).gpu;
}

void ChangeSettings(dockhost::Docklet* docklet, const KeyValues& settings)
{
    DockletInstance& d = RecordOf(docklet);
    for (const auto& kv : settings) {
        const std::string& key = kv.first;
        const long number = strtol(kv.second.c_str(), nullptr, 10);
        const BYTE alpha = static_cast<BYTE>(number);
        if (key == "FontName")
            lstrcpynW(d.fontName, dockhost::Widen(kv.second).c_str(), FONT_NAME_CAPACITY);
        else if (key == "FontSize")
            d.fontSize = static_cast<int>(number);
        else if (key == "FontColor")
            d.fontColor = static_cast<COLORREF>(number);
        else if (key == "FontAlpha")
            d.fontAlpha = alpha;
        else if (key == "Outline")
            d.outline = static_cast<int>(number);
        else if (key == "OutlineColor")
            d.outlineColor = static_cast<COLORREF>(number);
        else if (key == "OutlineAlpha")
            d.outlineAlpha = alpha;
        else if (key == "Shadow")
            d.shadow = static_cast<int>(number);
        else if (key == "ShadowColor")
            d.shadowColor = static_cast<COLORREF>(number);
        else if (key == "ShadowAlpha")
            d.shadowAlpha = alpha;
        else if (key == "CpuColor")
            d.graphColor = static_cast<COLORREF>(number);
        else if (key == "CpuAlpha")
            d.graphAlpha = alpha;
        else if (key == "BackgroundColor")
            d.backgroundColor = static_cast<COLORREF>(number);
        else if (key == "BackgroundAlpha")
            d.backgroundAlpha = alpha;
        else if (key == "FrameColor")
            d.frameColor = static_cast<COLORREF>(number);
        else if (key == "FrameAlpha")
            d.frameAlpha = alpha;
        else if (key == "Gradient")
            d.gradient = static_cast<int>(number);
        else if (key == "DockletData")
            d.dockletData = static_cast<int>(number);
        else if (key == "Celcius")
            d.celsius = static_cast<int>(number);
        else
            ADD_FAILURE() << "no such setting to change: " << key;
    }
}

WithoutHistory::WithoutHistory(dockhost::Docklet* docklet) : docklet_(docklet), history_(RecordOf(docklet).history)
{
    RecordOf(docklet_).history = nullptr;
}

WithoutHistory::~WithoutHistory()
{
    RecordOf(docklet_).history = static_cast<Warr<int>*>(history_);
}

} // namespace harness
