// Caption and temperature text on the overlay the host receives, and what
// each icon mode draws.
#include "render_support.h"

using harness::DockTest;
using harness::Pixels;
using namespace render_test;

namespace {

class IconText : public OverlayTest {
protected:
    // White Tahoma text, no shadow, no outline, graph background and frame
    // invisible; then the case's own settings.
    void PlainText(int dockletData, const harness::KeyValues& more = {})
    {
        Start(harness::Merged({{"DockletData", std::to_string(dockletData)},
                               {"Shadow", "0"},
                               {"Outline", "0"},
                               {"BackgroundAlpha", "0"},
                               {"FrameAlpha", "0"}},
                              more));
    }
};

bool IsWhite(uint32_t argb)
{
    return Channel(argb, 24) >= 200 && Channel(argb, 16) >= 200 && Channel(argb, 8) >= 200 && Channel(argb, 0) >= 200;
}

bool IsBlue(uint32_t argb)
{
    return Channel(argb, 24) > 0 && Channel(argb, 16) <= 60 && Channel(argb, 8) <= 60 && Channel(argb, 0) >= 200;
}

bool IsRed(uint32_t argb)
{
    return Channel(argb, 24) > 0 && Channel(argb, 16) >= 200 && Channel(argb, 8) <= 60 && Channel(argb, 0) <= 60;
}

TEST_F(IconText, ShadowAndOutline)
{
    struct Case {
        const char* name;
        int shadow;
        BYTE shadowAlpha;
        int outline;
    } cases[] = {
        {"neither", 0, 255, 0},
        {"shadow", 1, 255, 0},
        {"shadow of alpha 0", 1, 0, 0},
        {"translucent shadow", 1, 85, 0},
        {"outline", 0, 255, 1},
        {"both", 1, 255, 1},
    };
    Pixels plain;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlainText(DOCKLET_TEMPERATURE, {{"Shadow", std::to_string(c.shadow)},
                                        {"ShadowColor", std::to_string(RGB(0, 0, 255))},
                                        {"ShadowAlpha", std::to_string(c.shadowAlpha)},
                                        {"Outline", std::to_string(c.outline)},
                                        {"OutlineColor", std::to_string(RGB(255, 0, 0))},
                                        {"OutlineAlpha", "255"}});
        Pixels pixels = Refresh();
        ASSERT_FALSE(pixels.Empty());
        if (plain.Empty())
            plain = pixels;

        InkBox white = FindInk(pixels, IsWhite);
        InkBox blue = FindInk(pixels, IsBlue);
        InkBox red = FindInk(pixels, IsRed);
        EXPECT_GT(white.count, 500);
        const bool shadowShows = c.shadow && c.shadowAlpha > 0;
        if (shadowShows) {
            EXPECT_GT(blue.count, 100);
            // The shadow is the glyphs moved 2 right and 2 down, under them.
            EXPECT_NEAR(blue.right - white.right, 2, 1);
            EXPECT_NEAR(blue.bottom - white.bottom, 2, 1);
            EXPECT_NEAR(blue.left - white.left, 2, 1);
            EXPECT_NEAR(blue.top - white.top, 2, 1);
            const uint32_t shadowArgb = (static_cast<uint32_t>(c.shadowAlpha) << 24) | 0x0000FF;
            InkBox exact = FindInk(pixels, [&](uint32_t argb) { return Distance(argb, shadowArgb) <= 2; });
            EXPECT_GT(exact.count, 100) << "few pixels of " << Hex(shadowArgb);
        } else {
            EXPECT_EQ(blue.count, 0);
        }
        if (c.outline) {
            EXPECT_GT(red.count, 100);
            EXPECT_LE(red.left, white.left) << "the contour lies over the glyph edges";
        } else {
            EXPECT_EQ(red.count, 0);
        }
        if (!c.outline && !shadowShows) {
            EXPECT_EQ(CountDifferent(pixels, plain, 0), 0) << "differs from plain text";
        }
    }
}

TEST_F(IconText, FaceAndSizeEdges)
{
    struct Case {
        const char* name;
        const wchar_t* face;
        int fontSize;
        int dockletData;
        int captionInk;     // 1: some, 0: none, -1: not checked
        int temperatureInk;
    } cases[] = {
        {"uninstalled face, text mode", L"Moravel No Such Face", 34, DOCKLET_TEMPERATURE, 0, 0},
        {"uninstalled face, graph mode", L"Moravel No Such Face", 34, DOCKLET_GRAPH, 0, 0},
        // A text of em size 0 or less is not drawn (GDI+ would lay it out
        // upside down and mirrored, beyond the band's corner).
        {"size 16, graph mode: caption of em 0", L"Tahoma", 16, DOCKLET_GRAPH, 0, 1},
        {"size 10, graph mode: caption of negative em", L"Tahoma", 10, DOCKLET_GRAPH, 0, 1},
        {"size 5, graph mode: temperature of em 0 too", L"Tahoma", 5, DOCKLET_GRAPH, 0, 0},
        {"size 0, text mode", L"Tahoma", 0, DOCKLET_TEMPERATURE, 0, -1},
        {"size -40, text mode", L"Tahoma", -40, DOCKLET_TEMPERATURE, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlainText(c.dockletData, {{"FontName", dockhost::Narrow(c.face)}, {"FontSize", std::to_string(c.fontSize)}});
        const int received = Host().views[docklet_->hwnd].overlaysReceived;
        Pixels pixels = Refresh();
        ASSERT_FALSE(pixels.Empty()) << "no overlay";
        EXPECT_EQ(Host().views[docklet_->hwnd].overlaysReceived, received + 1);

        // Caption and temperature share the graph band (left and right
        // halves); in text mode the caption's band is above the temperature's.
        const bool graph = c.dockletData == DOCKLET_GRAPH;
        int captionCount = 0, temperatureCount = 0;
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                if (pixels.Alpha(x, y))
                    ++((graph ? x < 128 : y < 140) ? captionCount : temperatureCount);
            }
        }
        if (c.captionInk >= 0) {
            EXPECT_EQ(captionCount > 0, c.captionInk == 1) << captionCount << " caption pixels";
        }
        if (c.temperatureInk >= 0) {
            EXPECT_EQ(temperatureCount > 0, c.temperatureInk == 1) << temperatureCount << " temperature pixels";
        }
    }
}

