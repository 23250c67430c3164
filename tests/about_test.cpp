// The About box.
#include "harness.h"

#include "config/resource.h"
#include "imports.h"

using harness::DockTest;

namespace {

UINT pretendedDpi = 96;

UINT WINAPI PretendedDpiForWindow(HWND)
{
    return pretendedDpi;
}

} // namespace

class AboutBox : public DockTest {};

TEST_F(AboutBox, ShowsNameVersionAndEmblemCentred)
{
    auto* docklet = CreateWith({{"Title", "Not in the caption"}});
    ASSERT_NE(docklet, nullptr);
    RECT frame = {};
    BITMAP emblem = {};
    std::wstring text;
    Ui().Then([&] {
        HWND box = dockhost::FindThreadWindow(harness::ABOUT_CAPTION);
        if (!box)
            return false;
        GetWindowRect(box, &frame);
        text = dockhost::WindowText(GetDlgItem(box, IDC_ABOUT_TEXT));
        HGDIOBJ image = reinterpret_cast<HGDIOBJ>(
            SendDlgItemMessageW(box, IDC_ABOUT_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
        GetObjectW(image, sizeof emblem, &emblem);
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_EQ(About(docklet), 0);
    EXPECT_EQ(text, L"Simple docklet to monitor Nvidia GPU Temperature.");
    EXPECT_EQ(emblem.bmWidth, 96);
    EXPECT_EQ(emblem.bmHeight, 96);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
}

TEST_F(AboutBox, ClosesWithOkEnterEscapeAndTheCloseButton)
{
    auto* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    struct Case {
        const char* name;
        std::function<void(HWND)> close;
    } cases[] = {
        {"OK button", [](HWND box) { PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }},
        {"Enter", [](HWND box) { PostMessageW(box, WM_KEYDOWN, VK_RETURN, 1); }},
        {"Escape", [](HWND box) { PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"close button", [](HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Case& c : cases) {
        Ui().Then([&] {
            HWND box = dockhost::FindThreadWindow(harness::ABOUT_CAPTION);
            if (box)
                c.close(box);
            return box != nullptr;
        });
        EXPECT_EQ(About(docklet), 0) << c.name;
        EXPECT_EQ(dockhost::FindThreadWindow(harness::ABOUT_CAPTION), nullptr) << c.name;
    }
}

TEST_F(AboutBox, EmblemStaysWithinItsControlAtAnyDpi)
{
    auto* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    const HMODULE module = GetDock().Module();
    // A window on a monitor of this DPI, as a per-monitor-aware dock has it;
    // the box's font, which lays its controls out, stays as it was.
    ASSERT_TRUE(dockhost::AnswerProcedure(module, "GetDpiForWindow", reinterpret_cast<void*>(&PretendedDpiForWindow)));
    for (UINT dpi : {96u, 288u}) {
        pretendedDpi = dpi;
        BITMAP emblem = {};
        RECT laidOut = {}, picture = {}, text = {};
        Ui().Then([&] {
            HWND box = dockhost::FindThreadWindow(harness::ABOUT_CAPTION);
            if (!box)
                return false;
            HGDIOBJ image = reinterpret_cast<HGDIOBJ>(
                SendDlgItemMessageW(box, IDC_ABOUT_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
            GetObjectW(image, sizeof emblem, &emblem);
            laidOut = RECT{0, 0, ABOUT_PICTURE_WIDTH, ABOUT_PICTURE_HEIGHT};
            MapDialogRect(box, &laidOut);
            GetWindowRect(GetDlgItem(box, IDC_ABOUT_PICTURE), &picture);
            GetWindowRect(GetDlgItem(box, IDC_ABOUT_TEXT), &text);
            PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
            return true;
        });
        EXPECT_EQ(About(docklet), 0) << dpi;
        if (dpi == 96) {
            EXPECT_EQ(emblem.bmWidth, 96);
            EXPECT_EQ(emblem.bmHeight, 96);
        } else {
            EXPECT_GT(emblem.bmWidth, 96) << dpi << ": larger, as far as the control goes";
            EXPECT_LE(emblem.bmWidth, laidOut.right) << dpi << ": within the control the box lays out";
            EXPECT_LE(emblem.bmHeight, laidOut.bottom) << dpi;
            EXPECT_EQ(emblem.bmWidth, emblem.bmHeight) << dpi;
        }
        EXPECT_LE(picture.right, text.left) << dpi << ": the emblem covers the text";
    }
    dockhost::AnswerProcedure(module, "GetDpiForWindow", nullptr);
}
