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
// Each colour is saved as two keys: the prefix with "Color", and with "Alpha".
const Field<AlphaColour> COLOURS[] = {
    FIELD("Font", AlphaColour, text.fontColor),       FIELD("Outline", AlphaColour, text.outlineColor),
    FIELD("Shadow", AlphaColour, text.shadowColor),   FIELD("Cpu", AlphaColour, graph.graphColor),
    FIELD("Background", AlphaColour, graph.backgroundColor), FIELD("Frame", AlphaColour, graph.frameColor),
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

// The colour a "...Color" or "...Alpha" key names, and which of the two it is.
AlphaColour* ColourOf(DockletInstance& d, const std::string& key, bool& alpha)
{
    const size_t suffix = 5; // "Color", "Alpha"
    if (key.size() <= suffix)
        return nullptr;
    const std::string end = key.substr(key.size() - suffix);
    if (end != "Color" && end != "Alpha")
        return nullptr;
    alpha = end == "Alpha";
    const Field<AlphaColour>* colour = Find(COLOURS, key.substr(0, key.size() - suffix));
    return colour ? &colour->at(d) : nullptr;
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
    bool alpha = false;
    if (const AlphaColour* colour = ColourOf(d, key, alpha))
        return alpha ? colour->alpha : static_cast<long>(colour->rgb);
    return 0;
}

bool ChangeSettings(dockhost::Docklet* docklet, const std::vector<std::pair<std::string, std::string>>& settings)
{
    DockletInstance& d = RecordOf(docklet);
    bool known = true;
    bool alpha = false;
    for (const auto& kv : settings) {
        const long value = strtol(kv.second.c_str(), nullptr, 10);
        if (kv.first == "FontName")
            lstrcpynW(d.text.fontName, dockhost::Widen(kv.second).c_str(), FONT_NAME_CAPACITY);
        else if (const Field<int>* number = Find(NUMBERS, kv.first))
            number->at(d) = static_cast<int>(value);
        else if (AlphaColour* colour = ColourOf(d, kv.first, alpha)) {
            if (alpha)
                colour->alpha = static_cast<BYTE>(value);
            else
                colour->rgb = static_cast<COLORREF>(value);
        } else
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
