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

namespace {

// The settings ChangeSettings knows, by their INI keys.
template <typename T>
struct Field {
    const char* key;
    T DockletInstance::*member;
};
const Field<int> NUMBERS[] = {
    {"FontSize", &DockletInstance::fontSize}, {"Outline", &DockletInstance::outline},
    {"Shadow", &DockletInstance::shadow},     {"Gradient", &DockletInstance::gradient},
    {"DockletData", &DockletInstance::dockletData}, {"Celcius", &DockletInstance::celsius},
};
const Field<COLORREF> COLOURS[] = {
    {"FontColor", &DockletInstance::fontColor},   {"OutlineColor", &DockletInstance::outlineColor},
    {"ShadowColor", &DockletInstance::shadowColor}, {"CpuColor", &DockletInstance::graphColor},
    {"BackgroundColor", &DockletInstance::backgroundColor}, {"FrameColor", &DockletInstance::frameColor},
};
const Field<BYTE> ALPHAS[] = {
    {"FontAlpha", &DockletInstance::fontAlpha},   {"OutlineAlpha", &DockletInstance::outlineAlpha},
    {"ShadowAlpha", &DockletInstance::shadowAlpha}, {"CpuAlpha", &DockletInstance::graphAlpha},
    {"BackgroundAlpha", &DockletInstance::backgroundAlpha}, {"FrameAlpha", &DockletInstance::frameAlpha},
};

template <typename T, size_t N>
bool SetField(const Field<T> (&fields)[N], DockletInstance& record, const std::string& key, long value)
{
    for (const Field<T>& field : fields) {
        if (key == field.key) {
            record.*field.member = static_cast<T>(value);
            return true;
        }
    }
    return false;
}

} // namespace

void ChangeSettings(dockhost::Docklet* docklet, const KeyValues& settings)
{
    DockletInstance& record = RecordOf(docklet);
    for (const auto& kv : settings) {
        const long value = strtol(kv.second.c_str(), nullptr, 10);
        if (kv.first == "FontName")
            lstrcpynW(record.fontName, dockhost::Widen(kv.second).c_str(), FONT_NAME_CAPACITY);
        else if (!SetField(NUMBERS, record, kv.first, value) && !SetField(COLOURS, record, kv.first, value) &&
                 !SetField(ALPHAS, record, kv.first, value))
            ADD_FAILURE() << "no such setting to change: " << kv.first;
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
