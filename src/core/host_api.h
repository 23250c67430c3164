// The dock host's services, as the docklet calls them and as a host exports
// them from its executable (looked up by name at every call).
#pragma once

#include <windows.h>

// Image objects in the layout of the dock's compiler (core/dock_image.h).
struct DockImage;

typedef void(CALLBACK* DockletSetLabelFn)(HWND hwndDocklet, char* label);
typedef void(CALLBACK* DockletSetImageOverlayFn)(HWND hwndDocklet, DockImage* image, BOOL hostDeletes);
typedef BOOL(CALLBACK* DockletSetImageFileFn)(HWND hwndDocklet, char* path);
typedef BOOL(CALLBACK* DockletBrowseForImageFn)(HWND owner, char* pathBuffer272, char* startFolder);
typedef DockImage*(CALLBACK* DockletLoadGDIPlusImageFn)(char* path);
typedef void(CALLBACK* DockletLockMouseEffectFn)(HWND hwndDocklet, BOOL lock);
typedef void(CALLBACK* DockletDoAttentionAnimationFn)(HWND hwndDocklet);
typedef void(CALLBACK* DockletGetRelativeFolderFn)(HWND hwndDocklet, char* folder270);
typedef void(CALLBACK* DockletRemoveSelfFn)(HWND hwndDocklet, WPARAM flag);

// The buffer the host fills for DockletGetRelativeFolder / DockletBrowseForImage.
enum { HOST_FOLDER_BYTES = 270, HOST_BROWSE_BYTES = 272 };
