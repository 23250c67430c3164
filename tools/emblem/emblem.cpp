// emblem: draws the About box's emblem, a hot graphics card and a thermometer,
// and writes it as the 96 x 96, 24-bit bitmap the module's resources use.
//
//   emblem OUTPUT.bmp [PREVIEW.png]
//
// The optional PNG is the same picture four times as large, for looking at.
// The picture is drawn eight times as large and averaged down: that smooths
// its edges the same way whether or not GDI+ anti-aliases by itself.
#include <windows.h>
#include <gdiplus.h>
#include <stdio.h>

#include <vector>

using namespace Gdiplus;

namespace {

const int SIDE = 96;
const int OVERSAMPLE = 8;
const int PREVIEW_SCALE = 4;
const unsigned STRIDE = (SIDE * 3 + 3) & ~3u;  // BMP rows are padded to four bytes

void AddRoundRect(GraphicsPath& path, REAL x, REAL y, REAL width, REAL height, REAL radius)
{
    REAL d = radius * 2;
    path.AddArc(x, y, d, d, 180, 90);
    path.AddArc(x + width - d, y, d, d, 270, 90);
    path.AddArc(x + width - d, y + height - d, d, d, 0, 90);
    path.AddArc(x, y + height - d, d, d, 90, 90);
    path.CloseFigure();
}

void FillRoundRect(Graphics& g, const Brush& brush, REAL x, REAL y, REAL width, REAL height, REAL radius)
{
    GraphicsPath path;
    AddRoundRect(path, x, y, width, height, radius);
    g.FillPath(&brush, &path);
}

// The fan: swept blades round a hub, inside a dark ring.
void DrawFan(Graphics& g, REAL cx, REAL cy, REAL radius)
{
    SolidBrush ring(Color(255, 18, 20, 24));
    g.FillEllipse(&ring, cx - radius, cy - radius, radius * 2, radius * 2);

    // Each blade an ellipse, tilted against its spoke so the blades sweep.
    LinearGradientBrush metal(PointF(0, -6), PointF(0, 6), Color(255, 190, 198, 208), Color(255, 118, 126, 138));
    for (int i = 0; i < 7; ++i) {
        GraphicsState state = g.Save();
        g.TranslateTransform(cx, cy);
        g.RotateTransform(i * 360.0f / 7);
        g.TranslateTransform(0, -(radius + 4) / 2);
        g.RotateTransform(32);
        g.FillEllipse(&metal, -2.7f, -(radius - 4) / 2 - 0.5f, 5.4f, radius - 3);
        g.Restore(state);
    }

    SolidBrush hub(Color(255, 46, 50, 56));
    g.FillEllipse(&hub, cx - 4.5f, cy - 4.5f, 9.0f, 9.0f);
    SolidBrush cap(Color(255, 86, 92, 100));
    g.FillEllipse(&cap, cx - 2.0f, cy - 2.0f, 4.0f, 4.0f);
}

// The card: bracket on the left, circuit board with its edge connector, and
// the cooler's shroud with a fan and cooling fins.
void DrawCard(Graphics& g)
{
    LinearGradientBrush bracket(PointF(3, 0), PointF(9, 0), Color(255, 196, 200, 206), Color(255, 128, 134, 142));
    g.FillRectangle(&bracket, 3.0f, 28.0f, 6.0f, 54.0f);
    SolidBrush slot(Color(255, 70, 74, 80));
    FillRoundRect(g, slot, 4.8f, 36.0f, 2.4f, 9.0f, 1.2f);
    FillRoundRect(g, slot, 4.8f, 50.0f, 2.4f, 9.0f, 1.2f);

    SolidBrush board(Color(255, 28, 104, 58));
    g.FillRectangle(&board, 9.0f, 60.0f, 54.0f, 13.0f);
    SolidBrush gold(Color(255, 222, 176, 56));
    for (int x = 20; x < 60; x += 4)
        g.FillRectangle(&gold, REAL(x), 73.0f, 2.6f, 6.0f);

    LinearGradientBrush shroud(PointF(0, 30), PointF(0, 68), Color(255, 82, 88, 98), Color(255, 34, 38, 44));
    FillRoundRect(g, shroud, 9, 30, 54, 38, 5);
    Pen edge(Color(255, 20, 22, 26), 1);
    GraphicsPath outline;
    AddRoundRect(outline, 9.5f, 30.5f, 53, 37, 4.5f);
    g.DrawPath(&edge, &outline);
    SolidBrush accent(Color(255, 60, 190, 90));
    g.FillRectangle(&accent, 14.0f, 31.5f, 44.0f, 1.6f);

    DrawFan(g, 30, 49, 15);

    Pen fin(Color(255, 118, 126, 138), 2);
    for (int x = 50; x <= 58; x += 4)
        g.DrawLine(&fin, REAL(x), 39.0f, REAL(x), 61.0f);
}

// Heat rising from the card: three wavy strokes, orange to red upwards.
void DrawHeat(Graphics& g)
{
    LinearGradientBrush glow(PointF(0, 26), PointF(0, 6), Color(255, 246, 150, 40), Color(255, 222, 38, 30));
    Pen wave(&glow, 2.6f);
    wave.SetStartCap(LineCapRound);
    wave.SetEndCap(LineCapRound);
    for (int i = 0; i < 3; ++i) {
        REAL x = 20.0f + i * 12;
        GraphicsPath path;
        path.AddBezier(PointF(x, 25), PointF(x - 4, 21), PointF(x - 4, 18), PointF(x, 15.5f));
        path.AddBezier(PointF(x, 15.5f), PointF(x + 4, 13), PointF(x + 4, 10), PointF(x, 6));
        g.DrawPath(&wave, &path);
    }
}

// The thermometer: a glass tube with a red column rising from its bulb and
// a scale from green at the bottom to red at the top.
void DrawThermometer(Graphics& g)
{
    const REAL cx = 81, top = 6, tubeWidth = 12, bulbRadius = 11, bulbY = 79;
    GraphicsPath glass;
    glass.AddArc(cx - tubeWidth / 2, top, tubeWidth, tubeWidth, 180, 180);
    glass.AddArc(cx - bulbRadius, bulbY - bulbRadius, bulbRadius * 2, bulbRadius * 2, -57, 294);
    glass.CloseFigure();
    SolidBrush white(Color(255, 252, 252, 252));
    g.FillPath(&white, &glass);
    Pen outline(Color(255, 36, 40, 48), 2.2f);
    g.DrawPath(&outline, &glass);

    SolidBrush red(Color(255, 222, 38, 30));
    g.FillEllipse(&red, cx - 7.5f, bulbY - 7.5f, 15.0f, 15.0f);
    FillRoundRect(g, red, cx - 2.5f, 20.0f, 5.0f, bulbY - 20, 2.5f);
    SolidBrush shine(Color(255, 255, 150, 140));
    g.FillEllipse(&shine, cx - 4.5f, bulbY - 4.5f, 3.5f, 3.5f);

    LinearGradientBrush scale(PointF(0, 70), PointF(0, 12), Color(255, 36, 176, 68), Color(255, 228, 36, 28));
    Pen tick(&scale, 2);
    for (int y = 14; y <= 64; y += 10)
        g.DrawLine(&tick, cx - 14.5f, REAL(y), cx - 9.5f, REAL(y));
}

// Draws the emblem oversampled and averages it down to top-down BGR rows of
// STRIDE bytes.
std::vector<BYTE> Render()
{
    const int big = SIDE * OVERSAMPLE;
    Bitmap canvas(big, big, PixelFormat24bppRGB);
    {
        Graphics g(&canvas);
        g.SetSmoothingMode(SmoothingModeAntiAlias);
        g.ScaleTransform(OVERSAMPLE, OVERSAMPLE);
        LinearGradientBrush sky(PointF(0, 0), PointF(0, SIDE), Color(255, 238, 243, 248), Color(255, 190, 205, 220));
        g.FillRectangle(&sky, 0, 0, SIDE, SIDE);
        DrawHeat(g);
        DrawCard(g);
        DrawThermometer(g);
    }
    std::vector<BYTE> pixels(STRIDE * SIDE, 0);
    Rect all(0, 0, big, big);
    BitmapData data;
    if (canvas.LockBits(&all, ImageLockModeRead, PixelFormat24bppRGB, &data) != Ok)
        return {};
    const unsigned samples = OVERSAMPLE * OVERSAMPLE;
    for (int y = 0; y < SIDE; ++y)
        for (int x = 0; x < SIDE; ++x)
            for (int channel = 0; channel < 3; ++channel) {
                unsigned sum = 0;
                for (int sy = 0; sy < OVERSAMPLE; ++sy) {
                    const BYTE* row = static_cast<const BYTE*>(data.Scan0) + (y * OVERSAMPLE + sy) * data.Stride;
                    for (int sx = 0; sx < OVERSAMPLE; ++sx)
                        sum += row[(x * OVERSAMPLE + sx) * 3 + channel];
                }
                pixels[y * STRIDE + x * 3 + channel] = static_cast<BYTE>((sum + samples / 2) / samples);
            }
    canvas.UnlockBits(&data);
    return pixels;
}

void Put(std::vector<BYTE>& out, unsigned value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// A bottom-up BMP of 24 bits per pixel, with no resolution stated.
bool SaveBmp(const std::vector<BYTE>& pixels, const wchar_t* path)
{
    const unsigned offset = 14 + 40, size = STRIDE * SIDE;
    std::vector<BYTE> out;
    Put(out, 'B' | 'M' << 8, 2);                      // BITMAPFILEHEADER
    Put(out, offset + size, 4);
    Put(out, 0, 4);
    Put(out, offset, 4);
    Put(out, 40, 4);                                  // BITMAPINFOHEADER
    Put(out, SIDE, 4);
    Put(out, SIDE, 4);
    Put(out, 1, 2);
    Put(out, 24, 2);
    Put(out, BI_RGB, 4);
    Put(out, size, 4);
    for (int i = 0; i < 4; ++i)                      // resolution and palette: none
        Put(out, 0, 4);
    for (int y = SIDE - 1; y >= 0; --y)
        out.insert(out.end(), pixels.begin() + y * STRIDE, pixels.begin() + (y + 1) * STRIDE);

    FILE* file = _wfopen(path, L"wb");
    if (!file)
        return false;
    bool written = fwrite(out.data(), 1, out.size(), file) == out.size();
    return fclose(file) == 0 && written;
}

bool SavePreview(std::vector<BYTE>& pixels, const wchar_t* path)
{
    UINT count = 0, size = 0;
    if (GetImageEncodersSize(&count, &size) != Ok || size == 0)
        return false;
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GetImageEncoders(count, size, encoders) != Ok)
        return false;
    Bitmap emblem(SIDE, SIDE, STRIDE, PixelFormat24bppRGB, pixels.data());
    Bitmap large(SIDE * PREVIEW_SCALE, SIDE * PREVIEW_SCALE, PixelFormat24bppRGB);
    {
        Graphics g(&large);
        g.SetInterpolationMode(InterpolationModeNearestNeighbor);
        g.SetPixelOffsetMode(PixelOffsetModeHalf);
        g.DrawImage(&emblem, 0, 0, SIDE * PREVIEW_SCALE, SIDE * PREVIEW_SCALE);
    }
    for (UINT i = 0; i < count; ++i)
        if (wcscmp(encoders[i].MimeType, L"image/png") == 0)
            return large.Save(path, &encoders[i].Clsid, nullptr) == Ok;
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || argc > 3) {
        fwprintf(stderr, L"usage: emblem OUTPUT.bmp [PREVIEW.png]\n");
        return 2;
    }
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) {
        fwprintf(stderr, L"emblem: GDI+ does not start\n");
        return 1;
    }
    const wchar_t* failure = nullptr;
    std::vector<BYTE> pixels = Render();
    if (pixels.empty())
        failure = L"the drawing (GDI+ does not lock the canvas)";
    else if (!SaveBmp(pixels, argv[1]))
        failure = argv[1];
    else if (argc == 3 && !SavePreview(pixels, argv[2]))
        failure = argv[2];
    if (failure)
        fwprintf(stderr, L"emblem: cannot write %ls\n", failure);
    GdiplusShutdown(token);
    return failure ? 1 : 0;
}
