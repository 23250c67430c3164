// The Icon, Font and Graph pages: what they show, what they store, and the
// previews they draw.
#include "harness.h"

#include <commctrl.h>

#include "config/resource.h"
#include "imports.h"

using harness::DockTest;
using harness::Pixels;

namespace {

enum Page { GENERAL, ICON, FONT, GRAPH };

const uint32_t RED = 0xFFFF0000;

uint32_t MenuColour()
{
    const COLORREF menu = GetSysColor(COLOR_MENU);
    return 0xFF000000u | (GetRValue(menu) << 16) | (GetGValue(menu) << 8) | GetBValue(menu);
}

bool Near(uint32_t a, uint32_t b, int tolerance = 8)
{
    for (int shift = 0; shift < 24; shift += 8) {
        int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (difference > tolerance || difference < -tolerance)
            return false;
    }
    return true;
}

std::wstring Text(HWND page, int control)
{
    return dockhost::WindowText(GetDlgItem(page, control));
}


// The colour chooser a "Choose..." button opens: answers it with `colour`.
dockhost::ModalDriver::Step AnswerColourChooser(COLORREF colour, HWND* owner = nullptr)
{
    return [colour, owner] {
        HWND chooser = dockhost::FindThreadWindow(L"Color");
        if (!chooser)
            return false;
        if (owner)
            *owner = GetWindow(chooser, GW_OWNER);
        SetDlgItemInt(chooser, 706, GetRValue(colour), FALSE);
        SetDlgItemInt(chooser, 707, GetGValue(colour), FALSE);
        SetDlgItemInt(chooser, 708, GetBValue(colour), FALSE);
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
        return true;
    };
}

void PressLater(HWND page, int button)
{
    PostMessageW(GetDlgItem(page, button), BM_CLICK, 0, 0);
}

// A visual style whose tab texture is not the menu colour, as Vista to 11
// draw it: the module is told a style is active, the property sheet gave its
// pages the texture, and the page paints this behind its controls. Wine's
// own style paints the menu colour there.
COLORREF Texture(int x, int y)
{
    return RGB(160 + x % 64, 120 + y % 96, 40 + (x + y) % 32);
}

BOOL WINAPI ThemeIsActive()
{
    return TRUE;
}

BOOL WINAPI PageHasThemeTexture(HWND)
{
    return TRUE;
}

// Paints the texture in the child's client coordinates, as the page would.
HRESULT WINAPI PaintTextureBehind(HWND child, HDC dc, const RECT* area)
{
    RECT client = {};
    GetClientRect(child, &client);
    const RECT paint = area ? *area : client;
    for (int y = paint.top; y < paint.bottom; ++y)
        for (int x = paint.left; x < paint.right; ++x)
            SetPixelV(dc, x, y, Texture(x, y));
    return S_OK;
}

uint32_t TextureArgb(int x, int y)
{
    const COLORREF colour = Texture(x, y);
    return 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

class PretendThemed {
public:
    explicit PretendThemed(HMODULE module) : module_(module)
    {
        for (Patch& patch : patches_) {
            patch.original = dockhost::PatchImport(module_, "uxtheme.dll", patch.function, patch.replacement);
            ok_ = ok_ && patch.original;
        }
    }
    ~PretendThemed()
    {
        for (Patch& patch : patches_)
            if (patch.original)
                dockhost::PatchImport(module_, "uxtheme.dll", patch.function, patch.original);
    }
    bool Patched() const { return ok_; }

private:
    struct Patch {
        const char* function;
        void* replacement;
        void* original;
    };
    HMODULE module_;
    bool ok_ = true;
    Patch patches_[4] = {
        {"IsAppThemed", reinterpret_cast<void*>(&ThemeIsActive), nullptr},
        {"IsThemeActive", reinterpret_cast<void*>(&ThemeIsActive), nullptr},
        {"IsThemeDialogTextureEnabled", reinterpret_cast<void*>(&PageHasThemeTexture), nullptr},
        {"DrawThemeParentBackground", reinterpret_cast<void*>(&PaintTextureBehind), nullptr},
    };
};

// The DPI that GetDpiForWindow answers the module, as a per-monitor-aware
// dock's window on another monitor has it.
UINT pretendedDpi = 96;

UINT WINAPI PretendedDpiForWindow(HWND)
{
    return pretendedDpi;
}

} // namespace

class Pages : public harness::FrozenDockletTest {
protected:
    Pages() : FrozenDockletTest(55) {}
};

TEST_F(Pages, IconPreviewFitsTheBoxWhateverThePictureSize)
{
    struct Case {
        int width, height, wantWidth, wantHeight;
    } cases[] = {
        {48, 48, 192, 192},    {100, 50, 192, 96},   {300, 200, 192, 128}, {257, 100, 192, 74},
        {256, 256, 192, 192},  {257, 256, 192, 191}, {40, 400, 19, 192},   {2000, 3, 192, 1},
    };
    Host().browseAccepts = true;
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.width) + "x" + std::to_string(c.height);
        Host().browseChoice = harness::WriteTestImage(name + ".png", c.width, c.height, RED, true);
        ASSERT_FALSE(Host().browseChoice.empty());
        Pixels preview;
        std::wstring hidden;
        OnPage(ICON, [&](HWND page) {
            SendDlgItemMessageW(page, IDC_ICON_BROWSE, BM_CLICK, 0, 0);
            preview = harness::PictureOf(page, IDC_ICON_PREVIEW);
            hidden = Text(page, IDC_ICON_PATH);
        });
        ASSERT_FALSE(preview.Empty()) << name;
        EXPECT_EQ(preview.width, c.wantWidth) << name;
        EXPECT_EQ(preview.height, c.wantHeight) << name;
        EXPECT_EQ(dockhost::Narrow(hidden), Host().browseChoice) << name << ": the hidden edit holds the choice";
        if (preview.width >= 8 && preview.height >= 8) {
            const int y = preview.height / 2;
            EXPECT_TRUE(Near(preview.At(preview.width / 8, y), MenuColour()))
                << name << ": transparent parts show the menu colour";
            EXPECT_TRUE(Near(preview.At(preview.width * 7 / 8, y), RED)) << name;
        }
    }
}

