// Icon page: the background picture of the docklet's icon, chosen through
// the host's image chooser or reset to the default, with a preview.
#include "config/config.h"

#include "core/dock_image.h"
#include "core/host.h"
#include "core/images.h"
#include "core/text.h"
#include "render/gdiplus_owners.h"
#include "render/render.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const int PREVIEW_BOX = 192; // at 96 DPI
// Up to this size the preview is a thumbnail of the picture over the menu
// colour; larger pictures are drawn straight into the preview's size.
const int DIRECT_DRAWING_THRESHOLD = 256;

PageSlots iconSlots = {};

// The picture over `background` (null: kept clear, to go over the page's
// texture), as a preview of `newWidth` x `newHeight`.
HBITMAP ThumbnailOverBackground(GpImage* image, UINT width, UINT height, GpBrush* background, GpBitmap* texture,
                                int newWidth, int newHeight)
{
    BitmapOwner canvas;
    GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0, PixelFormat32bppARGB, nullptr,
                              canvas.Receive());
    GraphicsOwner graphics;
    GdipGetImageGraphicsContext(canvas.Get(), graphics.Receive());
    if (background)
        GdipFillRectangleI(graphics.Get(), background, 0, 0, static_cast<INT>(width), static_cast<INT>(height));
    GdipDrawImageRectI(graphics.Get(), image, 0, 0, static_cast<INT>(width), static_cast<INT>(height));

    ImageOwner thumbnail;
    GdipGetImageThumbnail(canvas.Get(), static_cast<UINT>(newWidth), static_cast<UINT>(newHeight),
                          thumbnail.Receive(), nullptr, nullptr);
    return PreviewBitmapOver(static_cast<GpBitmap*>(thumbnail.Get()), texture);
}

HBITMAP DrawnOverBackground(GpImage* image, GpBrush* background, GpBitmap* texture, int newWidth, int newHeight)
{
    BitmapOwner preview;
    GdipCreateBitmapFromScan0(newWidth, newHeight, 0, PixelFormat32bppARGB, nullptr, preview.Receive());
    GraphicsOwner graphics;
    GdipGetImageGraphicsContext(preview.Get(), graphics.Receive());
    if (background)
        GdipFillRectangleI(graphics.Get(), background, 0, 0, newWidth, newHeight);
    GdipDrawImageRectI(graphics.Get(), image, 0, 0, newWidth, newHeight);
    return PreviewBitmapOver(preview.Get(), texture);
}

} // namespace

// Shows the picture at `path`, its larger side scaled to `box` pixels. A
// picture the host cannot load, or one without pixels, changes nothing.
void DrawImagePreview(HWND page, int control, const wchar_t* path, int box)
{
    char hostPath[PATH_CAPACITY];
    NarrowForHost(hostPath, sizeof hostPath, path);
    DockImage* loaded = HostLoadGdiplusImage(hostPath);
    if (!loaded)
        return;
    GpImage* image = NativeImageOf(loaded);
    UINT width = 0, height = 0;
    GdipGetImageWidth(image, &width);
    GdipGetImageHeight(image, &height);
    if (width > 0 && height > 0 && box > 0) {
        const double scale = width > height ? static_cast<double>(width) / box : static_cast<double>(height) / box;
        // A sliver of a picture still gets one pixel across.
        const int newWidth = static_cast<int>(width / scale) > 0 ? static_cast<int>(width / scale) : 1;
        const int newHeight = static_cast<int>(height / scale) > 0 ? static_cast<int>(height / scale) : 1;
        BitmapOwner texture;
        *texture.Receive() = TextureBehindPreview(page, control, newWidth, newHeight);
        SolidFillOwner background;
        if (!texture.Get())
            GdipCreateSolidFill(MenuBackground(), background.Receive());
        HBITMAP preview;
        if (width > DIRECT_DRAWING_THRESHOLD || height > DIRECT_DRAWING_THRESHOLD)
            preview = DrawnOverBackground(image, background.Get(), texture.Get(), newWidth, newHeight);
        else
            preview = ThumbnailOverBackground(image, width, height, background.Get(), texture.Get(), newWidth,
                                              newHeight);
        if (preview)
            SetPictureBitmap(page, control, preview);
    }
    DeleteDockImage(loaded); // the host's image is the caller's to delete
}

namespace {

void ShowBackgroundPreview(HWND page, const DockletInstance* copy)
{
    const PreviewScale scale = ScaleForPreview(page, IDC_ICON_PREVIEW, PREVIEW_BOX, PREVIEW_BOX);
    DrawImagePreview(page, IDC_ICON_PREVIEW, copy->backgroundImage, scale.Of(PREVIEW_BOX));
}

void ShowChosenImage(HWND page, DockletInstance* copy)
{
    ResolveBackgroundImage(copy);
    SetDlgItemTextW(page, IDC_ICON_PATH, copy->backgroundImage);
    ShowBackgroundPreview(page, copy);
}

void Browse(HWND page, DockletInstance* copy)
{
    // The images folder, ending in its separator.
    wchar_t folder[PATH_CAPACITY];
    ImagesFolderPath(folder, PATH_CAPACITY, copy->hwndDocklet, copy->imagesFolder, L"");
    char startFolder[PATH_CAPACITY];
    NarrowForHost(startFolder, PATH_CAPACITY, folder);

    char image[HOST_BROWSE_BYTES] = "";
    NarrowForHost(image, PATH_CAPACITY, copy->backgroundImage);
    if (!HostBrowseForImage(page, image, startFolder))
        return;
    image[HOST_BROWSE_BYTES - 1] = 0;
    WidenFromHost(copy->backgroundImage, PATH_CAPACITY, image);
    ShowChosenImage(page, copy);
}

void Reset(HWND page, DockletInstance* copy)
{
    CopyText(copy->backgroundImage, PATH_CAPACITY, BACKGROUND_IMAGE);
    ShowChosenImage(page, copy);
}

void LoadIconPage(HWND page, DockletInstance* copy)
{
    ShowBackgroundPreview(page, copy);
    SetDlgItemTextW(page, IDC_ICON_PATH, copy->backgroundImage);
}

void StoreIconPage(HWND page, DockletInstance* copy)
{
    wchar_t path[PATH_CAPACITY] = L"";
    GetDlgItemTextW(page, IDC_ICON_PATH, path, PATH_CAPACITY);
    // The edit mirrors the page's choice; a text put there otherwise is
    // taken as a choice of its own.
    if (wcscmp(path, copy->backgroundImage) != 0) {
        CopyText(copy->backgroundImage, PATH_CAPACITY, path);
        ResolveBackgroundImage(copy);
    }
}

void OnButton(HWND page, int control, int /*notification*/, DockletInstance* copy)
{
    if (control == IDC_ICON_BROWSE)
        Browse(page, copy);
    else if (control == IDC_ICON_RESET)
        Reset(page, copy);
}

const PageHandlers PAGE = {LoadIconPage, StoreIconPage, OnButton, ShowBackgroundPreview, IDC_ICON_PREVIEW, IDD_ICON};

} // namespace

INT_PTR CALLBACK IconPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RunPage(page, message, wParam, lParam, iconSlots, PAGE);
}
