// Scope owners for GDI+ flat-interface handles, so that every object a
// drawing function makes is deleted on every path out of it.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include "core/uncopyable.h"

template <typename Handle, typename DeletedAs, Gdiplus::GpStatus(WINGDIPAPI* Delete)(DeletedAs*)>
class GdipOwner : Uncopyable {
public:
    GdipOwner() = default;
    ~GdipOwner() { Reset(); }

    // The out-parameter of a create function.
    Handle** Receive()
    {
        Reset();
        return &handle_;
    }
    Handle* Get() const { return handle_; }

private:
    void Reset()
    {
        if (handle_)
            Delete(handle_);
        handle_ = nullptr;
    }

    Handle* handle_ = nullptr;
};

using FontFamilyOwner =
    GdipOwner<Gdiplus::GpFontFamily, Gdiplus::GpFontFamily, Gdiplus::DllExports::GdipDeleteFontFamily>;
using PenOwner = GdipOwner<Gdiplus::GpPen, Gdiplus::GpPen, Gdiplus::DllExports::GdipDeletePen>;
using SolidFillOwner = GdipOwner<Gdiplus::GpSolidFill, Gdiplus::GpBrush, Gdiplus::DllExports::GdipDeleteBrush>;
using PathGradientOwner =
    GdipOwner<Gdiplus::GpPathGradient, Gdiplus::GpBrush, Gdiplus::DllExports::GdipDeleteBrush>;
using PathOwner = GdipOwner<Gdiplus::GpPath, Gdiplus::GpPath, Gdiplus::DllExports::GdipDeletePath>;
using StringFormatOwner =
    GdipOwner<Gdiplus::GpStringFormat, Gdiplus::GpStringFormat, Gdiplus::DllExports::GdipDeleteStringFormat>;
using ImageOwner = GdipOwner<Gdiplus::GpImage, Gdiplus::GpImage, Gdiplus::DllExports::GdipDisposeImage>;
using BitmapOwner = GdipOwner<Gdiplus::GpBitmap, Gdiplus::GpImage, Gdiplus::DllExports::GdipDisposeImage>;
using GraphicsOwner = GdipOwner<Gdiplus::GpGraphics, Gdiplus::GpGraphics, Gdiplus::DllExports::GdipDeleteGraphics>;
using ImageAttributesOwner = GdipOwner<Gdiplus::GpImageAttributes, Gdiplus::GpImageAttributes,
                                       Gdiplus::DllExports::GdipDisposeImageAttributes>;
