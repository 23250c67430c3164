// The 25 settings of a docklet in the host's INI section, from one table:
// loaded, saved, and copied between the record and the sheet's working copy.
#pragma once

#include <windows.h>

struct DockletInstance;

// Fills the settings of a freshly zeroed instance from the host's INI section,
// or the defaults (and a label asking to configure) when the host names none.
void LoadSettings(DockletInstance* instance, const char* iniFile, const char* iniSection);

// Writes the 25 keys into the host's INI section, in the table's order.
void SaveSettings(const DockletInstance* instance, const char* iniFile, const char* iniSection);

// Copies settings from one record into another, texts bounded by their
// fields: every one of the 25, or those the settings sheet's OK copies back
// as edited (all but the images folder, the background image and what the
// icon shows).
enum SettingsCopy { EVERY_SETTING, SETTINGS_APPLIED_AS_EDITED };
void CopySettings(DockletInstance& to, const DockletInstance& from, SettingsCopy which);