TEST_F(Pages, IconPreviewKeepsItsPictureWhenTheImageCannotBeLoaded)
{
    Host().browseAccepts = true;
    const std::string good = harness::WriteTestImage("good.png", 64, 32, RED, false);
    const std::string bad = harness::TempFolder() + "not-an-image.png";
    harness::WriteFile(bad, "plain text");
    Pixels before, after;
    std::wstring hidden;
    OnPage(ICON, [&](HWND page) {
        Host().browseChoice = good;
        SendDlgItemMessageW(page, IDC_ICON_BROWSE, BM_CLICK, 0, 0);
        before = harness::PictureOf(page, IDC_ICON_PREVIEW);
        Host().browseChoice = bad;
        SendDlgItemMessageW(page, IDC_ICON_BROWSE, BM_CLICK, 0, 0);
        after = harness::PictureOf(page, IDC_ICON_PREVIEW);
        hidden = Text(page, IDC_ICON_PATH);
    });
    EXPECT_EQ(before.width, 192);
    EXPECT_EQ(before.height, 96);
    EXPECT_EQ(after.argb, before.argb) << "the previous picture stays";
    EXPECT_EQ(dockhost::Narrow(hidden), bad) << "the chosen path stays chosen";
}

TEST_F(Pages, ResetAndBrowseGoThroughTheImagesFolder)
{
    Host().relativeFolder = ".\\Docklets\\Moravel\\";
    Restart({{"ImagesFolder", "icons"}, {"BackgroundImage", "D:\\elsewhere\\mine.png"}});
    std::wstring afterReset;
    Host().browseAccepts = false;
    OnPage(ICON, [&](HWND page) {
        SendDlgItemMessageW(page, IDC_ICON_BROWSE, BM_CLICK, 0, 0);
        SendDlgItemMessageW(page, IDC_ICON_RESET, BM_CLICK, 0, 0);
        afterReset = Text(page, IDC_ICON_PATH);
    });
    ASSERT_NE(Host().LastCall("DockletBrowseForImage"), nullptr);
    EXPECT_EQ(Host().LastCall("DockletBrowseForImage")->text, ".\\Docklets\\Moravel\\icons\\")
        << "the chooser starts in the images folder";
    EXPECT_EQ(dockhost::Narrow(afterReset),
              dockhost::Narrow(harness::BinFolder()) + "Docklets\\Moravel\\icons\\background.png");
    EXPECT_EQ(Saved(docklet, "BackgroundImage"), "D:\\elsewhere\\mine.png") << "cancelled: the live docklet keeps its picture";
    EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), 0);
}

