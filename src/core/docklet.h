// The per-docklet record and the module's exported entry points.
#pragma once

#include <windows.h>

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
    FONT_NAME_CAPACITY = 32,
    HISTORY_SLOTS = 101,
    LABEL_BYTES = 500,
};

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
    wchar_t fontName[FONT_NAME_CAPACITY];
    int fontSize;
    COLORREF fontColor;
    BYTE fontAlpha;
    int outline;
    COLORREF outlineColor;
    BYTE outlineAlpha;
    int shadow;
    COLORREF shadowColor;
    BYTE shadowAlpha;
    COLORREF graphColor;
    BYTE graphAlpha;
    COLORREF backgroundColor;
    BYTE backgroundAlpha;
    COLORREF frameColor;
    BYTE frameAlpha;
    int gradient;
    int dockletData;
    int labelData;
    GpuState gpu;
    int celsius;
    int lastTemperature; // degrees Celsius; -1 when the last attempt read nothing
    Warr<int>* history;
    GpuWatch gpuWatch;
    int created;         // 1 while the refresh timer is armed
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

// Brackets every modal loop the docklet runs. LeaveModal returns false when
// the docklet was destroyed meanwhile: the record is gone and must not be
// touched again.
void EnterModal(DockletInstance* instance);
bool LeaveModal(DockletInstance* instance);
void ArmRefreshTimer(DockletInstance* instance);
// Hands the host the base image: the empty one while icons are hidden.
void SetBaseImage(DockletInstance* instance);
// Keeps the module in the process until it ends, whatever the dock frees:
// before a call into the dock that may free it while the module's code is
// still on the stack.
void KeepModuleMapped();

extern "C" {
void CALLBACK OnGetInformation(char* name, char* author, int* version, char* description);
DockletInstance* CALLBACK OnCreate(HWND hwndDocklet, HINSTANCE hInstance, char* iniFile, char* iniSection);
void CALLBACK OnDestroy(DockletInstance* instance, HWND hwndDocklet);
void CALLBACK OnProcessMessage(DockletInstance* instance, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void CALLBACK OnSave(DockletInstance* instance, char* iniFile, char* iniSection, BOOL isForExport);
BOOL CALLBACK OnExportFiles(DockletInstance* instance, char* output, int iteration);
BOOL CALLBACK OnLeftButtonClick(DockletInstance* instance, POINT* point, SIZE* size);
BOOL CALLBACK OnDoubleClick(DockletInstance* instance, POINT* point, SIZE* size);
BOOL CALLBACK OnRightButtonClick(DockletInstance* instance, POINT* point, SIZE* size);
INT_PTR CALLBACK OnConfigure(DockletInstance* instance);
INT_PTR CALLBACK ConfigureDocklet(HWND placeholder, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OnAbout(DockletInstance* instance);
INT_PTR CALLBACK AboutDocklet(HWND box, UINT message, WPARAM wParam, LPARAM lParam);
}
