#include "dock_objects.h"

#include <stddef.h>
#include <string.h>

#include "host_services.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

// Methods of objects in the model of the dock's compiler: thiscall in 32-bit code.
#ifdef __i386__
#define DOCK_METHOD __attribute__((thiscall))
#else
#define DOCK_METHOD
#endif

namespace dockhost {
namespace {

const unsigned DELETE_MEMORY = 1;

struct ImageLayout {
    const void* table;
    GpImage* nativeImage;
    GpStatus lastResult;
    GpStatus loadStatus;
};
static_assert(sizeof(ImageLayout) == (sizeof(void*) == 4 ? 16 : 24), "GDI+ Image as Microsoft's compiler lays it out");

// A dock's image: the class's fields, then what the dock keeps beside them
// (as a class derived from Image would).
struct LentImage {
    ImageLayout image;
    ImageObjectCounts* counts;
};

struct LentImageMethods {
    LentImage*(DOCK_METHOD* scalarDeletingDestructor)(LentImage* self, unsigned flags);
    LentImage*(DOCK_METHOD* clone)(LentImage* self);
};

// Both slots check that they were called on an image the dock lent and that
// is still alive: a module calling them with the wrong convention would hand
// something else in `this` (thiscall passes it in ECX).
bool Known(ImageObjectCounts* counts, const LentImage* self)
{
    if (counts->lentAlive.count(self))
        return true;
    ++counts->strangeCalls;
    return false;
}

LentImage* MakeLent(GpImage* native, ImageObjectCounts& counts);

LentImage* DOCK_METHOD DestroyLent(LentImage* self, unsigned flags)
{
    ImageObjectCounts* counts = self->counts;
    if (!Known(counts, self))
        return self;
    counts->lentAlive.erase(self);
    GdipDisposeImage(self->image.nativeImage);
    self->image.nativeImage = nullptr;
    if (flags & DELETE_MEMORY) {
        ++counts->lentDeleted;
        GdipFree(self);
    } else {
        ++counts->lentDestroyedOnly;
    }
    return self;
}

LentImage* DOCK_METHOD CloneLent(LentImage* self)
{
    ImageObjectCounts* counts = self->counts;
    if (!Known(counts, self))
        return nullptr;
    ++counts->lentCloned;
    GpImage* copy = nullptr;
    if (GdipCloneImage(self->image.nativeImage, &copy) != Ok)
        return nullptr;
    return MakeLent(copy, *counts);
}

const LentImageMethods LENT_METHODS = {DestroyLent, CloneLent};

LentImage* MakeLent(GpImage* native, ImageObjectCounts& counts)
{
    auto* lent = static_cast<LentImage*>(GdipAlloc(sizeof(LentImage)));
    if (!lent) {
        GdipDisposeImage(native);
        return nullptr;
    }
    lent->image.table = &LENT_METHODS;
    lent->image.nativeImage = native;
    lent->image.lastResult = Ok;
    lent->image.loadStatus = Ok;
    lent->counts = &counts;
    counts.lentAlive.insert(lent);
    ++counts.lent;
    return lent;
}

} // namespace

bool ImageObjectCounts::Sound() const
{
    return stackSlips == 0 && lentDestroyedOnly == 0 && lentCloned == 0 && strangeCalls == 0 &&
           lentDeleted + static_cast<int>(lentAlive.size()) == lent;
}

std::string ImageObjectCounts::Describe() const
{
    return std::to_string(overlaysDeleted) + " overlays deleted through slot 0 (" + std::to_string(stackSlips) +
           " with the stack pointer moved); " + std::to_string(lent) + " images lent, " +
           std::to_string(lentDeleted) + " deleted through slot 0, " + std::to_string(lentCloned) + " cloned, " +
           std::to_string(lentDestroyedOnly) + " destroyed without freeing, " + std::to_string(strangeCalls) +
           " calls on unknown objects";
}

GpImage* NativeOf(const void* image)
{
    return image ? static_cast<const ImageLayout*>(image)->nativeImage : nullptr;
}

GpStatus StatusOf(const void* image)
{
    return image ? static_cast<const ImageLayout*>(image)->lastResult : InvalidParameter;
}

long DeleteAsDock(void* image)
{
    if (!image)
        return 0;
    const void* slot0 = static_cast<const void* const*>(static_cast<const ImageLayout*>(image)->table)[0];
#ifdef __i386__
    // this in ECX, the flags pushed; the callee pops them. The stack pointer
    // is read before and after, and put back whatever the callee did.
    unsigned long before, after;
    __asm__ __volatile__("movl %%esp, %[before]\n\t"
                         "movl %[object], %%ecx\n\t"
                         "movl %[slot], %%eax\n\t"
                         "pushl $1\n\t"
                         "call *%%eax\n\t"
                         "movl %%esp, %[after]\n\t"
                         "movl %[before], %%esp\n\t"
                         : [before] "=&S"(before), [after] "=&D"(after)
                         : [object] "m"(image), [slot] "m"(slot0)
                         : "eax", "ecx", "edx", "memory", "cc");
    return static_cast<long>(after - before);
#else
    typedef void*(ScalarDeletingDestructor)(void*, unsigned);
    reinterpret_cast<ScalarDeletingDestructor*>(const_cast<void*>(slot0))(image, DELETE_MEMORY);
    return 0;
#endif
}

std::unique_ptr<Bitmap> ClassCopyOf(GpImage* native)
{
    UINT width = 0, height = 0;
    if (!native || GdipGetImageWidth(native, &width) != Ok || GdipGetImageHeight(native, &height) != Ok ||
        width == 0 || height == 0)
        return nullptr;
    auto copy = std::make_unique<Bitmap>(static_cast<INT>(width), static_cast<INT>(height), PixelFormat32bppARGB);
    const Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    BitmapData source = {}, target = {};
    if (copy->GetLastStatus() != Ok ||
        GdipBitmapLockBits(static_cast<GpBitmap*>(native), &all, ImageLockModeRead, PixelFormat32bppARGB, &source) != Ok)
        return nullptr;
    if (copy->LockBits(&all, ImageLockModeWrite, PixelFormat32bppARGB, &target) == Ok) {
        for (UINT y = 0; y < height; ++y)
            memcpy(static_cast<BYTE*>(target.Scan0) + y * target.Stride,
                   static_cast<const BYTE*>(source.Scan0) + y * source.Stride, width * 4);
        copy->UnlockBits(&target);
    } else {
        copy.reset();
    }
    GdipBitmapUnlockBits(static_cast<GpBitmap*>(native), &source);
    return copy;
}

void* CloneAsDock(void* image)
{
    if (!image)
        return nullptr;
    typedef void*(DOCK_METHOD * CloneMethod)(void*);
    const void* slot1 = static_cast<const void* const*>(static_cast<const ImageLayout*>(image)->table)[1];
    return reinterpret_cast<CloneMethod>(const_cast<void*>(slot1))(image);
}

void* LendImage(GpImage* native, ImageObjectCounts& counts)
{
    return native ? MakeLent(native, counts) : nullptr;
}

HeldOverlay& HeldOverlay::operator=(HeldOverlay&& other) noexcept
{
    if (this != &other) {
        reset(other.image_);
        other.image_ = nullptr;
    }
    return *this;
}

void HeldOverlay::reset(void* image)
{
    void* old = image_;
    image_ = image;
    if (!old)
        return;
    const long slip = DeleteAsDock(old);
    std::lock_guard<std::recursive_mutex> guard(Services().guard);
    ImageObjectCounts& counts = Services().images;
    ++counts.overlaysDeleted;
    if (slip) {
        ++counts.stackSlips;
        counts.lastSlip = slip;
    }
}

} // namespace dockhost