TEST_F(IconText, ModeFollowsDockletData)
{
    enum Expect { NOTHING, TEXT, GRAPH };
    struct Case {
        const char* name;
        int dockletData;
        Expect expect;
    } cases[] = {
        {"none", 0, NOTHING},           {"hide icons only", DOCKLET_HIDE_ICONS, NOTHING},
        {"text", DOCKLET_TEMPERATURE, TEXT}, {"text, icons hidden", DOCKLET_TEMPERATURE | DOCKLET_HIDE_ICONS, TEXT},
        {"graph", DOCKLET_GRAPH, GRAPH}, {"graph and text: graph wins", DOCKLET_GRAPH | DOCKLET_TEMPERATURE, GRAPH},
    };
    Pixels graphPicture;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start({{"DockletData", std::to_string(c.dockletData)}});
        const int calls = Host().CountCalls("DockletSetImageOverlay", docklet_->hwnd);
        Tick(docklet_);
        EXPECT_EQ(Host().CountCalls("DockletSetImageOverlay", docklet_->hwnd), calls + 1);
        const dockhost::ServiceCall* call = Host().LastCall("DockletSetImageOverlay", docklet_->hwnd);
        ASSERT_NE(call, nullptr);
        EXPECT_EQ(call->value, 1) << "the host is to delete the overlay";

        // Read where dock code compiled from the GDI+ headers reads them.
        const void* image = Host().views[docklet_->hwnd].overlay.get();
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(dockhost::StatusOf(image), Gdiplus::Ok);
        Gdiplus::GpImage* native = dockhost::NativeOf(image);
        Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
        UINT width = 0, height = 0;
        Gdiplus::PixelFormat format = 0;
        Gdiplus::DllExports::GdipGetImageType(native, &type);
        Gdiplus::DllExports::GdipGetImageWidth(native, &width);
        Gdiplus::DllExports::GdipGetImageHeight(native, &height);
        Gdiplus::DllExports::GdipGetImagePixelFormat(native, &format);
        EXPECT_EQ(type, Gdiplus::ImageTypeBitmap);
        EXPECT_EQ(width, 256u);
        EXPECT_EQ(height, 256u);
        EXPECT_EQ(format, PixelFormat32bppARGB);

        Pixels pixels = Overlay(docklet_);
        InkBox ink = FindInk(pixels);
        switch (c.expect) {
        case NOTHING:
            EXPECT_EQ(ink.count, 0) << "not fully transparent";
            break;
        case TEXT:
            EXPECT_GT(ink.count, 500);
            EXPECT_GE(ink.top, 100) << "graph-mode band used";
            EXPECT_EQ(pixels.Alpha(150, 90), 0) << "graph background drawn";
            break;
        case GRAPH:
            EXPECT_LT(ink.top, 40);
            EXPECT_NE(pixels.Alpha(150, 90), 0) << "no graph background";
            if (graphPicture.Empty())
                graphPicture = pixels;
            else
                EXPECT_EQ(CountDifferent(pixels, graphPicture, 0), 0);
            break;
        }
    }
}

// Without a driver no reading is ever taken: the icon shows no number, in
// the chosen unit. Compared with the expected text, this also checks bands,
// alignment and em sizes.
TEST_F(IconText, NoReadingShowsNoNumberInEitherUnit)
{
    struct Case {
        const char* name;
        int dockletData;
        int celsius;
        int fontSize;
        const wchar_t* shown;
        const wchar_t* notShown;
    } cases[] = {
        {"text mode, celsius", DOCKLET_TEMPERATURE, 1, 34, L"-- \u00B0C", L"-1 \u00B0C"},
        {"text mode, fahrenheit", DOCKLET_TEMPERATURE, 0, 34, L"-- \u00B0F", L"31 \u00B0F"},
        {"text mode, size 20", DOCKLET_TEMPERATURE, 1, 20, L"-- \u00B0C", L"-- \u00B0F"},
        {"graph mode, celsius", DOCKLET_GRAPH, 1, 34, L"-- \u00B0C", L"-1 \u00B0C"},
        {"graph mode, fahrenheit", DOCKLET_GRAPH, 0, 34, L"-- \u00B0F", L"31 \u00B0F"},
        {"graph mode, size 40", DOCKLET_GRAPH, 1, 40, L"-- \u00B0C", L"-- \u00B0F"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlainText(c.dockletData, {{"Celcius", std::to_string(c.celsius)}, {"FontSize", std::to_string(c.fontSize)}});
        Pixels pixels = Refresh();
        ASSERT_FALSE(pixels.Empty());
        const bool graph = c.dockletData == DOCKLET_GRAPH;
        EXPECT_LE(CountDifferent(pixels, ExpectedIconText(graph, c.shown, c.fontSize)), ICON_MISMATCH_ALLOWED);
        EXPECT_GT(CountDifferent(pixels, ExpectedIconText(graph, c.notShown, c.fontSize)), 2 * ICON_MISMATCH_ALLOWED)
            << "the comparison cannot tell";
    }
}

} // namespace