TEST_F(Pages, ChosenPictureReachesTheHostOnlyOnOk)
{
    Host().browseAccepts = true;
    Host().browseChoice = harness::WriteTestImage("chosen.png", 32, 32, RED, false);
    OnPage(ICON, [](HWND page) { SendDlgItemMessageW(page, IDC_ICON_BROWSE, BM_CLICK, 0, 0); }, PSBTN_CANCEL);
    EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), 0);

    OnPage(ICON, [](HWND page) { SendDlgItemMessageW(page, IDC_ICON_BROWSE, BM_CLICK, 0, 0); }, PSBTN_OK);
    ASSERT_EQ(Host().CountCalls("DockletSetImageFile"), 1);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, Host().browseChoice);
    EXPECT_EQ(Saved(docklet, "BackgroundImage"), Host().browseChoice);

    // The same file named in other letter case is no change.
    std::wstring upper = dockhost::Widen(Host().browseChoice);
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(towupper(c));
    OnPage(ICON, [&](HWND page) { SetDlgItemTextW(page, IDC_ICON_PATH, upper.c_str()); }, PSBTN_OK);
    EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), 1);
    EXPECT_EQ(ImageFile(docklet), Host().browseChoice) << "keeps its letter case";
    EXPECT_EQ(Saved(docklet, "BackgroundImage"), Host().browseChoice) << "keeps its letter case";
}

TEST_F(Pages, SlidersShowTransparencyAsPercent)
{
    struct Case {
        int alpha;
        const wchar_t* text;
    } cases[] = {
        {255, L"100%"}, {254, L"99%"}, {193, L"75%"}, {191, L"74%"}, {128, L"50%"},
        {91, L"35%"},   {85, L"33%"},  {1, L"0%"},    {0, L"0%"},
    };
    const int fontSliders[3][2] = {{IDC_FONT_FILL_ALPHA, IDC_FONT_FILL_PERCENT},
                                   {IDC_FONT_OUTLINE_ALPHA, IDC_FONT_OUTLINE_PERCENT},
                                   {IDC_FONT_SHADOW_ALPHA, IDC_FONT_SHADOW_PERCENT}};
    const int graphSliders[3][2] = {{IDC_GRAPH_BAR_ALPHA, IDC_GRAPH_BAR_PERCENT},
                                    {IDC_GRAPH_BACKGROUND_ALPHA, IDC_GRAPH_BACKGROUND_PERCENT},
                                    {IDC_GRAPH_FRAME_ALPHA, IDC_GRAPH_FRAME_PERCENT}};
    for (size_t first = 0; first < 9; first += 3) {
        const Case* c = &cases[first];
        Restart({{"FontAlpha", std::to_string(c[0].alpha)},
                 {"OutlineAlpha", std::to_string(c[1].alpha)},
                 {"ShadowAlpha", std::to_string(c[2].alpha)},
                 {"CpuAlpha", std::to_string(c[0].alpha)},
                 {"BackgroundAlpha", std::to_string(c[1].alpha)},
                 {"FrameAlpha", std::to_string(c[2].alpha)}});
        for (int page : {FONT, GRAPH}) {
            const auto& sliders = page == FONT ? fontSliders : graphSliders;
            OnPage(page, [&](HWND window) {
                for (int row = 0; row < 3; ++row) {
                    const std::string name = "page " + std::to_string(page) + ", alpha " + std::to_string(c[row].alpha);
                    EXPECT_EQ(Text(window, sliders[row][1]), c[row].text) << name;
                    HWND slider = GetDlgItem(window, sliders[row][0]);
                    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), c[row].alpha) << name;
                    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), 0) << name;
                    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 255) << name;
                    EXPECT_EQ(SendMessageW(slider, TBM_GETPAGESIZE, 0, 0), 15) << name;
                    EXPECT_EQ(SendMessageW(slider, TBM_GETNUMTICS, 0, 0), 18) << name << ": a tick every 15";
                }
            });
        }
    }
}

