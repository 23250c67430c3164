// A host that serves the docklet services from a plug-in library rather than
// from its executable, and answers the module's GetModuleHandle(NULL) with
// that library by patching the module's imports. This program exports no
// services of its own: whatever the docklet shows reached it through the
// library. Paths relative to the host still start in the folder of the
// host's executable.
#include "harness.h"

#include <commctrl.h>

#include "config/resource.h"

using harness::DockTest;

namespace {

std::wstring PluginFolder()
{
    return harness::BinFolder() + L"hostplugin\\";
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

class PluginHost : public DockTest {
protected:
    void SetUp() override
    {
        static HMODULE library = LoadLibraryW((PluginFolder() + L"MoravelHostServices.dll").c_str());
        ASSERT_NE(library, nullptr) << "the services library is built beside this program";
        ASSERT_TRUE(GetDock().ServeFrom(library)) << "the module's GetModuleHandle imports were redirected";
        DockTest::SetUp(); // Host() is the library's state from here on
        ASSERT_TRUE(UseSimulatedDriver("temperature 64\n"));
        hostFolder = dockhost::Narrow(harness::BinFolder());
    }

    std::string hostFolder;
};

TEST_F(PluginHost, DockletWorksThroughTheLibrary)
{
    ASSERT_EQ(GetProcAddress(GetModuleHandleW(nullptr), "DockletSetLabel"), nullptr)
        << "this program must not serve the docklet itself";
    const std::string ini = harness::TempFolder() + "plugin.ini";
    auto* docklet = Create(ini.c_str(), "Plugin");
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);

    // The base image lies in the docklet's folder below the host's.
    const std::string background = hostFolder + "Docklets\\Moravel\\icons\\background.png";
    ASSERT_EQ(Host().CountCalls("DockletSetImageFile"), 1);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, background);
    EXPECT_TRUE(Exists(Host().LastCall("DockletSetImageFile")->text));

    Tick(docklet);
    EXPECT_EQ(Label(docklet), "GPU Temperature: 64 \xB0" "C");
    harness::Pixels overlay = Overlay(docklet);
    ASSERT_FALSE(overlay.Empty());
    EXPECT_EQ(overlay.width, 256);

    int lockWhileOpen = -1;
    Ui().Then([&] {
        if (!dockhost::FindPopupMenu())
            return false;
        lockWhileOpen = Host().views[docklet->hwnd].lockDepth;
        EndMenu();
        return true;
    });
    EXPECT_EQ(RightClick(docklet), TRUE);
    EXPECT_EQ(lockWhileOpen, 1) << "the menu locks the mouse effect through the library";
    EXPECT_EQ(Host().views[docklet->hwnd].lockDepth, 0);

    // The Icon page previews the image the library loads; Browse asks the
    // library, and the chosen image is previewed too.
    const std::string chosen = hostFolder + "Docklets\\Moravel\\icons\\empty.png";
    Host().browseAccepts = true;
    Host().browseChoice = chosen;
    bool previewShown = false;
    Ui().Then(OpenPage(1))
        .Do([&] {
            previewShown = SendDlgItemMessageW(CurrentPage(), IDC_ICON_PREVIEW, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
            SendDlgItemMessageW(CurrentPage(), IDC_ICON_BROWSE, BM_CLICK, 0, 0);
        })
        .Do([] { PressSheetButton(PSBTN_OK); });
    Host().Clear();
    EXPECT_EQ(Configure(docklet), 0);
    EXPECT_TRUE(previewShown) << "the library loaded the background for the preview";
    ASSERT_GE(Host().CountCalls("DockletLoadGDIPlusImage"), 2);
    EXPECT_EQ(Host().calls.front().text, background) << "the first image loaded is the current background";
    EXPECT_EQ(Host().CountCalls("DockletBrowseForImage"), 1);
    EXPECT_EQ(Host().LastCall("DockletBrowseForImage")->text, ".\\Docklets\\Moravel\\icons\\");
    EXPECT_EQ(Host().LastCall("DockletLoadGDIPlusImage")->text, chosen);
    // OK applies the chosen image: the library is asked to show it, and the
    // refresh goes there too.
    ASSERT_EQ(Host().CountCalls("DockletSetImageFile"), 1);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, chosen);
    EXPECT_EQ(Host().CountCalls("DockletSetImageOverlay"), 1);
    EXPECT_EQ(Host().CountCalls("DockletSetLabel"), 1);
    Destroy(docklet);
}
