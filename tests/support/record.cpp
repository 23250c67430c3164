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
    T DockletInstance::*member;
};
const Field<int> NUMBERS[] = {
    {"FontSize", &DockletInstance::fontSize},       {"Outline", &DockletInstance::outline},
    {"Shadow", &DockletInstance::shadow},           {"Gradient", &DockletInstance::gradient},
    {"DockletData", &DockletInstance::dockletData}, {"LabelData", &DockletInstance::labelData},
    {"Celcius", &DockletInstance::celsius},
};
const Field<COLORREF> COLOURS[] = {
    {"FontColor", &DockletInstance::fontColor},             {"OutlineColor", &DockletInstance::outlineColor},
    {"ShadowColor", &DockletInstance::shadowColor},         {"CpuColor", &DockletInstance::graphColor},
    {"BackgroundColor", &DockletInstance::backgroundColor}, {"FrameColor", &DockletInstance::frameColor},
};
const Field<BYTE> ALPHAS[] = {
    {"FontAlpha", &DockletInstance::fontAlpha},             {"OutlineAlpha", &DockletInstance::outlineAlpha},
    {"ShadowAlpha", &DockletInstance::shadowAlpha},         {"CpuAlpha", &DockletInstance::graphAlpha},
    {"BackgroundAlpha", &DockletInstance::backgroundAlpha}, {"FrameAlpha", &DockletInstance::frameAlpha},
};

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
        {"FontName", d.fontName, FONT_NAME_CAPACITY},
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
    const DockletInstance& d = RecordOf(docklet);
    if (const Field<int>* number = Find(NUMBERS, key))
        return d.*number->member;
    if (const Field<COLORREF>* colour = Find(COLOURS, key))
        return static_cast<long>(d.*colour->member);
    if (const Field<BYTE>* alpha = Find(ALPHAS, key))
        return d.*alpha->member;
    return 0;
}

bool ChangeSettings(dockhost::Docklet* docklet, const std::vector<std::pair<std::string, std::string>>& settings)
{
    DockletInstance& d = RecordOf(docklet);
    bool known = true;
    for (const auto& kv : settings) {
        const long value = strtol(kv.second.c_str(), nullptr, 10);
        if (kv.first == "FontName")
            lstrcpynW(d.fontName, dockhost::Widen(kv.second).c_str(), FONT_NAME_CAPACITY);
        else if (const Field<int>* number = Find(NUMBERS, kv.first))
            d.*number->member = static_cast<int>(value);
        else if (const Field<COLORREF>* colour = Find(COLOURS, kv.first))
            d.*colour->member = static_cast<COLORREF>(value);
        else if (const Field<BYTE>* alpha = Find(ALPHAS, kv.first))
            d.*alpha->member = static_cast<BYTE>(value);
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
