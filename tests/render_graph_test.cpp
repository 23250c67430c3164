// The history graph on the overlay the host receives. The simulated driver
// reads what a test gives it, one reading a refresh; without a driver no
// refresh adds samples.
#include "render_support.h"

#include <vector>

using harness::DockTest;
using harness::Pixels;
using namespace render_test;

namespace {

const uint32_t OPAQUE_RED = 0xFFFF0000;

class Graph : public OverlayTest {
protected:
    // Graph mode with only the bars visible: opaque red, no text, no
    // background, no frame; then the case's own settings.
    void BarsOnly(const harness::KeyValues& more = {})
    {
        Start(harness::Merged({{"DockletData", std::to_string(DOCKLET_GRAPH)},
                               {"Gradient", "0"},
                               {"CpuColor", std::to_string(RGB(255, 0, 0))},
                               {"CpuAlpha", "255"},
                               {"BackgroundAlpha", "0"},
                               {"FrameAlpha", "0"},
                               {"FontAlpha", "0"},
                               {"Shadow", "0"},
                               {"Outline", "0"}},
                              more));
    }

    // The driver reads `readings` in turn, the last one for ever after.
    static void Readings(const std::vector<int>& readings)
    {
        std::string scenario = "temperatures";
        for (int reading : readings)
            scenario += " " + std::to_string(reading);
        ASSERT_TRUE(harness::LoadScenario((scenario + "\n").c_str())) << "the simulated driver is missing";
    }

    // Refreshes until the history holds `count` readings, creation's first.
    void Fill(size_t count)
    {
        for (size_t taken = 1; taken < count && docklet_; ++taken)
            Tick(docklet_);
    }
};

bool Inked(const Pixels& pixels, int x, int y)
{
    return pixels.Alpha(x, y) >= 128;
}

TEST_F(Graph, BarsRiseFromTheBottomEdgeByTheirSample)
{
    struct Case {
        const char* name;
        int sample;
        int height; // (158 - 1) / 120 per degree, truncated
    } cases[] = {
        {"60 degrees", 60, 78},   {"full scale", 120, 157},  {"above full scale", 150, 157},
        {"zero", 0, 0},           {"failed reading", -1, -1}, {"one degree", 1, 1},
        {"three degrees", 3, 3},  {"just below full", 119, 155}, {"30 degrees", 30, 39},
    };
    std::vector<int> readings;
    for (const Case& c : cases)
        readings.push_back(c.sample);
    Readings(readings);
    BarsOnly();
    Fill(readings.size() - 1);
    Pixels pixels = Refresh();
    ASSERT_FALSE(pixels.Empty());

    int position = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int x = BarX(position++);
        // Nothing ever reaches the top edge.
        EXPECT_FALSE(Inked(pixels, x, GRAPH_Y));
        if (c.height > 0) {
            EXPECT_TRUE(Inked(pixels, x, GRAPH_BASE - 1));
            EXPECT_TRUE(Inked(pixels, x, GRAPH_BASE - c.height)) << "bar shorter than " << c.height;
            EXPECT_FALSE(Inked(pixels, x, GRAPH_BASE - c.height - 1)) << "bar taller than " << c.height;
        } else if (c.height == 0) {
            for (int y = GRAPH_BASE - 4; y <= GRAPH_BASE + 4; ++y)
                EXPECT_FALSE(Inked(pixels, x, y)) << "at y " << y;
        } else {
            EXPECT_TRUE(Inked(pixels, x, GRAPH_BASE) || Inked(pixels, x, GRAPH_BASE + 1)) << "no stub";
            for (int y = GRAPH_Y; y < GRAPH_BASE; ++y)
                ASSERT_FALSE(Inked(pixels, x, y)) << "stub reaches up to y " << y;
            EXPECT_FALSE(Inked(pixels, x, GRAPH_BASE + 2));
        }
        if (c.height != 0) {
            EXPECT_TRUE(PixelNear(pixels, x, c.height > 0 ? GRAPH_BASE - 1 : GRAPH_BASE, OPAQUE_RED));
        }
    }
}

TEST_F(Graph, FullHistorySpansTheRectangleAndShiftsLeft)
{
    std::vector<int> samples;
    for (int i = 0; i < HISTORY_SLOTS; ++i)
        samples.push_back((i * 37) % 121 + 1); // every bar visible, heights all over the range
    const int newest = 120;
    samples.push_back(newest);
    Readings(samples);
    BarsOnly();
    Fill(HISTORY_SLOTS - 1);
    Pixels before = Refresh();
    ASSERT_FALSE(before.Empty());

    const int row = GRAPH_BASE - 1;
    EXPECT_TRUE(Inked(before, BarX(1), row));
    EXPECT_TRUE(Inked(before, BarX(HISTORY_SLOTS), row));
    EXPECT_EQ(BarX(HISTORY_SLOTS), GRAPH_X + 202);
    for (int x = 0; x < GRAPH_X; ++x)
        EXPECT_FALSE(Inked(before, x, row)) << "left of the rectangle at x " << x;
    for (int x = GRAPH_X + GRAPH_WIDTH; x < 256; ++x)
        EXPECT_FALSE(Inked(before, x, row)) << "right of the rectangle at x " << x;

    Pixels after = Refresh(); // the newest reading: the others move one bar left
    ASSERT_FALSE(after.Empty());
    // A bar's centre column is its own; its neighbours only touch its sides.
    for (int position = 1; position < HISTORY_SLOTS; ++position) {
        for (int y = GRAPH_Y; y <= GRAPH_BASE + 1; ++y) {
            ASSERT_EQ(after.At(BarX(position), y), before.At(BarX(position + 1), y))
                << "bar " << position << " at y " << y << " is not the former bar " << position + 1;
        }
    }
    EXPECT_TRUE(Inked(after, BarX(HISTORY_SLOTS), GRAPH_BASE - 157));
    EXPECT_FALSE(Inked(after, BarX(HISTORY_SLOTS), GRAPH_BASE - 158));
}

