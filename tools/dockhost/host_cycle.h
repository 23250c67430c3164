// What a user does with a docklet, scripted, and one use of the module by a
// host that frees it between uses. The dock host, the tests and the soak
// program share them.
#pragma once

#include <windows.h>

#include <string>

#include "dock.h"

namespace dockhost {

const wchar_t SHEET_CAPTION[] = L"Configure Corvane Docklet";
const wchar_t ABOUT_CAPTION[] = L"About Moravel Docklet v0.1.0.0b";
// A menu command that changes nothing: "Show GPU Temperature Graph" (the
// default mode).
const UINT HARMLESS_MENU_COMMAND = 4;

// What the scripted user got to see and do.
struct UseReport {
    bool menuShown = false;      // the context menu opened and the command was chosen
    bool aboutShown = false;     // the About box opened and closed with OK
    int pagesVisited = 0;        // sheet pages shown, of four
    bool iconButtonsPressed = false; // Browse... and Reset on the Icon page
    bool sheetConfirmed = false; // closed with OK
    bool timedOut = false;       // a window did not show or did not close
    bool Complete() const;
    std::string Describe() const;
};

// Opens the context menu and chooses `menuCommand` (0: dismisses it), then the
// About box (closed with OK), then the settings sheet: every page in turn,
// Browse... and Reset on the Icon page, OK.
UseReport UseDocklet(Dock& dock, Docklet& docklet, UINT menuCommand = HARMLESS_MENU_COMMAND);

// Loads the system libraries a dock holds for its own use, so that freeing
// the module does not unload them: the common dialogs (with the common
// controls and the print spooler), and the device-list library. Under Wine
// each unload and reload of the first costs a handle (the spooler's named
// mutex) and, once a sheet has run, a GDI object; each unload of the device
// list after a listing keeps some 2 KiB of heap, whoever loaded it.
void HoldDockLibraries();

// One timer tick, delivered as the host forwards it.
void TickDocklet(Dock& dock, Docklet& docklet);
// Stops the docklet's own clock and drops the ticks already queued: it takes
// no reading until it is ticked again (or its settings' OK restarts it).
void StopDockletClock(Docklet& docklet);

// Runs the thread's message loop for `milliseconds`, whether or not any
// docklet is left.
void PumpFor(DWORD milliseconds);
// Windows of this thread whose procedure, or whose class's, lies inside `freed`.
int WindowsInto(const ModuleRange& freed);
// Raises an exception that every vectored exception handler of the process
// sees, and goes on: a handler left behind by a freed module crashes here.
void RaiseThroughVectoredHandlers();

struct CycleReport {
    bool infoRead = false;          // OnGetInformation gave the docklet's name
    bool unloadedAfterInfo = false; // the module left the process after that first look
    int docklets = 0;               // created, of two
    int refreshed = 0;              // docklets that got a label and three overlays from three ticks
    UseReport use;                  // on the first docklet
    bool unloaded = false;          // the module left the process at the end
    // Left pointing into the freed module: windows whose procedure lies in it,
    // and timers it set that are still alive (see WatchTimers).
    int leftBehind = 0;
    bool Complete() const;
    std::string Describe() const;
};

// One use of the module by a host that frees it: load it, read
// OnGetInformation, free it (as hosts that list docklets do); load it again,
// create two docklets (sections Docklet1 and Docklet2 of `iniFile`), tick
// each three times, use the first (UseDocklet), save and destroy both, delete
// the overlays, free the module; then raise an exception through the vectored
// exception handlers (the C runtime linked into the module adds one while it
// is loaded) and pump messages for `pumpAfter` ms: a handler or window
// procedure left in the freed module would crash here. A timer callback would
// not (the system guards those against faults), so the module's timers are
// kept in a ledger (WatchTimers) and counted too. Returns with the module
// unloaded.
CycleReport RunHostCycle(Dock& dock, const std::wstring& modulePath, const std::string& iniFile, DWORD pumpAfter);

} // namespace dockhost
