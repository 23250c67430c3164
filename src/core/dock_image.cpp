#include "core/dock_image.h"

#include <stddef.h>

// The dock's compiler passes `this` of a 32-bit method in ECX, and the method
// pops its own arguments; 64-bit code has the one calling convention.
#ifdef _WIN64
#define DOCK_METHOD
#else
#define DOCK_METHOD __thiscall
#endif

using Gdiplus::GpImage;
using Gdiplus::GpStatus;
using Gdiplus::Ok;
using Gdiplus::DllExports::GdipAlloc;
using Gdiplus::DllExports::GdipCloneImage;
using Gdiplus::DllExports::GdipDisposeImage;
using Gdiplus::DllExports::GdipFree;

namespace {

// The `flags` bit of a scalar deleting destructor that also frees the memory.
const unsigned DELETE_MEMORY = 1;

struct DockImageMethods {
    DockImage*(DOCK_METHOD* scalarDeletingDestructor)(DockImage* self, unsigned flags);
    DockImage*(DOCK_METHOD* clone)(DockImage* self);
};

} // namespace

struct DockImage {
    const DockImageMethods* methods;
    GpImage* nativeImage;
    GpStatus lastResult;
    GpStatus loadStatus;
};

static_assert(offsetof(DockImage, nativeImage) == sizeof(void*), "the image handle follows the table pointer");
static_assert(offsetof(DockImage, lastResult) == 2 * sizeof(void*), "the status follows the image handle");
static_assert(sizeof(DockImage) == (sizeof(void*) == 4 ? 16 : 24), "the size of a GDI+ Image object");

namespace {

DockImage* DOCK_METHOD DestroyOverlay(DockImage* self, unsigned flags)
{
    if (self->nativeImage)
        GdipDisposeImage(self->nativeImage);
    self->nativeImage = nullptr;
    // GDI+ class objects come from GdipAlloc and go back through GdipFree.
    if (flags & DELETE_MEMORY)
        GdipFree(self);
    return self;
}

// As the class's own Clone(): a failure is kept as the source's last status
// (a success leaves that alone), and the copy is a new object in any case,
// carrying the failure when there is one, so that a dock may ask it for its
// status or size. Null only when no object can be allocated.
DockImage* DOCK_METHOD CloneOverlay(DockImage* self)
{
    GpImage* copy = nullptr;
    const GpStatus status = GdipCloneImage(self->nativeImage, &copy);
    if (status != Ok)
        self->lastResult = status;
    return NewDockImage(copy, status);
}

const DockImageMethods OVERLAY_METHODS = {DestroyOverlay, CloneOverlay};

} // namespace

DockImage* NewDockImage(GpImage* native, GpStatus status)
{
    auto* image = static_cast<DockImage*>(GdipAlloc(sizeof(DockImage)));
    if (!image) {
        if (native)
            GdipDisposeImage(native);
        return nullptr;
    }
    image->methods = &OVERLAY_METHODS;
    image->nativeImage = native;
    image->lastResult = status;
    image->loadStatus = status;
    return image;
}

GpImage* NativeImageOf(const DockImage* image)
{
    return image ? image->nativeImage : nullptr;
}

void DeleteDockImage(DockImage* image)
{
    if (image)
        image->methods->scalarDeletingDestructor(image, DELETE_MEMORY);
}
