// The dock's side of the image objects that cross the docklet boundary, as a
// dock built with Microsoft's compiler sees them: the GDI+ class `Image` laid
// out as that compiler does (table pointer, flat-interface image, last status,
// load status), deleted through slot 0 of its table, the scalar deleting
// destructor (this, flags), which in 32-bit code is thiscall.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <set>
#include <string>

namespace dockhost {

// What the dock saw of those objects.
struct ImageObjectCounts {
    int overlaysDeleted = 0;
    // Deletions after which the dock's stack pointer was not where it had
    // been (32-bit: a destructor that does not pop its flags).
    int stackSlips = 0;
    long lastSlip = 0;

    int lent = 0;          // images the dock made for the docklet
    int lentDeleted = 0;   // deleted through slot 0 with the flag that frees them
    int lentDestroyedOnly = 0; // slot 0 without that flag: the memory is lost
    int lentCloned = 0;    // slot 1, Clone()
    int strangeCalls = 0;  // a slot called on something the dock did not lend (or twice)
    std::set<const void*> lentAlive;

    // Every deletion kept the stack pointer, and every lent image that is
    // gone went through slot 0 with the flag that frees it, no other slot.
    bool Sound() const;
    std::string Describe() const;
};

// The image handle and status where dock code compiled from the GDI+ headers
// reads them.
Gdiplus::GpImage* NativeOf(const void* image);
Gdiplus::GpStatus StatusOf(const void* image);

// A class bitmap with the pixels of a flat-interface bitmap, for drawing and
// inspecting with the class interface; null when it has none.
std::unique_ptr<Gdiplus::Bitmap> ClassCopyOf(Gdiplus::GpImage* native);

// `delete image` as Microsoft's compiler emits it; the stack pointer's
// change across the call (0 when sound; always 0 in 64-bit code, where the
// caller restores it).
long DeleteAsDock(void* image);

// `image->Clone()` as Microsoft's compiler emits it (slot 1); null when the
// image could not be copied.
void* CloneAsDock(void* image);

// A dock's own image object for `native` (owned by it from then on), as
// DockletLoadGDIPlusImage hands it out; its slots count into `counts`.
void* LendImage(Gdiplus::GpImage* native, ImageObjectCounts& counts);

// An overlay the docklet gave the dock: deleted as the dock deletes it when
// reset, replaced or destroyed; slips counted into the services' state.
class HeldOverlay {
public:
    HeldOverlay() = default;
    ~HeldOverlay() { reset(); }
    HeldOverlay(HeldOverlay&& other) noexcept : image_(other.image_) { other.image_ = nullptr; }
    HeldOverlay& operator=(HeldOverlay&& other) noexcept;
    HeldOverlay(const HeldOverlay&) = delete;
    HeldOverlay& operator=(const HeldOverlay&) = delete;

    void reset(void* image = nullptr);
    void* get() const { return image_; }
    Gdiplus::GpImage* native() const { return NativeOf(image_); }
    explicit operator bool() const { return image_ != nullptr; }

private:
    void* image_ = nullptr;
};

} // namespace dockhost