TEST_F(Pages, DefaultsShowOnTheFontAndGraphPages)
{
    std::wstring face, size, percents[6];
    bool outline = false, shadow = false, gradient = false;
    Ui().Then(OpenPage(FONT)).Do([&] {
        HWND page = CurrentPage();
        face = Text(page, IDC_FONT_FACE);
        size = Text(page, IDC_FONT_SIZE);
        percents[0] = Text(page, IDC_FONT_FILL_PERCENT);
        percents[1] = Text(page, IDC_FONT_OUTLINE_PERCENT);
        percents[2] = Text(page, IDC_FONT_SHADOW_PERCENT);
        outline = SendDlgItemMessageW(page, IDC_FONT_OUTLINE, BM_GETCHECK, 0, 0) == BST_CHECKED;
        shadow = SendDlgItemMessageW(page, IDC_FONT_SHADOW, BM_GETCHECK, 0, 0) == BST_CHECKED;
    });
    Ui().Then(OpenPage(GRAPH)).Do([&] {
        HWND page = CurrentPage();
        percents[3] = Text(page, IDC_GRAPH_BAR_PERCENT);
        percents[4] = Text(page, IDC_GRAPH_BACKGROUND_PERCENT);
        percents[5] = Text(page, IDC_GRAPH_FRAME_PERCENT);
        gradient = SendDlgItemMessageW(page, IDC_GRAPH_GRADIENT, BM_GETCHECK, 0, 0) == BST_CHECKED;
        PressSheetButton(PSBTN_CANCEL);
    });
    EXPECT_EQ(Configure(docklet), 0);
    EXPECT_EQ(face, L"Tahoma");
    EXPECT_EQ(size, L"34");
    const wchar_t* expected[6] = {L"100%", L"100%", L"33%", L"75%", L"35%", L"35%"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(percents[i], expected[i]) << "label " << i;
    EXPECT_TRUE(outline);
    EXPECT_TRUE(shadow);
    EXPECT_TRUE(gradient);
}

namespace {

// The size `from` typed, then the arrow key `key` pressed five times.
std::function<void(HWND)> Spin(int from, WPARAM key)
{
    return [from, key](HWND page) {
        SetDlgItemTextW(page, IDC_FONT_SIZE, std::to_wstring(from).c_str());
        SendDlgItemMessageW(page, IDC_FONT_SIZE_SPIN, UDM_SETPOS32, 0, from);
        for (int i = 0; i < 5; ++i)
            SendDlgItemMessageW(page, IDC_FONT_SIZE, WM_KEYDOWN, key, 1);
    };
}

} // namespace

TEST_F(Pages, FontSizeEditStoresWhatIsTyped)
{
    struct Case {
        const char* name;
        std::function<void(HWND)> edit;
        int stored;
    } cases[] = {
        {"zero is a size", [](HWND page) { SetDlgItemTextW(page, IDC_FONT_SIZE, L"0"); }, 0},
        {"empty stores the default", [](HWND page) { SetDlgItemTextW(page, IDC_FONT_SIZE, L""); }, 34},
        {"beyond the spin range, as typed", [](HWND page) { SetDlgItemTextW(page, IDC_FONT_SIZE, L"500"); }, 500},
        {"spinning up stops at 72", Spin(70, VK_UP), 72},
        {"spinning down stops at 0", Spin(2, VK_DOWN), 0},
    };
    for (const Case& c : cases) {
        Restart({{"FontSize", "34"}});
        OnPage(FONT, c.edit, PSBTN_OK);
        EXPECT_EQ(Saved(docklet, "FontSize"), std::to_string(c.stored)) << c.name;
    }
}

TEST_F(Pages, SavedFacePrefixSelectsTheListedFace)
{
    Restart({{"FontName", "taho"}});
    std::wstring shown;
    OnPage(FONT, [&](HWND page) { shown = Text(page, IDC_FONT_FACE); }, PSBTN_OK);
    EXPECT_EQ(shown, L"Tahoma");
    EXPECT_EQ(Saved(docklet, "FontName"), "Tahoma");

    Restart({{"FontName", "No Such Face Here"}});
    OnPage(FONT, [&](HWND page) { shown = Text(page, IDC_FONT_FACE); }, PSBTN_OK);
    EXPECT_EQ(shown, L"");
    EXPECT_EQ(Saved(docklet, "FontName"), "No Such Face Here") << "an unlisted face is kept";
}

TEST_F(Pages, FontColourAppliesOnlyWithOk)
{
    const COLORREF chosen = RGB(12, 200, 99);
    HWND owner = nullptr;
    // Chosen, then the sheet is cancelled.
    Ui().Then(OpenPage(FONT))
        .Do([] { PressLater(CurrentPage(), IDC_FONT_FILL_CHOOSE); })
        .Then(AnswerColourChooser(chosen, &owner))
        .Then([] { return dockhost::FindThreadWindow(L"Color") == nullptr; })
        .Do([] { PressSheetButton(PSBTN_CANCEL); });
    EXPECT_EQ(Configure(docklet), 0);
    EXPECT_EQ(Saved(docklet, "FontColor"), "16777215");
    EXPECT_EQ(owner, docklet->hwnd) << "the chooser belongs to the docklet's window";

    // Chosen, another tab, then OK.
    Ui().Then(OpenPage(FONT))
        .Do([] { PressLater(CurrentPage(), IDC_FONT_OUTLINE_CHOOSE); })
        .Then(AnswerColourChooser(chosen))
        .Then([] { return dockhost::FindThreadWindow(L"Color") == nullptr; })
        .Then(OpenPage(GENERAL))
        .Do([] { PressSheetButton(PSBTN_OK); });
    EXPECT_EQ(Configure(docklet), 0);
    EXPECT_EQ(Saved(docklet, "OutlineColor"), std::to_string(chosen));
    EXPECT_EQ(Saved(docklet, "FontColor"), "16777215");
}

TEST_F(Pages, GraphPreviewFollowsEveryChange)
{
    Restart({{"Gradient", "0"}});
    const COLORREF red = RGB(255, 0, 0);
    // Bar 1 of the preview stands at x 29 from y 235 upwards; 55 degrees reach y 165.
    const int barX = 29, barY = 220;
    uint32_t afterColour = 0, afterReturn = 0, withGradient = 0, emptyBefore = 0, filledAfter = 0;
    Ui().Then(OpenPage(GRAPH))
        .Do([] { PressLater(CurrentPage(), IDC_GRAPH_BAR_CHOOSE); })
        .Then(AnswerColourChooser(red))
        .Then([] { return dockhost::FindThreadWindow(L"Color") == nullptr; })
        .Do([&] { afterColour = harness::PictureOf(CurrentPage(), IDC_GRAPH_PREVIEW).At(barX, barY); })
        .Then(OpenPage(FONT))
        .Then(OpenPage(GRAPH))
        .Do([&] {
            HWND page = CurrentPage();
            afterReturn = harness::PictureOf(page, IDC_GRAPH_PREVIEW).At(barX, barY);
            SendDlgItemMessageW(page, IDC_GRAPH_GRADIENT, BM_CLICK, 0, 0);
            withGradient = harness::PictureOf(page, IDC_GRAPH_PREVIEW).At(barX, barY);
            // Samples taken while the sheet is open show at the next redraw.
            emptyBefore = harness::PictureOf(page, IDC_GRAPH_PREVIEW).At(barX + 6, barY);
            Tick(docklet);
            Tick(docklet);
            Tick(docklet);
            harness::MoveSlider(page, IDC_GRAPH_BAR_ALPHA, 255, TB_ENDTRACK);
            filledAfter = harness::PictureOf(page, IDC_GRAPH_PREVIEW).At(barX + 6, barY);
        })
        .Do([] { PressSheetButton(PSBTN_CANCEL); });
    EXPECT_EQ(Configure(docklet), 0);
    EXPECT_GT((afterColour >> 16) & 0xFF, 150u) << "the chosen red shows at once";
    EXPECT_LT((afterColour >> 8) & 0xFF, 60u);
    EXPECT_EQ(afterReturn, afterColour) << "the page reloads the colour from the working copy";
    EXPECT_NE(withGradient, afterColour) << "the gradient redraws the bars";
    EXPECT_NE(filledAfter, emptyBefore) << "a new sample shows";
    EXPECT_EQ(Saved(docklet, "CpuColor"), "65280") << "cancelled: the live docklet keeps its colour";
    EXPECT_EQ(Saved(docklet, "Gradient"), "0");
}

TEST_F(Pages, PreviewsLeaveNoBitmapBehind)
{
    // 200 slider moves, 50 page switches and a few resets in one sheet.
    auto exercise = [this](int& inside, int& afterMoves) {
        Ui().Then(OpenPage(FONT))
            .Then(OpenPage(GRAPH))
            .Then(OpenPage(ICON))
            .Do([&] { inside = harness::CountGdiObjects(); })
            .Do([&] {
                for (int i = 0; i < 50; ++i) {
                    SendMessageW(Sheet(), PSM_SETCURSEL, static_cast<WPARAM>(i % 4), 0);
                    HWND page = CurrentPage();
                    for (int move = 0; move < 8 && i % 4 == FONT; ++move)
                        harness::MoveSlider(page, IDC_FONT_SHADOW_ALPHA, move * 30);
                    for (int move = 0; move < 8 && i % 4 == GRAPH; ++move)
                        harness::MoveSlider(page, IDC_GRAPH_FRAME_ALPHA, move * 31);
                    if (i % 4 == ICON)
                        SendDlgItemMessageW(page, IDC_ICON_RESET, BM_CLICK, 0, 0);
                }
                SendMessageW(Sheet(), PSM_SETCURSEL, ICON, 0);
                afterMoves = harness::CountGdiObjects();
                HGDIOBJ shown = reinterpret_cast<HGDIOBJ>(
                    SendDlgItemMessageW(CurrentPage(), IDC_ICON_PREVIEW, STM_GETIMAGE, IMAGE_BITMAP, 0));
                EXPECT_EQ(GetObjectType(shown), static_cast<DWORD>(OBJ_BITMAP)) << "what the control shows is alive";
            })
            .Do([] { PressSheetButton(PSBTN_CANCEL); });
        EXPECT_EQ(Configure(docklet), 0);
    };
    // The first rounds leave what the controls and the system's device
    // context cache make on first use.
    int inside = 0, afterMoves = 0;
    exercise(inside, afterMoves);
    exercise(inside, afterMoves);
    const int afterFirstSheet = harness::CountGdiObjects();
    exercise(inside, afterMoves);
    EXPECT_LE(afterMoves, inside) << "the moves and switches inside one sheet";
    EXPECT_EQ(harness::CountGdiObjects(), afterFirstSheet) << "the last previews go with the pages";
}

TEST_F(Pages, PreviewsOnAThemedPageShowItsTextureWhereClear)
{
    // The background picture: its left half clear, its right half red.
    const std::string picture = harness::WriteTestImage("half.png", 64, 64, RED, true);
    ASSERT_FALSE(picture.empty());
    Restart({{"BackgroundImage", picture}});
    Host().browseAccepts = true;
    Host().browseChoice = picture;
    const HMODULE module = GetDock().Module();
    struct Seen {
        Pixels plain, themed;
        POINT offset; // of the centred image in its control
    } font, graph, icon;
    // Each page is first shown as it is under Wine, whose style paints the
    // menu colour behind the controls; then the style changes, and the page
    // draws its preview again.
    auto restyle = [&](HWND page, int control, Seen& seen) {
        seen.plain = harness::PictureOf(page, control);
        {
            PretendThemed themed(module);
            SendMessageW(page, WM_THEMECHANGED, 0, 0);
            seen.themed = harness::PictureOf(page, control);
        }
        RECT client = {};
        GetClientRect(GetDlgItem(page, control), &client);
        seen.offset = POINT{(client.right - seen.themed.width) / 2, (client.bottom - seen.themed.height) / 2};
        SendMessageW(page, WM_THEMECHANGED, 0, 0);
    };
    Ui().Then(OpenPage(FONT))
        .Do([&] { restyle(CurrentPage(), IDC_FONT_PREVIEW, font); })
        .Then(OpenPage(GRAPH))
        .Do([&] { restyle(CurrentPage(), IDC_GRAPH_PREVIEW, graph); })
        .Then(OpenPage(ICON))
        .Do([&] {
            SendDlgItemMessageW(CurrentPage(), IDC_ICON_BROWSE, BM_CLICK, 0, 0);
            restyle(CurrentPage(), IDC_ICON_PREVIEW, icon);
        })
        .Do([] { PressSheetButton(PSBTN_CANCEL); });
    {
        PretendThemed check(module);
        ASSERT_TRUE(check.Patched()) << "the module imports the theme functions";
    }
    EXPECT_EQ(Configure(docklet), 0);

    struct Case {
        const char* name;
        const Seen& seen;
        int clearX, clearY; // a clear pixel of the preview
        int redX, redY;     // a pixel of the picture's red half (-1: none)
    } cases[] = {
        {"Font sample", font, 0, 0, -1, -1},
        {"Graph preview", graph, 10, 10, 200, 10},
        {"Graph preview's last column", graph, 255, 100, -1, -1},
        {"Icon preview", icon, 10, 96, 180, 96},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.seen.plain.Empty());
        ASSERT_FALSE(c.seen.themed.Empty());
        EXPECT_EQ(c.seen.themed.width, c.seen.plain.width);
        EXPECT_EQ(c.seen.themed.height, c.seen.plain.height);
        EXPECT_EQ(c.seen.themed.At(c.clearX, c.clearY) | 0xFF000000u,
                  TextureArgb(c.seen.offset.x + c.clearX, c.seen.offset.y + c.clearY))
            << "the texture that lies behind that pixel";
        if (c.redX >= 0) {
            EXPECT_TRUE(Near(c.seen.themed.At(c.redX, c.redY), RED));
        }
    }
    int textureShown = 0;
    for (int y = 0; y < font.themed.height; ++y)
        for (int x = 0; x < font.themed.width; ++x)
            textureShown += (font.themed.At(x, y) | 0xFF000000u) == TextureArgb(font.offset.x + x, font.offset.y + y);
    EXPECT_GT(textureShown, font.themed.width * font.themed.height / 2) << "the sample's background is the texture";
    EXPECT_LT(textureShown, font.themed.width * font.themed.height) << "the sample is drawn over it";
}

