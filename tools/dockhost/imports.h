// What a host changes in a loaded docklet module's import address table:
// hosts that serve the docklet services from a plug-in library answer the
// module's GetModuleHandle(NULL) with that library, a host under test can
// make the module's GetProcAddress miss chosen services, and point the
// module's system folder at a simulated driver.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dockhost {

// Replaces the address through which `module` calls `function` of `dll`
// (matched without regard to letter case). Returns the address it held, or
// null when the module does not import that function.
void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement);

// Makes the module's GetModuleHandleA(NULL) and GetModuleHandleW(NULL) answer
// `host`; other names go to the system as before. Returns how many of the
// two imports were redirected.
int RedirectModuleHandle(HMODULE module, HMODULE host);

// Makes the module's GetProcAddress answer null for the names in `hidden`
// (the services a host lacks) and forward every other lookup. Applies to
// every module patched so; the set can change at any time.
bool HideProcedures(HMODULE module);
void SetHiddenProcedures(const std::vector<std::string>& hidden);
// Makes the module's GetProcAddress answer `address` for `name`, whatever
// module is asked (a system function the test plays); null gives the name
// back to the system. False when the module imports no GetProcAddress.
bool AnswerProcedure(HMODULE module, const char* name, void* address);

// Makes the module's GetSystemDirectoryW answer the folder last given to
// SetSystemFolder, and the system's own folder while none is given: the
// module loads the driver's library from the system folder only, so a host
// under test puts a simulated driver there this way. Applies to every module
// patched so; the folder can change at any time.
bool AnswerSystemFolder(HMODULE module);
void SetSystemFolder(const std::wstring& folder);

// Keeps a ledger of the timers the module sets and kills through its imports
// of SetTimer and KillTimer. A timer still alive once the module is gone would
// call back into it, and the system guards timer callbacks against faults, so
// a message loop would not show it: the ledger does. False when the module
// imports neither.
bool WatchTimers(HMODULE module);
// Timers of the ledger still set: thread timers, and those of windows that
// still exist.
int LiveTimers();
void ForgetTimers();

} // namespace dockhost
