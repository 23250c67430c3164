// The About box and the settings sheet on a small, scaled desktop: where they
// open, how large the previews and the emblem are drawn, and whether every
// label shows its whole text. scripts/ctest-desktop runs this program on a
// 1366 x 768 screen whose work area leaves a bar at the top and one at the
// bottom, once at each of 96, 120 and 144 DPI (MORAVEL_TEST_DPI names the
// one the process was started at).
#include "harness.h"

#include <stdlib.h>

#include <commctrl.h>

#include "config/resource.h"

using harness::DockTest;

namespace {

enum { GENERAL_PAGE, ICON_PAGE, FONT_PAGE, GRAPH_PAGE, PAGE_COUNT };

int ExpectedDpi()
{
    const char* dpi = getenv("MORAVEL_TEST_DPI");
    return dpi ? atoi(dpi) : 0;
}

// A preview made for 96 DPI at `width` x `height`: scaled by the DPI, but
// within its control, whose dialog font does not grow quite as the DPI does.
SIZE ScaledWithin(int width, int height, SIZE box)
{
    double scale = ExpectedDpi() / 96.0;
    if (box.cx < width * scale)
        scale = static_cast<double>(box.cx) / width;
    if (box.cy < height * scale)
        scale = static_cast<double>(box.cy) / height;
    return SIZE{static_cast<LONG>(width * scale + 1e-9), static_cast<LONG>(height * scale + 1e-9)};
}

RECT WorkArea()
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcWork;
}

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

// Where a window of the frame's size belongs: centred in the work area, its
// caption never above it and its left edge never left of it.
void ExpectPlacedInWorkArea(const RECT& frame, const char* what)
{
    const RECT work = WorkArea();
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
    SCOPED_TRACE(std::string(what) + " at " + Describe(frame) + " in the work area " + Describe(work));
    EXPECT_GE(frame.top, work.top) << "the caption is above the work area";
    EXPECT_GE(frame.left, work.left);
    if (height <= workHeight) {
        EXPECT_LE(frame.bottom, work.bottom);
        EXPECT_NEAR(frame.top - work.top, work.bottom - frame.bottom, 1) << "centred from top to bottom";
    } else {
        EXPECT_EQ(frame.top, work.top) << "too tall: held at the top";
    }
    if (width <= workWidth) {
        EXPECT_LE(frame.right, work.right);
        EXPECT_NEAR(frame.left - work.left, work.right - frame.right, 1) << "centred from left to right";
    }
    printf("  %s: %d x %d at (%ld, %ld)\n", what, width, height, frame.left, frame.top);
}

SIZE ClientSize(HWND dialog, int control)
{
    RECT client = {};
    GetClientRect(GetDlgItem(dialog, control), &client);
    return SIZE{client.right, client.bottom};
}

// A picture control shows a preview made for 96 DPI at `width` x `height`
// as large as the DPI asks and its control holds: more than 1.1 times as
// large above 96 DPI, so that it does not stay small in a larger control.
void ExpectPreview(HWND page, int control, int width, int height, const char* what)
{
    const harness::Pixels shown = harness::PictureOf(page, control);
    const SIZE box = ClientSize(page, control);
    const SIZE expected = ScaledWithin(width, height, box);
    EXPECT_EQ(shown.width, expected.cx) << what;
    EXPECT_EQ(shown.height, expected.cy) << what;
    EXPECT_LE(shown.width, box.cx) << what << ": wider than its control";
    EXPECT_LE(shown.height, box.cy) << what << ": taller than its control";
    if (ExpectedDpi() > 96) {
        EXPECT_GT(shown.width * 10, width * 11) << what << ": not scaled";
    }
    printf("  %s: %d x %d in a control of %ld x %ld\n", what, shown.width, shown.height, box.cx, box.cy);
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

// Every static text and every check box and radio button of a dialog shows
// its whole text in the dialog's font.
void ExpectWholeLabels(HWND dialog, const std::string& where)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring text = dockhost::WindowText(child);
        if (text.empty() || !IsWindowVisible(child))
            continue;
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        const std::wstring kind = ClassOf(child);
        RECT client = {};
        GetClientRect(child, &client);
        const std::string name = where + ": \"" + dockhost::Narrow(text) + "\"";
        if (_wcsicmp(kind.c_str(), L"Static") == 0) {
            const LONG type = style & SS_TYPEMASK;
            if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP)
                continue;
            HDC dc = GetDC(child);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
            RECT needed = {0, 0, client.right, 0};
            DrawTextW(dc, text.c_str(), -1, &needed,
                      DT_CALCRECT | DT_EXPANDTABS | (type == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK) |
                          ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
            SelectObject(dc, old);
            ReleaseDC(child, dc);
            EXPECT_LE(needed.right, client.right) << name << " needs " << needed.right << " pixels across";
            EXPECT_LE(needed.bottom, client.bottom) << name << " needs " << needed.bottom << " pixels down";
        } else if (_wcsicmp(kind.c_str(), WC_BUTTONW) == 0) {
            const LONG type = style & BS_TYPEMASK;
            if (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && type != BS_RADIOBUTTON &&
                type != BS_AUTORADIOBUTTON)
                continue;
            // The box and its text, as the button itself measures them.
            SIZE ideal = {};
            ASSERT_TRUE(SendMessageW(child, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal))) << name;
            EXPECT_LE(ideal.cx, client.right) << name << " needs " << ideal.cx << " pixels across";
        }
    }
}

} // namespace

