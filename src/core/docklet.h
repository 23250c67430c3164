// The per-docklet record the host hands back on every call. Every layer of
// the module reads it; what runs the docklet is above (core/lifecycle.h,
// core/refresh.h, core/menu.h) and the exports are in core/plumbing.cpp.
#pragma once

#include <windows.h>

#include "core/style.h"
#include "gpu/gpu_state.h"
#include "gpu/warr.h"

enum DockletDataBits {
    DOCKLET_TEMPERATURE = 1,
    DOCKLET_GRAPH = 2,
    DOCKLET_HIDE_ICONS = 4,
};

enum LabelDataBits {
    LABEL_HIDE = 1,
    LABEL_TEMPERATURE = 2,
    LABEL_TITLE = 4,
    LABEL_FULL_NAME = 8,
    LABEL_VENDOR_STRING = 16,
};

enum {
    TITLE_CAPACITY = 500,
    COMMAND_CAPACITY = 260,
    PATH_CAPACITY = 270,
    HISTORY_SLOTS = 101,
    LABEL_BYTES = 500,
};

// The refresh timer, a window timer on hwndDocklet whose ticks the host
// forwards to OnProcessMessage.
const UINT_PTR REFRESH_TIMER_ID = 123235;
const UINT REFRESH_PERIOD = 1000;

struct DockletInstance {
    HWND hwndDocklet;
    HINSTANCE hInstance;
    wchar_t title[TITLE_CAPACITY];
    wchar_t command[COMMAND_CAPACITY];
    wchar_t parameters[COMMAND_CAPACITY];
    wchar_t imagesFolder[PATH_CAPACITY];
    wchar_t backgroundImage[PATH_CAPACITY]; // resolved: what the host and the previews load
    // "BackgroundImage" as it is saved: the docklet's own picture by its name,
    // resolved anew at each start, so that a dock moved to another folder or
    // drive keeps it; a picture of the user's as its full path.
    wchar_t savedBackgroundImage[PATH_CAPACITY];
    wchar_t emptyImage[PATH_CAPACITY];
    TextStyle text;   // "FontName" to "ShadowAlpha"
    GraphStyle graph; // "CpuColor" to "Gradient"
    int dockletData;
    int labelData;
    GpuState gpu;
    int celsius;
    int lastTemperature; // degrees Celsius; -1 when the last attempt read nothing
    Warr<int>* history;
    GpuWatch gpuWatch;
    // 1 while the refresh timer is armed: "created" is the record's old name
    // for it, kept though it says nothing of the timer.
    int created;
    // The docklet holds a share of the module's GDI+ start-up: one that
    // failed to start must not shut GDI+ down for the others.
    int gdiplusStarted;
    // The menu's and the dialogs' modal loops dispatch the host's messages, so
    // the host may destroy the docklet from inside one. The record then lives
    // on until the outermost loop has returned (see LeaveModal).
    int modalDepth;
    int destroyPending;
    int menuOpen;
    int mouseEffectLocked; // the dock's mouse-over effect is held for the menu
    HWND aboutBox;
    // The overlay's layers kept between refreshes (render/composer.cpp).
    struct OverlayCache* overlayCache;
};
