// Hosts that lack docklet services: all present, none, and each of the nine
// missing alone. The module's GetProcAddress is patched to miss the names of
// the case; for each, a docklet is created, ticked, used through its menu,
// About box and settings sheet (every page; Browse... and Reset on the Icon
// page), clicked, saved, asked to remove itself and destroyed. Nothing may
// crash or hang, and what the host lacks is skipped without a word. The
// cases run one after another in one process, each with a docklet of its own.
#include "harness.h"

#include <algorithm>

using harness::DockTest;

namespace {

const char* const SERVICES[] = {
    "DockletSetLabel",        "DockletSetImageOverlay", "DockletSetImageFile",
    "DockletBrowseForImage",  "DockletLoadGDIPlusImage", "DockletLockMouseEffect",
    "DockletDoAttentionAnimation", "DockletGetRelativeFolder", "DockletRemoveSelf",
};

struct MissingCase {
    std::string name;
    std::vector<std::string> missing;
    bool Lacks(const std::string& service) const
    {
        return std::find(missing.begin(), missing.end(), service) != missing.end();
    }
};

std::vector<MissingCase> MissingCases()
{
    std::vector<MissingCase> cases;
    cases.push_back({"AllPresent", {}});
    cases.push_back({"NoneAtAll", std::vector<std::string>(std::begin(SERVICES), std::end(SERVICES))});
    for (const char* service : SERVICES)
        cases.push_back({std::string("Without") + service, {service}});
    return cases;
}

} // namespace

class MissingServices : public DockTest {
protected:
    void SetUp() override
    {
        DockTest::SetUp();
        ASSERT_TRUE(UseSimulatedDriver("temperature 48\n"));
    }
    void TearDown() override
    {
        GetDock().HideServices({});
        DockTest::TearDown();
    }

    void RunCase(const MissingCase& c);
};

// One case: the host lacks c.missing.
void MissingServices::RunCase(const MissingCase& c)
{
    ASSERT_TRUE(GetDock().HideServices(c.missing)) << c.name << ": the module imports GetProcAddress";
    Host().Clear();
    Host().browseAccepts = true;
    Host().browseChoice = dockhost::Narrow(harness::BinFolder()) + "Docklets\\Moravel\\icons\\empty.png";
    // A left click launches the command, a program that records its arguments.
    const std::string launched = harness::TempFolder() + c.name + "-launched.txt";
    const std::string program = dockhost::Narrow(harness::BinFolder()) + "argrecord.exe";
    const std::string ini = harness::WriteSection(c.name + ".ini", "Docklet",
                                                  {{"Command", program}, {"Parameters", "\"" + launched + "\" x"}});
    auto* docklet = Create(ini.c_str(), "Docklet");
    ASSERT_NE(docklet, nullptr) << c.name;
    const HWND hwnd = docklet->hwnd;
    for (int i = 0; i < 3; ++i)
        Tick(docklet);

    const dockhost::UseReport use = dockhost::UseDocklet(GetDock(), *docklet);
    EXPECT_TRUE(use.Complete()) << c.name << ": " << use.Describe();
    EXPECT_EQ(dockhost::FindPopupMenu(), nullptr) << c.name;
    EXPECT_EQ(Sheet(), nullptr) << c.name;
    EXPECT_EQ(dockhost::FindThreadWindow(harness::ABOUT_CAPTION), nullptr) << c.name;
    EXPECT_EQ(Host().views[hwnd].lockDepth, 0) << c.name << ": the mouse effect is released";

    POINT point = {1, 1};
    SIZE size = {256, 256};
    EXPECT_EQ(GetDock().Entry().OnLeftButtonClick(docklet->instance, &point, &size), TRUE) << c.name;

    GetDock().Entry().OnSave(docklet->instance, const_cast<char*>(ini.c_str()), const_cast<char*>("Docklet"), FALSE);
    EXPECT_EQ(harness::ReadSection(ini, "Docklet").size(), 25u) << c.name;
    char exported[300] = "";
    EXPECT_EQ(GetDock().Entry().OnExportFiles(docklet->instance, exported, 0), TRUE) << c.name;

    // Last, "Remove Entry": a host with the service removes the docklet.
    Choose(docklet, 10);
    GetDock().Pump(0);
    const bool removed = GetDock().Docklets().empty();
    EXPECT_EQ(removed, !c.Lacks("DockletRemoveSelf")) << c.name;
    if (!removed)
        Destroy(docklet);

    for (const char* service : SERVICES) {
        if (c.Lacks(service))
            EXPECT_EQ(Host().CountCalls(service), 0) << c.name << ": " << service << " is missing";
        else
            EXPECT_GT(Host().CountCalls(service), 0) << c.name << ": " << service << " is there";
    }
}

TEST_F(MissingServices, DockletRunsAndSkipsWhatIsMissing)
{
    for (const MissingCase& c : MissingCases()) {
        // Named before it runs: a crash shows which case it was.
        printf("host lacking services: %s\n", c.name.c_str());
        fflush(stdout);
        RunCase(c);
    }
}
