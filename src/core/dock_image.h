// GDI+ image objects that cross the dock boundary. Docks are built with
// Microsoft's compiler and use these objects as that compiler lays out the
// GDI+ class `Image`: a pointer to the virtual table, then the flat-interface
// image, the last status and the load status. Slot 0 of the table is the
// scalar deleting destructor (this, flags), slot 1 Clone(); in 32-bit code
// both take `this` in ECX and pop their own arguments.
//
// Only dock_image.cpp knows that layout: the rest of the module draws through
// the flat interface and hands over or takes back opaque DockImage pointers.
#pragma once

#include <windows.h>
#include <gdiplus.h>

struct DockImage;

// An overlay the dock can delete with `delete`; it owns `native` from now on.
// `status` is what making `native` returned; a failed image (null `native`)
// still gets an object, which carries the status as the class's would. Null
// only when no object can be allocated, and `native` is then disposed of.
DockImage* NewDockImage(Gdiplus::GpImage* native, Gdiplus::GpStatus status);

// The flat-interface image inside an image object, the module's or the
// dock's; null for null.
Gdiplus::GpImage* NativeImageOf(const DockImage* image);

// Deletes an image object as the dock's own `delete` does: slot 0 with the
// flag that frees the memory. Null is ignored.
void DeleteDockImage(DockImage* image);
