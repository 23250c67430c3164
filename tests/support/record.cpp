#include "record.h"

#include <stdlib.h>

#include "core/docklet.h"

namespace record {
namespace {

DockletInstance& RecordOf(const dockhost::Docklet* docklet)
{
    return *static_cast<DockletInstance*>(docklet->instance);
}

// The settings held as numbers, by their INI keys.
template <typename T>
struct Field {
    const char* key;
    T& (*at)(DockletInstance&);
};
#define FIELD(key, type, member) {key, [](DockletInstance& d) -> type& { return d.member; }}
const Field<int> NUMBERS[] = {
    FIELD("FontSize", int, text.fontSize),   FIELD("Outline", int, text.outline),
    FIELD("Shadow", int, text.shadow),       FIELD("Gradient", int, graph.gradient),
    FIELD("DockletData", int, dockletData), FIELD("LabelData", int, labelData),
    FIELD("Celcius", int, celsius),
};
const Field<COLORREF> COLOURS[] = {
    FIELD("FontColor", COLORREF, text.fontColor.rgb),
    FIELD("OutlineColor", COLORREF, text.outlineColor.rgb),
    FIELD("ShadowColor", COLORREF, text.shadowColor.rgb),
    FIELD("CpuColor", COLORREF, graph.graphColor.rgb),
    FIELD("BackgroundColor", COLORREF, graph.backgroundColor.rgb),
    FIELD("FrameColor", COLORREF, graph.frameColor.rgb),
};
const Field<BYTE> ALPHAS[] = {
    FIELD("FontAlpha", BYTE, text.fontColor.alpha),
    FIELD("OutlineAlpha", BYTE, text.outlineColor.alpha),
    FIELD("ShadowAlpha", BYTE, text.shadowColor.alpha),
    FIELD("CpuAlpha", BYTE, graph.graphColor.alpha),
    FIELD("BackgroundAlpha", BYTE, graph.backgroundColor.alpha),
    FIELD("FrameAlpha", BYTE, graph.frameColor.alpha),
};
#undef FIELD

template <typename T, size_t N>
const Field<T>* Find(const Field<T> (&fields)[N], const std::string& key)
{
    for (const Field<T>& field : fields)
        if (key == field.key)
            return &field;
    return nullptr;
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
    const Warr<int>* history = History(docklet);
    return history ? Samples(*history) : std::vector<int>();
}

Warr<int>* History(const dockhost::Docklet* docklet)
{
    return RecordOf(docklet).history;
}

int LastReading(const dockhost::Docklet* docklet)
{
    return RecordOf(docklet).lastTemperature;
}

const GpuState& Gpu(const dockhost::Docklet* docklet)
{
    return RecordOf(docklet).gpu;
}

std::vector<HeldText> Texts(const dockhost::Docklet* docklet)
{
    const DockletInstance& d = RecordOf(docklet);
    return {
        {"Title", d.title, TITLE_CAPACITY},
        {"Command", d.command, COMMAND_CAPACITY},
        {"Parameters", d.parameters, COMMAND_CAPACITY},
        {"ImagesFolder", d.imagesFolder, PATH_CAPACITY},
        {"BackgroundImage", d.backgroundImage, PATH_CAPACITY},
        {"EmptyImage", d.emptyImage, PATH_CAPACITY},
        {"FontName", d.text.fontName, FONT_NAME_CAPACITY},
    };
}

std::wstring Text(const dockhost::Docklet* docklet, const std::string& key)
{
    for (const HeldText& text : Texts(docklet))
        if (key == text.key)
            return std::wstring(text.units, wcsnlen(text.units, text.capacity));
    return std::wstring();
}

long Number(const dockhost::Docklet* docklet, const std::string& key)
{
    DockletInstance& d = RecordOf(docklet);
    if (const Field<int>* number = Find(NUMBERS, key))
        return number->at(d);
    if (const Field<COLORREF>* colour = Find(COLOURS, key))
        return static_cast<long>(colour->at(d));
    if (const Field<BYTE>* alpha = Find(ALPHAS, key))
        return alpha->at(d);
    return 0;
}

bool ChangeSettings(dockhost::Docklet* docklet, const std::vector<std::pair<std::string, std::string>>& settings)
{
    DockletInstance& d = RecordOf(docklet);
    bool known = true;
    for (const auto& kv : settings) {
        const long value = strtol(kv.second.c_str(), nullptr, 10);
        if (kv.first == "FontName")
            lstrcpynW(d.text.fontName, dockhost::Widen(kv.second).c_str(), FONT_NAME_CAPACITY);
        else if (const Field<int>* number = Find(NUMBERS, kv.first))
            number->at(d) = static_cast<int>(value);
        else if (const Field<COLORREF>* colour = Find(COLOURS, kv.first))
            colour->at(d) = static_cast<COLORREF>(value);
        else if (const Field<BYTE>* alpha = Find(ALPHAS, kv.first))
            alpha->at(d) = static_cast<BYTE>(value);
        else
            known = false;
    }
    return known;
}

WithoutHistory::WithoutHistory(dockhost::Docklet* docklet) : docklet_(docklet), history_(RecordOf(docklet).history)
{
    RecordOf(docklet_).history = nullptr;
}

WithoutHistory::~WithoutHistory()
{
    RecordOf(docklet_).history = history_;
}

} // namespace record
