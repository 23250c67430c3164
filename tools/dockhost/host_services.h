// The dock host's services, exported by name from the executable that links
// them (the dock host and the test programs), or from a services library that
// a host loads instead (MoravelHostServices.dll). Every call is recorded, and
// the answers the docklet gets can be chosen.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dock_objects.h"

namespace dockhost {

struct ServiceCall {
    std::string service;
    HWND hwnd = nullptr;
    std::string text;     // the 8-bit text argument, if any
    intptr_t value = 0;   // the integer argument, if any
    DWORD at = 0;         // GetTickCount when the call came
};

// What the host shows for one docklet window.
struct DockletView {
    std::string label;
    std::string imageFile;
    HeldOverlay overlay; // the latest overlay; the host owns it
    int overlaysReceived = 0;
    int lockDepth = 0;
    bool removeRequested = false;
};

struct HostServices {
    std::vector<ServiceCall> calls;
    std::map<HWND, DockletView> views;

    // Answers.
    std::string relativeFolder = ".\\Docklets\\Moravel\\";
    bool browseAccepts = false;
    std::string browseChoice;
    // Keep every overlay instead of deleting the previous one (tests that
    // compare successive images).
    bool keepAllOverlays = false;
    // Ask the docklet's window to repaint when label or images change; a
    // benchmark turns it off to time the docklet alone.
    bool repaint = true;
    std::vector<HeldOverlay> keptOverlays;
    // The image objects that crossed the boundary, both ways.
    ImageObjectCounts images;
    // What the dock does in DockletRemoveSelf once it has taken note: some
    // remove the docklet there and then, and free its module with it.
    std::function<void(HWND)> onRemoveSelf;
    // Held by every service while it runs: docklets on threads of their own
    // call them at the same time. Whoever reads the record while such
    // docklets run holds it too.
    std::recursive_mutex guard;

    int CountCalls(const std::string& service, HWND hwnd = nullptr) const;
    const ServiceCall* LastCall(const std::string& service, HWND hwnd = nullptr) const;
    void Clear();
    // Deletes every overlay the host holds (views and kept ones).
    void DropOverlays();
};

// The state of the services that answer the docklet: the program's own, or
// those of the services library named to UseServicesOf.
HostServices& Services();

// From now on Services() is the state kept by the services `library` exports
// (a services library, see services_library.cpp); null goes back to the
// program's own. False when the library keeps no such state.
bool UseServicesOf(HMODULE library);

// The services library's export that hands out its state.
typedef HostServices* (*ServicesStateFn)();
const char SERVICES_STATE_EXPORT[] = "DockHostServicesState";

} // namespace dockhost