TEST_F(Graph, BackgroundAndFrameColours)
{
    struct Case {
        const char* name;
        COLORREF background;
        BYTE backgroundAlpha;
        COLORREF frame;
        BYTE frameAlpha;
        uint32_t expectedBackground;
        uint32_t expectedFrame;
    } cases[] = {
        {"defaults", RGB(0, 0, 0), 91, RGB(255, 255, 255), 91, 0x5B000000, 0x5BFFFFFF},
        {"opaque", RGB(0, 0, 255), 255, RGB(255, 0, 0), 255, 0xFF0000FF, 0xFFFF0000},
        {"translucent", RGB(10, 20, 200), 128, RGB(200, 100, 50), 200, 0x800A14C8, 0xC8C86432},
        {"invisible", RGB(10, 20, 200), 0, RGB(200, 100, 50), 0, 0x00000000, 0x00000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BarsOnly({{"BackgroundColor", std::to_string(c.background)},
                  {"BackgroundAlpha", std::to_string(c.backgroundAlpha)},
                  {"FrameColor", std::to_string(c.frame)},
                  {"FrameAlpha", std::to_string(c.frameAlpha)}});
        Pixels pixels = Refresh();
        ASSERT_FALSE(pixels.Empty());
        EXPECT_TRUE(PixelNear(pixels, 150, 120, c.expectedBackground));
        EXPECT_TRUE(PixelNear(pixels, GRAPH_X + 1, GRAPH_Y + 1, c.expectedBackground));
        // The bottom frame line lies below the filled area.
        EXPECT_TRUE(PixelNear(pixels, 100, GRAPH_BASE, c.expectedFrame));
        for (int y : {GRAPH_Y - 2, GRAPH_BASE + 2})
            EXPECT_TRUE(PixelNear(pixels, 100, y, 0, 0));
        for (int x : {GRAPH_X - 2, GRAPH_X + GRAPH_WIDTH + 2})
            EXPECT_TRUE(PixelNear(pixels, x, 150, 0, 0));
    }
}

// Bars at full scale everywhere, in their colour or in the gradient.
TEST_F(Graph, BarColourAndGradient)
{
    enum Expect { BAR_COLOUR, GRADIENT, INVISIBLE };
    struct Case {
        const char* name;
        int gradient;
        COLORREF colour;
        BYTE alpha;
        Expect expect;
        uint32_t barColour;
    } cases[] = {
        {"gradient, default colour", 1, RGB(0, 255, 0), 193, GRADIENT, 0},
        {"gradient ignores the colour", 1, RGB(0, 0, 255), 255, GRADIENT, 0},
        {"gradient, bar alpha 0", 1, RGB(0, 255, 0), 0, INVISIBLE, 0},
        {"no gradient", 0, RGB(10, 20, 200), 150, BAR_COLOUR, 0x960A14C8},
        {"no gradient, alpha 0", 0, RGB(10, 20, 200), 0, INVISIBLE, 0},
    };
    Readings({200}); // full scale everywhere
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BarsOnly({{"Gradient", std::to_string(c.gradient)},
                  {"CpuColor", std::to_string(c.colour)},
                  {"CpuAlpha", std::to_string(c.alpha)}});
        Fill(HISTORY_SLOTS - 1);
        Pixels pixels = Refresh();
        ASSERT_FALSE(pixels.Empty());

        const int near_top = GRAPH_Y + 3;
        const int half = GRAPH_Y + GRAPH_HEIGHT / 2;
        const int near_bottom = GRAPH_BASE - 3;
        for (int x : {BarX(1), BarX(50), BarX(101)}) {
            SCOPED_TRACE("x " + std::to_string(x));
            if (c.expect == INVISIBLE) {
                for (int y = 0; y < 256; ++y)
                    ASSERT_EQ(pixels.Alpha(x, y), 0) << "visible at y " << y;
                continue;
            }
            if (c.expect == BAR_COLOUR) {
                for (int y : {near_top, half, near_bottom})
                    EXPECT_TRUE(PixelNear(pixels, x, y, c.barColour));
                continue;
            }
            const uint32_t top = pixels.At(x, near_top);
            const uint32_t middle = pixels.At(x, half);
            const uint32_t bottom = pixels.At(x, near_bottom);
            for (uint32_t argb : {top, middle, bottom}) {
                EXPECT_NEAR(Channel(argb, 24), c.alpha, 1) << Hex(argb);
                EXPECT_LE(Channel(argb, 0), 10) << "blue in " << Hex(argb);
            }
            EXPECT_TRUE(Channel(top, 16) >= 235 && Channel(top, 8) <= 40) << "not red near the top: " << Hex(top);
            EXPECT_TRUE(Channel(middle, 16) >= 230 && Channel(middle, 8) >= 230)
                << "not yellow at half height: " << Hex(middle);
            EXPECT_TRUE(Channel(bottom, 16) <= 40 && Channel(bottom, 8) >= 235)
                << "not green near the bottom: " << Hex(bottom);
        }
    }
}

} // namespace
