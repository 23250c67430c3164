#include "core/settings.h"

#include <stddef.h>
#include <stdlib.h>
#include <wchar.h>
#include <wctype.h>

#include "core/docklet.h"
#include "core/host.h"
#include "core/images.h"
#include "core/text.h"

namespace {

enum SettingKind { TEXT_SETTING, INT_SETTING, ALPHA_SETTING };

// Whether the settings sheet's OK copies the edited value back as it is. The
// sheet never changes the images folder, and applies the background image
// and what the icon shows by a rule of its own.
enum SheetApply { APPLIED, NOT_APPLIED };

struct Setting {
    const wchar_t* key;
    size_t offset;
    size_t savedOffset; // where OnSave takes the value from; the field itself for all but one
    SettingKind kind;
    const wchar_t* textDefault; // text keys
    int intDefault;             // integer and alpha keys
    DWORD readCapacity;         // units, terminator included
    size_t fieldCapacity;       // text keys: the field's units, at least readCapacity
    SheetApply sheetApply;
};

// The fields are named as members of the record, nested ones included
// ("text.fontColor.alpha").
#define FIELD_UNITS(field) (sizeof(static_cast<DockletInstance*>(nullptr)->field) / sizeof(wchar_t))
#define SAVED_TEXT_KEY(key, field, savedField, def, capacity, apply)                                    \
    { key, offsetof(DockletInstance, field), offsetof(DockletInstance, savedField), TEXT_SETTING, def, 0,  \
      capacity, FIELD_UNITS(field), apply }
#define TEXT_KEY(key, field, def, capacity, apply) SAVED_TEXT_KEY(key, field, field, def, capacity, apply)
#define NUMBER_KEY(key, field, kind, def, apply)                                                        \
    { key, offsetof(DockletInstance, field), offsetof(DockletInstance, field), kind, nullptr, def, 20, 0, apply }
#define INT_KEY(key, field, def, apply) NUMBER_KEY(key, field, INT_SETTING, def, apply)
// A colour and its alpha, under two keys.
#define COLOUR_KEYS(colourKey, alphaKey, field, colourDefault, alphaDefault)                            \
    NUMBER_KEY(colourKey, field.rgb, INT_SETTING, colourDefault, APPLIED),                              \
    NUMBER_KEY(alphaKey, field.alpha, ALPHA_SETTING, alphaDefault, APPLIED)

// Read and written in this order; stored files rely on these key names,
// "Celcius" and "CpuColor" (the bars' colour) among them.
const Setting SETTINGS[] = {
    TEXT_KEY(L"Title", title, L"Moravel", 260, APPLIED),
    TEXT_KEY(L"Command", command, L"", 260, APPLIED),
    TEXT_KEY(L"Parameters", parameters, L"", 260, APPLIED),
    INT_KEY(L"Celcius", celsius, 1, APPLIED),
    // Path fields are read whole: a resolved path may be longer than 259.
    TEXT_KEY(L"ImagesFolder", imagesFolder, L"icons", PATH_CAPACITY, NOT_APPLIED),
    SAVED_TEXT_KEY(L"BackgroundImage", backgroundImage, savedBackgroundImage, BACKGROUND_IMAGE, PATH_CAPACITY,
                   NOT_APPLIED),
    TEXT_KEY(L"FontName", text.fontName, L"Tahoma", 32, APPLIED),
    INT_KEY(L"FontSize", text.fontSize, 34, APPLIED),
    COLOUR_KEYS(L"FontColor", L"FontAlpha", text.fontColor, 16777215, 255),
    INT_KEY(L"Outline", text.outline, 1, APPLIED),
    COLOUR_KEYS(L"OutlineColor", L"OutlineAlpha", text.outlineColor, 0, 255),
    INT_KEY(L"Shadow", text.shadow, 1, APPLIED),
    COLOUR_KEYS(L"ShadowColor", L"ShadowAlpha", text.shadowColor, 0, 85),
    COLOUR_KEYS(L"CpuColor", L"CpuAlpha", graph.graphColor, 65280, 193),
    COLOUR_KEYS(L"BackgroundColor", L"BackgroundAlpha", graph.backgroundColor, 0, 91),
    COLOUR_KEYS(L"FrameColor", L"FrameAlpha", graph.frameColor, 16777215, 91),
    INT_KEY(L"Gradient", graph.gradient, 1, APPLIED),
    INT_KEY(L"DockletData", dockletData, 2, NOT_APPLIED),
    INT_KEY(L"LabelData", labelData, 2, APPLIED),
};
static_assert(sizeof SETTINGS / sizeof SETTINGS[0] == 25, "the 25 keys");

template <typename T>
T& FieldAt(DockletInstance* instance, size_t offset)
{
    return *reinterpret_cast<T*>(reinterpret_cast<char*>(instance) + offset);
}

template <typename T>
const T& FieldAt(const DockletInstance* instance, size_t offset)
{
    return *reinterpret_cast<const T*>(reinterpret_cast<const char*>(instance) + offset);
}

// Integer fields are int or COLORREF (same width), alphas one byte, held
// to 0..255: a stored 1000 is opaque, not 232 (its low 8 bits).
void StoreInt(DockletInstance* instance, const Setting& setting, int value)
{
    if (setting.kind == ALPHA_SETTING)
        FieldAt<BYTE>(instance, setting.offset) = static_cast<BYTE>(value < 0 ? 0 : value > 255 ? 255 : value);
    else
        FieldAt<int>(instance, setting.offset) = value;
}

// A stored number as _wtoi reads it (leading blanks, a sign, digits up to
// the first other character), held to 0..255 rather than wrapped beyond
// int's range.
int ReadAlpha(const wchar_t* text)
{
    while (iswspace(*text))
        ++text;
    const bool negative = *text == L'-';
    if (*text == L'-' || *text == L'+')
        ++text;
    int value = 0;
    for (; *text >= L'0' && *text <= L'9' && value <= 255; ++text)
        value = value * 10 + (*text - L'0');
    return negative ? 0 : value;
}

int FetchInt(const DockletInstance* instance, const Setting& setting)
{
    if (setting.kind == ALPHA_SETTING)
        return FieldAt<BYTE>(instance, setting.offset);
    return FieldAt<int>(instance, setting.offset);
}

void CopyTextField(DockletInstance& to, size_t offset, const DockletInstance& from, const Setting& setting)
{
    CopyText(&FieldAt<wchar_t>(&to, offset), setting.fieldCapacity, &FieldAt<wchar_t>(&from, offset));
}

void CopySetting(DockletInstance& to, const DockletInstance& from, const Setting& setting)
{
    if (setting.kind != TEXT_SETTING) {
        StoreInt(&to, setting, FetchInt(&from, setting));
        return;
    }
    CopyTextField(to, setting.offset, from, setting);
    if (setting.savedOffset != setting.offset)
        CopyTextField(to, setting.savedOffset, from, setting);
}

// A text as read (or its default) goes into the field, and is what a save
// writes until the docklet resolves it.
void StoreText(DockletInstance* instance, const Setting& setting, const wchar_t* text, size_t capacity)
{
    CopyText(&FieldAt<wchar_t>(instance, setting.offset), capacity, text);
    if (setting.savedOffset != setting.offset)
        CopyText(&FieldAt<wchar_t>(instance, setting.savedOffset), capacity, text);
}

void SetDefaults(DockletInstance* instance)
{
    for (const Setting& setting : SETTINGS) {
        if (setting.kind == TEXT_SETTING)
            StoreText(instance, setting, setting.textDefault, setting.fieldCapacity);
        else
            StoreInt(instance, setting, setting.intDefault);
    }
}

// The host's 8-bit INI names (its ANSI code page) as UTF-16 profile
// arguments. A name that does not fit is refused rather than cut: a cut path
// names another file.
bool WidenIniNames(const char* iniFile, const char* iniSection, wchar_t (&file)[MAX_PATH],
                   wchar_t (&section)[MAX_PATH])
{
    return iniFile && iniSection && WidenFromHost(file, MAX_PATH, iniFile) &&
           WidenFromHost(section, MAX_PATH, iniSection);
}

// The largest text read, and a spare unit: when a quoted value just fills the
// buffer, Wine's profile reader drops the value's last character in place of
// its closing quote. The copy into the field then cuts as before.
const DWORD TEXT_READ_UNITS = PATH_CAPACITY + 1;

bool IsProfileBlank(wchar_t c)
{
    return iswspace(c) || c == 0x1A;
}

// The profile reader trims blanks around a value and drops one pair of
// quotes around it; such a value is saved inside quotes, so that it reads
// back as it was.
bool NeedsQuotes(const wchar_t* value)
{
    const size_t length = wcslen(value);
    if (length == 0)
        return false;
    const wchar_t first = value[0];
    const wchar_t last = value[length - 1];
    if (IsProfileBlank(first) || IsProfileBlank(last))
        return true;
    return length >= 2 && (first == L'"' || first == L'\'') && last == first;
}

void WriteTextSetting(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file)
{
    if (!NeedsQuotes(value)) {
        WritePrivateProfileStringW(section, key, value, file);
        return;
    }
    wchar_t quoted[TITLE_CAPACITY + 2];
    FormatText(quoted, TITLE_CAPACITY + 2, L"\"%ls\"", value);
    WritePrivateProfileStringW(section, key, quoted, file);
}

void WriteIntSetting(const wchar_t* section, const wchar_t* key, int value, const wchar_t* file)
{
    wchar_t text[100] = L"";
    FormatText(text, 100, L"%d", value);
    WritePrivateProfileStringW(section, key, text, file);
}

} // namespace

