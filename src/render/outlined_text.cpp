// Text drawn as glyph outlines, so that it can carry a hard drop shadow and a
// contour line, each in its own colour and transparency.
#include "render/render.h"
#include "render/gdiplus_owners.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const int SHADOW_OFFSET = 2;
const INT BOLD = FontStyleBold; // every text of the docklet

} // namespace

void DrawOutlinedText(GpGraphics* target, const wchar_t* text, const TextStyle& style, int horizontalAlign,
                      int verticalAlign, float emSize, LayoutRect rect)
{
    // GDI+ lays a text of em size 0 or less out upside down and mirrored:
    // such a text is not drawn.
    if (emSize <= 0.0f)
        return;
    if (!(emSize <= MAX_TEXT_EM)) // also catches NaN
        emSize = MAX_TEXT_EM;

    // Declared in creation order: the owners then delete in the reverse order.
    // An uninstalled family leaves the handle null; every later step then
    // draws nothing (there is deliberately no fallback face).
    FontFamilyOwner family;
    GdipCreateFontFamilyFromName(style.fontName, nullptr, family.Receive());

    PenOwner outlinePen;
    GdipCreatePen1(MakeArgb(style.outlineColor), 1.0f, UnitWorld, outlinePen.Receive());

    SolidFillOwner shadowBrush;
    GdipCreateSolidFill(MakeArgb(style.shadowColor), shadowBrush.Receive());
    SolidFillOwner fillBrush;
    GdipCreateSolidFill(MakeArgb(style.fontColor), fillBrush.Receive());

    PathOwner textPath;
    GdipCreatePath(FillModeAlternate, textPath.Receive());
    StringFormatOwner format;
    GdipCreateStringFormat(0, LANG_NEUTRAL, format.Receive());
    GdipSetStringFormatAlign(format.Get(), static_cast<StringAlignment>(horizontalAlign));
    GdipSetStringFormatLineAlign(format.Get(), static_cast<StringAlignment>(verticalAlign));

    const Rect layout(rect.x, rect.y, rect.width, rect.height);
    GdipAddPathStringI(textPath.Get(), text, -1, family.Get(), BOLD, emSize, &layout, format.Get());

    if (style.shadow) {
        PathOwner shadowPath;
        GdipCreatePath(FillModeAlternate, shadowPath.Receive());
        const Rect shadowLayout(rect.x + SHADOW_OFFSET, rect.y + SHADOW_OFFSET, rect.width, rect.height);
        GdipAddPathStringI(shadowPath.Get(), text, -1, family.Get(), BOLD, emSize, &shadowLayout, format.Get());
        GdipFillPath(target, shadowBrush.Get(), shadowPath.Get());
    }

    GdipFillPath(target, fillBrush.Get(), textPath.Get());
    if (style.outline)
        GdipDrawPath(target, outlinePen.Get(), textPath.Get());
}
