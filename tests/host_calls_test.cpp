// Hosts that treat right clicks their own way: one that ignores them while
// the docklet holds its mouse effect locked (DockletLockMouseEffect(hwnd, 1)
// until (hwnd, 0)), and one that delivers a second right click while the
// docklet's menu is open.
#include "harness.h"

using harness::DockTest;

namespace {

BOOL CALLBACK CountPopup(HWND window, LPARAM lParam)
{
    wchar_t name[16] = L"";
    GetClassNameW(window, name, 16);
    if (IsWindowVisible(window) && wcscmp(name, L"#32768") == 0)
        ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

int OpenMenus()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountPopup, reinterpret_cast<LPARAM>(&count));
    return count;
}

} // namespace

class RightClickHost : public DockTest {
protected:
    void SetUp() override
    {
        DockTest::SetUp();
        GetDock().behaviour = dockhost::HostBehaviour();
        GetDock().counts = dockhost::HostBehaviourCounts();
        docklet = Create();
        ASSERT_NE(docklet, nullptr);
        Freeze(docklet);
        Host().Clear();
    }
    void TearDown() override
    {
        GetDock().behaviour = dockhost::HostBehaviour();
        DockTest::TearDown();
    }

    // A right click on the icon as the host gets it from the mouse, with the
    // scripted user running the steps queued on Ui() meanwhile.
    void ClickIcon(const char* name)
    {
        Ui().Start();
        SendMessageW(docklet->hwnd, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
        Ui().Stop();
        EXPECT_TRUE(Ui().Finished() && !Ui().TimedOut()) << name << ": the script stopped after "
                                                          << Ui().StepsDone() << " steps";
        Ui().Clear();
    }

    // A step that clicks the icon again while the menu is open.
    dockhost::ModalDriver::Step ClickWhileOpen()
    {
        return [this] {
            if (!dockhost::FindPopupMenu())
                return false;
            SendMessageW(docklet->hwnd, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
            return true;
        };
    }

    dockhost::Docklet* docklet = nullptr;
};

TEST_F(RightClickHost, LockedHostIgnoresClicksUntilTheMenuHasClosed)
{
    GetDock().behaviour.honourMouseLock = true;
    // Settings from the menu, closed with `button`.
    auto settings = [](int button) {
        return [button](dockhost::ModalDriver& ui) {
            ui.Then([] { return dockhost::ChooseMenuItem(dockhost::FindPopupMenu(), 11); }).Then([button] {
                if (!Sheet())
                    return false;
                PressSheetButton(button);
                return true;
            });
        };
    };
    struct Case {
        const char* name;
        std::function<void(dockhost::ModalDriver&)> close;
    } cases[] = {
        {"dismissed", [](dockhost::ModalDriver& ui) { ui.Do([] { EndMenu(); }); }},
        {"harmless command",
         [](dockhost::ModalDriver& ui) {
             ui.Then([] { return dockhost::ChooseMenuItem(dockhost::FindPopupMenu(), 4); });
         }},
        {"About from the menu",
         [](dockhost::ModalDriver& ui) {
             ui.Then([] { return dockhost::ChooseMenuItem(dockhost::FindPopupMenu(), 9); }).Then([] {
                 HWND box = dockhost::FindThreadWindow(harness::ABOUT_CAPTION);
                 if (box)
                     PostMessageW(box, WM_COMMAND, IDOK, 0);
                 return box != nullptr;
             });
         }},
        {"settings from the menu, cancelled", settings(PSBTN_CANCEL)},
        {"settings from the menu, confirmed", settings(PSBTN_OK)},
    };
    for (const Case& c : cases) {
        GetDock().counts = dockhost::HostBehaviourCounts();
        Ui().Then(ClickWhileOpen());
        c.close(Ui());
        ClickIcon(c.name);
        EXPECT_EQ(GetDock().counts.ignoredRightClicks, 1) << c.name << ": the click while the menu was open";
        EXPECT_EQ(Host().views[docklet->hwnd].lockDepth, 0) << c.name;

        // Unlocked again: the next click opens the menu.
        bool opened = false;
        Ui().Then([&opened] {
            if (!dockhost::FindPopupMenu())
                return false;
            opened = true;
            EndMenu();
            return true;
        });
        ClickIcon(c.name);
        EXPECT_TRUE(opened) << c.name << ": the host still ignores right clicks";
        EXPECT_EQ(GetDock().counts.ignoredRightClicks, 1) << c.name;
    }
}

TEST_F(RightClickHost, SecondClickWhileTheMenuIsOpenOpensNoSecondMenu)
{
    GetDock().behaviour.repeatRightClick = true;
    int menusAfterSecondClick = -1;
    int lockDepthAfterSecondClick = -1;
    Ui().Then([this] { return dockhost::FindPopupMenu() && GetDock().counts.repeatedRightClicks == 1; })
        .Do([&] {
            menusAfterSecondClick = OpenMenus();
            lockDepthAfterSecondClick = Host().views[docklet->hwnd].lockDepth;
            EndMenu();
        });
    ClickIcon("second click");
    EXPECT_EQ(GetDock().counts.repeatedRightClicks, 1);
    EXPECT_EQ(GetDock().counts.secondMenus, 0) << "the docklet answered the second click with a menu";
    EXPECT_EQ(menusAfterSecondClick, 1);
    EXPECT_EQ(lockDepthAfterSecondClick, 1);
    EXPECT_EQ(Host().CountCalls("DockletLockMouseEffect"), 2) << "locked once, released once";
    EXPECT_EQ(Host().views[docklet->hwnd].lockDepth, 0);
    EXPECT_EQ(Host().CountCalls("DockletSetImageOverlay"), 0) << "nothing was chosen";
}