void LoadSettings(DockletInstance* instance, const char* iniFile, const char* iniSection)
{
    if (!instance)
        return;
    wchar_t file[MAX_PATH];
    wchar_t section[MAX_PATH];
    if (!WidenIniNames(iniFile, iniSection, file, section)) {
        HostSetLabel(instance->hwndDocklet, "Moravel... configure docklet!");
        SetDefaults(instance);
        return;
    }

    for (const Setting& setting : SETTINGS) {
        if (setting.kind == TEXT_SETTING) {
            wchar_t value[TEXT_READ_UNITS] = L"";
            const DWORD units = setting.readCapacity < TEXT_READ_UNITS ? setting.readCapacity + 1 : TEXT_READ_UNITS;
            GetPrivateProfileStringW(section, setting.key, setting.textDefault, value, units, file);
            StoreText(instance, setting, value, setting.readCapacity);
        } else {
            wchar_t defaultText[21];
            FormatText(defaultText, 21, L"%d", setting.intDefault);
            wchar_t value[20] = L"";
            GetPrivateProfileStringW(section, setting.key, defaultText, value, 20, file);
            StoreInt(instance, setting, setting.kind == ALPHA_SETTING ? ReadAlpha(value) : _wtoi(value));
        }
    }
}

void CopySettings(DockletInstance& to, const DockletInstance& from, SettingsCopy which)
{
    for (const Setting& setting : SETTINGS)
        if (which == EVERY_SETTING || setting.sheetApply == APPLIED)
            CopySetting(to, from, setting);
}

void SaveSettings(const DockletInstance* instance, const char* iniFile, const char* iniSection)
{
    wchar_t file[MAX_PATH];
    wchar_t section[MAX_PATH];
    if (!WidenIniNames(iniFile, iniSection, file, section))
        return;

    for (const Setting& setting : SETTINGS) {
        if (setting.kind == TEXT_SETTING)
            WriteTextSetting(section, setting.key, &FieldAt<wchar_t>(instance, setting.savedOffset), file);
        else
            WriteIntSetting(section, setting.key, FetchInt(instance, setting), file);
    }
}
