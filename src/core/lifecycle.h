// A docklet's life, above everything else of the module: its creation and
// destruction, the brackets around the modal loops of its menu and dialogs,
// and the settings sheet and About box run for it. The exports
// (core/plumbing.cpp) call these.
#pragma once

#include <windows.h>

struct DockletInstance;

// The new docklet, settings loaded, sensor started, first refresh done and
// timer armed; null when its record cannot be allocated.
DockletInstance* CreateDocklet(HWND hwndDocklet, HINSTANCE hInstance, const char* iniFile, const char* iniSection);
// Frees the docklet; destroyed from inside one of its own modal loops, it
// closes them and is freed once the outermost has returned.
void DestroyDocklet(DockletInstance* instance);

// Brackets every modal loop the docklet runs. LeaveModal returns false when
// the docklet was destroyed meanwhile: the record is gone and must not be
// touched again.
void EnterModal(DockletInstance* instance);
bool LeaveModal(DockletInstance* instance);

// Keeps the module in the process until it ends, whatever the dock frees:
// before a call into the dock that may free it while the module's code is
// still on the stack.
void KeepModuleMapped();

// The settings sheet (OnConfigure): opens the placeholder dialog, whose
// procedure (ConfigureDocklet's) runs the sheet at its initialisation and
// applies what the user confirmed: the settings, the base image when it
// changed, a refresh and a full timer period from then on.
INT_PTR OpenSettings(DockletInstance* instance);
INT_PTR CALLBACK SettingsPlaceholderProc(HWND placeholder, UINT message, WPARAM wParam, LPARAM lParam);

// The About box (OnAbout).
INT_PTR ShowAbout(DockletInstance* instance);