TEST_F(Pages, PreviewsAreDrawnAgainAtTheNewDpiOfTheSheet)
{
    const HMODULE module = GetDock().Module();
    ASSERT_TRUE(dockhost::AnswerProcedure(module, "GetDpiForWindow", reinterpret_cast<void*>(&PretendedDpiForWindow)));
    struct Case {
        const char* name;
        int page, control, width, height; // the preview at 96 DPI
    } cases[] = {
        {"Icon preview", ICON, IDC_ICON_PREVIEW, 192, 192},
        {"Font sample", FONT, IDC_FONT_PREVIEW, 150, 60},
        {"Graph preview", GRAPH, IDC_GRAPH_PREVIEW, 256, 256},
    };
    Host().browseAccepts = true;
    Host().browseChoice = harness::WriteTestImage("square.png", 64, 64, RED, false);
    for (const Case& c : cases) {
        // The dock moves the sheet to a monitor of another DPI; the page's
        // font and controls stay as they were laid out.
        for (UINT dpi : {72u, 144u}) {
            const std::string name = std::string(c.name) + " at " + std::to_string(dpi) + " DPI";
            Pixels before, after;
            SIZE box = {};
            pretendedDpi = 96;
            Ui().Then(OpenPage(c.page)).Do([&] {
                HWND page = CurrentPage();
                if (c.page == ICON)
                    SendDlgItemMessageW(page, IDC_ICON_BROWSE, BM_CLICK, 0, 0);
                before = harness::PictureOf(page, c.control);
                RECT client = {};
                GetClientRect(GetDlgItem(page, c.control), &client);
                box = SIZE{client.right, client.bottom};
                pretendedDpi = dpi;
                SendMessageW(page, 0x02E3 /* WM_DPICHANGED_AFTERPARENT */, 0, 0);
                after = harness::PictureOf(page, c.control);
                PressSheetButton(PSBTN_CANCEL);
            });
            EXPECT_EQ(Configure(docklet), 0) << name;
            EXPECT_EQ(before.width, c.width) << name;
            EXPECT_EQ(before.height, c.height) << name;
            // As the DPI asks, as far as the control holds it.
            double scale = dpi / 96.0;
            if (box.cx < c.width * scale)
                scale = static_cast<double>(box.cx) / c.width;
            if (box.cy < c.height * scale)
                scale = static_cast<double>(box.cy) / c.height;
            EXPECT_EQ(after.width, static_cast<int>(c.width * scale + 1e-9)) << name;
            EXPECT_EQ(after.height, static_cast<int>(c.height * scale + 1e-9)) << name;
        }
    }
    pretendedDpi = 96;
    dockhost::AnswerProcedure(module, "GetDpiForWindow", nullptr);
}