class Desktop : public DockTest {
protected:
    void SetUp() override
    {
        DockTest::SetUp();
        const std::string image = harness::WriteTestImage("square.png", 256, 256, 0xFFCC2020u, false);
        ASSERT_FALSE(image.empty());
        docklet = CreateFrozen(55, {{"BackgroundImage", image}});
        ASSERT_NE(docklet, nullptr);
    }

    dockhost::Docklet* docklet = nullptr;
};

TEST_F(Desktop, RunsOnTheScreenItWasStartedFor)
{
    ASSERT_NE(ExpectedDpi(), 0) << "MORAVEL_TEST_DPI is not set: run this program through scripts/ctest-desktop";
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), ExpectedDpi());
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1366);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    const RECT work = WorkArea();
    EXPECT_GT(work.top, 0) << "a bar at the top";
    EXPECT_LT(work.bottom, 768) << "a bar at the bottom";
}

TEST_F(Desktop, AboutBoxOpensInsideTheWorkArea)
{
    RECT frame = {};
    Ui().Then([&frame] {
        HWND box = dockhost::FindThreadWindow(harness::ABOUT_CAPTION);
        if (!box)
            return false;
        GetWindowRect(box, &frame);
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_EQ(About(docklet), 0);
    ExpectPlacedInWorkArea(frame, "About box");
}

TEST_F(Desktop, SheetOpensInsideTheWorkAreaWithItsButtons)
{
    RECT frame = {}, ok = {}, cancel = {};
    Ui().Then(OpenPage(GENERAL_PAGE)).Do([&] {
        GetWindowRect(Sheet(), &frame);
        GetWindowRect(GetDlgItem(Sheet(), IDOK), &ok);
        GetWindowRect(GetDlgItem(Sheet(), IDCANCEL), &cancel);
        PressSheetButton(PSBTN_CANCEL);
    });
    EXPECT_EQ(Configure(docklet), 0);
    ExpectPlacedInWorkArea(frame, "settings sheet");
    const RECT work = WorkArea();
    if (frame.bottom - frame.top <= work.bottom - work.top) {
        EXPECT_LE(ok.bottom, work.bottom) << "OK under the taskbar";
        EXPECT_LE(cancel.bottom, work.bottom) << "Cancel under the taskbar";
    }
}

TEST_F(Desktop, PreviewsAndEmblemAreDrawnAtTheWindowsDpi)
{
    Ui().Then(OpenPage(ICON_PAGE))
        .Do([] { ExpectPreview(CurrentPage(), IDC_ICON_PREVIEW, 192, 192, "Icon preview"); })
        .Then(OpenPage(FONT_PAGE))
        .Do([] { ExpectPreview(CurrentPage(), IDC_FONT_PREVIEW, 150, 60, "Font sample"); })
        .Then(OpenPage(GRAPH_PAGE))
        .Do([] { ExpectPreview(CurrentPage(), IDC_GRAPH_PREVIEW, 256, 256, "Graph preview"); })
        .Do([] { PressSheetButton(PSBTN_CANCEL); });
    EXPECT_EQ(Configure(docklet), 0);

    Ui().Then([] {
        HWND box = dockhost::FindThreadWindow(harness::ABOUT_CAPTION);
        if (!box)
            return false;
        // The picture control takes the size of its bitmap: it must stay
        // clear of the text beside it.
        const harness::Pixels emblem = harness::PictureOf(box, IDC_ABOUT_PICTURE);
        // Within the control as the template lays it out, less its edge:
        // the control has taken the size of its bitmap since.
        HWND control = GetDlgItem(box, IDC_ABOUT_PICTURE);
        RECT laidOut = {0, 0, ABOUT_PICTURE_WIDTH, ABOUT_PICTURE_HEIGHT};
        MapDialogRect(box, &laidOut);
        RECT edge = {};
        AdjustWindowRectEx(&edge, static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE)));
        const SIZE expected =
            ScaledWithin(96, 96, SIZE{laidOut.right - (edge.right - edge.left), laidOut.bottom - (edge.bottom - edge.top)});
        EXPECT_EQ(emblem.width, expected.cx) << "About emblem";
        EXPECT_EQ(emblem.height, expected.cy) << "About emblem";
        if (ExpectedDpi() > 96) {
            EXPECT_GT(emblem.width * 10, 96 * 11) << "About emblem: not scaled";
        }
        RECT picture = {}, text = {};
        GetWindowRect(GetDlgItem(box, IDC_ABOUT_PICTURE), &picture);
        GetWindowRect(GetDlgItem(box, IDC_ABOUT_TEXT), &text);
        EXPECT_LE(picture.right, text.left) << "the emblem covers the text";
        printf("  About emblem: %d x %d\n", emblem.width, emblem.height);
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_EQ(About(docklet), 0);
}

TEST_F(Desktop, EveryLabelShowsItsWholeText)
{
    const char* const pages[PAGE_COUNT] = {"General page", "Icon page", "Font page", "Graph page"};
    for (int page = 0; page < PAGE_COUNT; ++page) {
        Ui().Then(OpenPage(page)).Do([&pages, page] { ExpectWholeLabels(CurrentPage(), pages[page]); }).Do([] {
            PressSheetButton(PSBTN_CANCEL);
        });
        EXPECT_EQ(Configure(docklet), 0);
    }
    Ui().Then([] {
        HWND box = dockhost::FindThreadWindow(harness::ABOUT_CAPTION);
        if (!box)
            return false;
        ExpectWholeLabels(box, "About box");
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_EQ(About(docklet), 0);
}
