// The dock host's services, exported by name from the executable that links
// them (the dock host and the test programs). Every call is recorded, and the
// answers the docklet gets can be chosen.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dockhost {

struct ServiceCall {
    std::string service;
    HWND hwnd = nullptr;
    std::string text;     // the 8-bit text argument, if any
    intptr_t value = 0;   // the integer argument, if any
};

// What the host shows for one docklet window.
struct DockletView {
    std::string label;
    std::string imageFile;
    std::unique_ptr<Gdiplus::Image> overlay; // the latest overlay; the host owns it
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
    std::vector<std::unique_ptr<Gdiplus::Image>> keptOverlays;

    int CountCalls(const std::string& service, HWND hwnd = nullptr) const;
    const ServiceCall* LastCall(const std::string& service, HWND hwnd = nullptr) const;
    void Clear();
};

HostServices& Services();

} // namespace dockhost
