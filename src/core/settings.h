#pragma once

#include <windows.h>

struct DockletInstance;

// Fills the settings of a freshly zeroed instance from the host's INI section,
// or the defaults (and a label asking to configure) when the host names none.
void LoadSettings(DockletInstance* instance, const char* iniFile, const char* iniSection);

// Copies settings from one record into another, texts bounded by their
// fields: every one of the 25, or those the settings sheet's OK copies back
// as edited (all but the images folder, the background image and what the
// icon shows).
enum SettingsCopy { EVERY_SETTING, SETTINGS_APPLIED_AS_EDITED };
void CopySettings(DockletInstance& to, const DockletInstance& from, SettingsCopy which);

// Resolves `backgroundImage` into a full path and sets how it is saved: the
// default name as it is given, any other picture as its resolved full path.
void ResolveBackgroundImage(DockletInstance* instance);

void WriteIntSetting(const wchar_t* section, const wchar_t* key, int value, const wchar_t* file);