TEST_F(Pages, IconPageChoiceDecidesHowThePictureIsSaved)
{
    const std::string folder = dockhost::Narrow(harness::BinFolder());
    const std::string ownFullPath = folder + "Docklets\\Moravel\\icons\\background.png";
    const std::string chosen = harness::WriteTestImage("mine.png", 32, 32, RED, false);
    enum Action { RESET, BROWSE };
    struct Case {
        const char* name;
        std::string stored;
        Action action;
        std::string browsed;
        int button;
        std::string saved;
        bool imageSet; // the dock is handed a new picture
    } cases[] = {
        {"Reset from a picture of the user's", chosen, RESET, "", PSBTN_OK, "background.png", true},
        {"Reset on the own picture saved by its full path", ownFullPath, RESET, "", PSBTN_OK, "background.png", false},
        {"Reset, then Cancel", chosen, RESET, "", PSBTN_CANCEL, chosen, false},
        {"Browse from the own picture", "background.png", BROWSE, chosen, PSBTN_OK, chosen, true},
        {"Browse to a path from the dock's folder", "background.png", BROWSE, ".\\pics\\x.png", PSBTN_OK,
         folder + "pics\\x.png", true},
    };
    Host().browseAccepts = true;
    int index = 0;
    for (const Case& c : cases) {
        const std::string ini = harness::TempFolder() + "choice" + std::to_string(index++) + ".ini";
        WritePrivateProfileStringA("D", "BackgroundImage", c.stored.c_str(), ini.c_str());
        docklet = Create(ini.c_str(), "D");
        ASSERT_NE(docklet, nullptr) << c.name;
        Freeze(docklet);
        Host().Clear();
        Host().browseChoice = c.browsed;
        OnPage(ICON, [&c](HWND page) {
            SendDlgItemMessageW(page, c.action == RESET ? IDC_ICON_RESET : IDC_ICON_BROWSE, BM_CLICK, 0, 0);
        }, c.button);
        EXPECT_EQ(Host().CountCalls("DockletSetImageFile"), c.imageSet ? 1 : 0) << c.name;
        const std::string saved = harness::TempFolder() + "choice-saved" + std::to_string(index) + ".ini";
        GetDock().Entry().OnSave(docklet->instance, const_cast<char*>(saved.c_str()), const_cast<char*>("D"), FALSE);
        char value[300] = "";
        GetPrivateProfileStringA("D", "BackgroundImage", "<none>", value, sizeof value, saved.c_str());
        EXPECT_EQ(std::string(value), c.saved) << c.name;
        Destroy(docklet);
    }
    docklet = nullptr;
}

