// The native handle of a GDI+ class object, also of one the host made.
#include "render/render.h"

using namespace Gdiplus;

namespace {

// The GDI+ class headers keep an image's native handle private, and the
// drawing goes through the flat interface. Naming a private member is allowed
// in an explicit instantiation; the friend it defines hands the member out.
struct NativeImageMember {
    typedef GpImage* Image::*Type;
    friend Type NativeImagePointer(NativeImageMember);
};

template <NativeImageMember::Type Member>
struct NativeImageExposer {
    friend NativeImageMember::Type NativeImagePointer(NativeImageMember) { return Member; }
};

template struct NativeImageExposer<&Image::nativeImage>;

} // namespace

GpImage* NativeImageOf(Image* image)
{
    return image ? image->*NativeImagePointer(NativeImageMember()) : nullptr;
}
