// What the host shows of a docklet, and when: the label and the overlay of a
// refresh, the one-second refresh timer, and the base image under them.
#pragma once

struct DockletInstance;

// A new sample, label and overlay, handed to the host.
void RefreshDocklet(DockletInstance* instance);

// Sets the refresh timer going: the next tick comes one period from now.
void ArmRefreshTimer(DockletInstance* instance);
// A tick of the refresh timer: stopped, a refresh, armed again, so that ticks
// never pile up behind a slow refresh.
void RefreshOnTimer(DockletInstance* instance);

// The host's base image, by one of two rules. SetBaseImage gives it the
// record's resolved pictures: the empty image while icons are hidden, else
// the background the user chose (at creation, and after the settings sheet).
// SetDefaultBaseImage, the menu's "Hide Icons", gives it the images folder's
// two default pictures, whatever background was chosen.
void SetBaseImage(DockletInstance* instance);
void SetDefaultBaseImage(DockletInstance* instance);
