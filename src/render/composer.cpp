// Placeholder until the renderers land: a transparent overlay.
#include "render/render.h"
#include "core/docklet.h"

Gdiplus::Bitmap* ComposeDockletImage(const DockletInstance*)
{
    return new Gdiplus::Bitmap(256, 256, PixelFormat32bppARGB);
}
