// The docklet's image files: the names of its own two pictures, the path of
// its images folder as the host names it, and how the record's pictures
// become the paths the host loads.
#pragma once

#include <windows.h>
#include <stddef.h>

struct DockletInstance;

// The docklet's own pictures, in its images folder.
extern const wchar_t BACKGROUND_IMAGE[]; // "background.png", the default background
extern const wchar_t EMPTY_IMAGE[];      // "empty.png", the base image while icons are hidden

// Asks the host for the docklet's folder (relative to the host's root and
// ending in a backslash; empty when the host lacks the service) into
// `folder`, which holds DOCKLET_FOLDER_UNITS.
enum { DOCKLET_FOLDER_UNITS = 272 };
void AskDockletFolder(HWND hwndDocklet, wchar_t* folder);

// The docklet's folder and `imagesFolder` run together, then, unless `name`
// is null, a backslash and `name` ("" leaves the path ending in the
// backslash). False when the path did not fit: `path` then holds it cut.
bool JoinImagePath(wchar_t* path, size_t capacity, const wchar_t* dockletFolder, const wchar_t* imagesFolder,
                   const wchar_t* name);
// The same, the docklet's folder asked of the host.
bool ImagesFolderPath(wchar_t* path, size_t capacity, HWND hwndDocklet, const wchar_t* imagesFolder,
                      const wchar_t* name);

// What OnExportFiles reports: the images folder, as ImagesFolderPath makes
// it, into the host's `output` of 261 bytes. Empty and false when it does not
// fit: a path cut short would name another folder.
bool ExportImagesFolder(const DockletInstance* instance, char* output);

// Turns the default image name into its full path in the docklet's images
// folder, and a path relative to the host ("." first, from the folder of the
// host's executable) into a full path. Any other path stays as it is.
void ResolveImagePath(wchar_t* path, size_t capacity, const wchar_t* defaultName, const wchar_t* imagesFolder,
                      HWND hwndDocklet);

// `backgroundImage` resolved in place.
void ResolveBackgroundPath(DockletInstance* instance);
// The same, and how it is saved set: the default name as it is given, any
// other picture as its resolved full path.
void ResolveBackgroundImage(DockletInstance* instance);
// A new docklet's two pictures: the empty image and the background.
void ResolveDockletImages(DockletInstance* instance);
