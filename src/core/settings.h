#pragma once

#include <windows.h>

struct DockletInstance;

// Fills the settings of a freshly zeroed instance from the host's INI section,
// or the defaults (and a label asking to configure) when the host names none.
void LoadSettings(DockletInstance* instance, const char* iniFile, const char* iniSection);

void WriteIntSetting(const wchar_t* section, const wchar_t* key, int value, const wchar_t* file);
