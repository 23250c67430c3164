// Opens a window, draws "Tahoma" in Tahoma with GDI+ and saves it as a PNG:
// what the docklet needs of a 32-bit run-time. Exit codes name the step that
// failed.
#include <windows.h>
#include <gdiplus.h>
#include <cstdio>
#include <cstdlib>

static bool png_encoder(CLSID* clsid)
{
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (!size)
        return false;
    auto* codecs = static_cast<Gdiplus::ImageCodecInfo*>(std::malloc(size));
    Gdiplus::GetImageEncoders(count, size, codecs);
    bool found = false;
    for (UINT i = 0; i < count && !found; ++i)
        if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            found = true;
        }
    std::free(codecs);
    return found;
}

static int draw(const wchar_t* path)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"draw_text", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  10, 10, 200, 80, NULL, NULL, GetModuleHandleW(NULL), NULL);
    if (!window)
        return 10;
    Gdiplus::FontFamily family(L"Tahoma");
    if (family.GetLastStatus() != Gdiplus::Ok)
        return 11;
    Gdiplus::Bitmap bitmap(160, 40, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&bitmap);
        graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
        Gdiplus::Font font(&family, 20, Gdiplus::FontStyleBold, Gdiplus::UnitPixel);
        Gdiplus::SolidBrush ink(Gdiplus::Color(255, 0, 0, 0));
        graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        if (graphics.DrawString(L"Tahoma", -1, &font, Gdiplus::PointF(4, 6), &ink) != Gdiplus::Ok)
            return 12;
    }
    int dark = 0;
    for (UINT y = 0; y < bitmap.GetHeight(); ++y)
        for (UINT x = 0; x < bitmap.GetWidth(); ++x) {
            Gdiplus::Color pixel;
            bitmap.GetPixel(x, y, &pixel);
            dark += pixel.GetR() < 128;
        }
    if (dark < 50)
        return 13;
    CLSID png;
    if (!png_encoder(&png) || bitmap.Save(path, &png, NULL) != Gdiplus::Ok)
        return 14;
    DestroyWindow(window);
    std::printf("%d dark pixels\n", dark);
    return 0;
}

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 2)
        return 2;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, NULL) != Gdiplus::Ok)
        return 3;
    int result = draw(argv[1]);
    Gdiplus::GdiplusShutdown(token);
    return result;
}
