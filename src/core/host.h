// Calls into the dock host's services. Each call looks the service up by name
// in the host, the module GetModuleHandle(NULL) answers (the host's executable,
// or the plug-in library a host serves docklets from); a service the host
// lacks is skipped and a result then reads as 0 or null.
#pragma once

#include <windows.h>

#include "core/host_api.h"

void HostSetLabel(HWND hwndDocklet, const char* label);
// Hands the overlay to the host, which owns it from then on. A host without
// the service gets nothing, and the image is deleted here.
void HostGiveImageOverlay(HWND hwndDocklet, DockImage* image);
BOOL HostSetImageFile(HWND hwndDocklet, const char* path);
BOOL HostBrowseForImage(HWND owner, char* pathBuffer272, const char* startFolder);
// The dock's image object, or null; the caller deletes it with DeleteDockImage.
DockImage* HostLoadGdiplusImage(const char* path);
void HostLockMouseEffect(HWND hwndDocklet, BOOL lock);
void HostDoAttentionAnimation(HWND hwndDocklet);
// `folder` holds at least HOST_FOLDER_BYTES; it is left as it was when the
// host lacks the service.
void HostGetRelativeFolder(HWND hwndDocklet, char* folder);
void HostRemoveSelf(HWND hwndDocklet);

