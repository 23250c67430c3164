// The About box: the docklet's name and version over its emblem.
#include "config/config.h"

#include "core/module_lock.h"
#include "render/gdiplus_owners.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const wchar_t CAPTION[] = L"About " MORAVEL_NAME " v" MORAVEL_VERSION_TEXT;

// The docklets whose boxes are being opened, so that each record learns its
// box's window (a host may run the dialog procedure with a parameter of its
// own). Docklets on several threads may open theirs at once: each thread
// finds its own. Guarded by the module's lock.
struct AboutOpening {
    DockletInstance* instance;
    DWORD thread;
    AboutOpening* next;
};
AboutOpening* openings = nullptr;

void BeginOpening(AboutOpening& opening, DockletInstance* instance)
{
    ModuleLock lock;
    opening = AboutOpening{instance, GetCurrentThreadId(), openings};
    openings = &opening;
}

void EndOpening(AboutOpening& opening)
{
    ModuleLock lock;
    for (AboutOpening** link = &openings; *link; link = &(*link)->next)
        if (*link == &opening) {
            *link = opening.next;
            return;
        }
}

// The docklet of the box this thread is opening; each is handed out once.
DockletInstance* TakeOpeningOfThisThread()
{
    ModuleLock lock;
    for (AboutOpening* opening = openings; opening; opening = opening->next)
        if (opening->thread == GetCurrentThreadId() && opening->instance) {
            DockletInstance* instance = opening->instance;
            opening->instance = nullptr;
            return instance;
        }
    return nullptr;
}

const wchar_t EMBLEM_PROPERTY[] = L"MoravelEmblem";
const int EMBLEM_SIZE = 96; // the bitmap resource's side

// Draws the emblem into the rows of a top-down 24-bit section of `size`.
bool DrawScaledEmblem(HBITMAP emblem, int size, void* bits)
{
    BitmapOwner source;
    GdipCreateBitmapFromHBITMAP(emblem, nullptr, source.Receive());
    BitmapOwner target;
    const INT stride = (size * 3 + 3) & ~3;
    GdipCreateBitmapFromScan0(size, size, stride, PixelFormat24bppRGB, static_cast<BYTE*>(bits), target.Receive());
    GraphicsOwner graphics;
    GdipGetImageGraphicsContext(target.Get(), graphics.Receive());
    ImageAttributesOwner edges;
    GdipCreateImageAttributes(edges.Receive());
    bool drawn = false;
    if (source.Get() && graphics.Get() && edges.Get()) {
        GdipSetInterpolationMode(graphics.Get(), InterpolationModeHighQualityBicubic);
        GdipSetPixelOffsetMode(graphics.Get(), PixelOffsetModeHighQuality);
        // Without it the filter blends the edge pixels with nothing: a dark rim.
        GdipSetImageAttributesWrapMode(edges.Get(), WrapModeTileFlipXY, 0, FALSE);
        UINT width = 0, height = 0;
        GdipGetImageWidth(source.Get(), &width);
        GdipGetImageHeight(source.Get(), &height);
        drawn = GdipDrawImageRectRectI(graphics.Get(), source.Get(), 0, 0, size, size, 0, 0,
                                       static_cast<INT>(width), static_cast<INT>(height), UnitPixel, edges.Get(),
                                       nullptr, nullptr) == Ok;
    }
    return drawn;
}

// The emblem at `size` pixels a side, a 24-bit section as the resource is,
// resampled smoothly; null when it cannot be made.
HBITMAP ScaledEmblem(HBITMAP emblem, int size)
{
    void* bits = nullptr;
    HBITMAP scaled = NewTopDownSection(size, size, 24, &bits);
    if (!scaled)
        return nullptr;
    if (!DrawScaledEmblem(emblem, size, bits)) {
        DeleteObject(scaled);
        return nullptr;
    }
    return scaled;
}

// The inside of the emblem's control as the template lays it out: the
// control has taken the size of the bitmap it was created with since.
SIZE LaidOutPictureBox(HWND box, HWND picture)
{
    RECT laidOut = {0, 0, ABOUT_PICTURE_WIDTH, ABOUT_PICTURE_HEIGHT};
    if (!MapDialogRect(box, &laidOut))
        return SIZE{0, 0};
    RECT edge = {};
    AdjustWindowRectEx(&edge, static_cast<DWORD>(GetWindowLongW(picture, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(picture, GWL_EXSTYLE)));
    return SIZE{laidOut.right - (edge.right - edge.left), laidOut.bottom - (edge.bottom - edge.top)};
}

// Version 6 static controls blend a 32-bit bitmap by its alpha channel, and
// the bitmap a control loads from the template is a screen-format one whose
// alpha is zero: it would show nothing. The box shows the emblem as a 24-bit
// section instead, and the image the control had loaded is the box's to free.
void ShowEmblem(HWND box)
{
    HWND picture = GetDlgItem(box, IDC_ABOUT_PICTURE);
    if (!picture)
        return;
    HANDLE emblem = LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDB_EMBLEM), IMAGE_BITMAP, 0, 0,
                               LR_CREATEDIBSECTION);
    if (!emblem)
        return;
    // Drawn for 96 DPI; on a scaled screen its control is larger, though
    // not quite as the DPI is (the dialog font sizes it).
    const int size = ScaleWithin(WindowDpi(box), LaidOutPictureBox(box, picture), EMBLEM_SIZE, EMBLEM_SIZE)
                         .Of(EMBLEM_SIZE);
    if (size != EMBLEM_SIZE) {
        if (HBITMAP scaled = ScaledEmblem(static_cast<HBITMAP>(emblem), size)) {
            DeleteObject(emblem);
            emblem = scaled;
        }
    }
    SetPropW(box, EMBLEM_PROPERTY, emblem);
    HANDLE loaded = reinterpret_cast<HANDLE>(
        SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(emblem)));
    if (loaded && loaded != emblem)
        DeleteObject(loaded);
}

void ReleaseEmblem(HWND box)
{
    HANDLE emblem = RemovePropW(box, EMBLEM_PROPERTY);
    if (!emblem)
        return;
    SendDlgItemMessageW(box, IDC_ABOUT_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, 0);
    DeleteObject(emblem);
}

} // namespace

INT_PTR RunAboutBox(DockletInstance* instance)
{
    INT_PTR result;
    {
        ModuleActivation activation;
        AboutOpening opening;
        BeginOpening(opening, instance);
        result = DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_ABOUT), instance->hwndDocklet, AboutBoxProc,
                                 reinterpret_cast<LPARAM>(instance));
        EndOpening(opening);
    }
    instance->aboutBox = nullptr;
    return result;
}

INT_PTR CALLBACK AboutBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (message) {
    case WM_INITDIALOG: {
        DockletInstance* openingFor = TakeOpeningOfThisThread();
        if (openingFor)
            openingFor->aboutBox = box;
        CenterWindow(box, openingFor ? openingFor->hwndDocklet : nullptr);
        ShowEmblem(box);
        SetWindowTextW(box, CAPTION);
        return FALSE;
    }
    case WM_COMMAND:
        // OK and Enter; Escape and the close button send IDCANCEL.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(box, 0);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        ReleaseEmblem(box);
        return FALSE;
    default:
        return FALSE;
    }
}
