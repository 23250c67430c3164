// Settings in the host's INI section: keys, order, defaults, parsing, saving,
// and the folder reported for export.
#include "harness.h"

#include <utility>

using harness::DockTest;
using harness::TempFolder;

namespace {


using harness::KeyValues;
using harness::Value;

// Every key in its order at its default, as a docklet without settings saves it.
const KeyValues DEFAULTS = harness::SectionOf(R"([Defaults]
Title=Moravel
Command=
Parameters=
Celcius=1
ImagesFolder=icons
BackgroundImage=background.png
FontName=Tahoma
FontSize=34
FontColor=16777215
FontAlpha=255
Outline=1
OutlineColor=0
OutlineAlpha=255
Shadow=1
ShadowColor=0
ShadowAlpha=85
CpuColor=65280
CpuAlpha=193
BackgroundColor=0
BackgroundAlpha=91
FrameColor=16777215
FrameAlpha=91
Gradient=1
DockletData=2
LabelData=2
)", "Defaults");

// Every key in its order, none of them at its default.
const KeyValues NON_DEFAULT_SETTINGS = {
    {"Title", "My GPU"},        {"Command", "C:\\tools\\mon.exe"}, {"Parameters", "-x 1"},
    {"Celcius", "0"},           {"ImagesFolder", "pics"},          {"BackgroundImage", "D:\\p\\gpu.png"},
    {"FontName", "Verdana"},    {"FontSize", "28"},                {"FontColor", "255"},
    {"FontAlpha", "200"},       {"Outline", "0"},                  {"OutlineColor", "65535"},
    {"OutlineAlpha", "10"},     {"Shadow", "0"},                   {"ShadowColor", "128"},
    {"ShadowAlpha", "20"},      {"CpuColor", "16711680"},          {"CpuAlpha", "30"},
    {"BackgroundColor", "4210752"}, {"BackgroundAlpha", "40"},     {"FrameColor", "8421504"},
    {"FrameAlpha", "50"},       {"Gradient", "0"},                 {"DockletData", "1"},
    {"LabelData", "4"},
};

std::string Narrow(const wchar_t* text)
{
    return dockhost::Narrow(text);
}

} // namespace

class Settings : public DockTest {
protected:
    KeyValues Save(dockhost::Docklet* docklet, const std::string& name, const char* section = "Saved")
    {
        std::string file = TempFolder() + name;
        GetDock().Entry().OnSave(docklet->instance, const_cast<char*>(file.c_str()), const_cast<char*>(section),
                                 FALSE);
        return harness::ReadSection(file, section);
    }
};

TEST_F(Settings, SavesAllKeysInOrderAndLoadsThemBack)
{
    const KeyValues& stored = NON_DEFAULT_SETTINGS;
    std::string ini = harness::WriteSection("roundtrip.ini", "Docklet", stored);
    auto* docklet = Create(ini.c_str(), "Docklet");
    ASSERT_NE(docklet, nullptr);

    KeyValues saved = Save(docklet, "roundtrip-saved.ini");
    ASSERT_EQ(saved.size(), 25u);
    for (size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(saved[i].first, DEFAULTS[i].first) << "key #" << i + 1;
        EXPECT_EQ(saved[i].second, stored[i].second) << "key " << DEFAULTS[i].first;
    }
}

TEST_F(Settings, EverySettingComesBackFromTheSheetOnOk)
{
    // A setting the sheet failed to copy would come back empty or zero.
    const KeyValues& stored = NON_DEFAULT_SETTINGS;
    std::string ini = harness::WriteSection("sheet.ini", "Docklet", stored);
    auto* docklet = Create(ini.c_str(), "Docklet");
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    const KeyValues before = Save(docklet, "sheet-before.ini");

    Ui().Then(OpenPage(0)).Then(OpenPage(1)).Then(OpenPage(2)).Then(OpenPage(3)).Do([] {
        PressSheetButton(PSBTN_OK);
    });
    EXPECT_EQ(Configure(docklet), 0);
    const KeyValues after = Save(docklet, "sheet-after.ini");
    ASSERT_EQ(after.size(), 25u);
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i], stored[i]) << "key " << DEFAULTS[i].first;
    EXPECT_EQ(after, before);
}

TEST_F(Settings, SaveForExportWritesAllKeysToTheOtherFile)
{
    const KeyValues stored = {{"Title", "Exported"}, {"FontSize", "21"}, {"LabelData", "4"}};
    std::string ini = harness::WriteSection("export-source.ini", "Docklet", stored);
    const std::string sourceBefore = harness::ReadFile(ini);
    auto* docklet = Create(ini.c_str(), "Docklet");
    ASSERT_NE(docklet, nullptr);

    // A host exporting a theme saves into a file and section of its own.
    std::string target = TempFolder() + "export-target.ini";
    GetDock().Entry().OnSave(docklet->instance, const_cast<char*>(target.c_str()), const_cast<char*>("Theme 1"),
                             TRUE);
    KeyValues exported = harness::ReadSection(target, "Theme 1");
    ASSERT_EQ(exported.size(), 25u);
    for (size_t i = 0; i < exported.size(); ++i)
        EXPECT_EQ(exported[i].first, DEFAULTS[i].first) << "key #" << i + 1;
    EXPECT_EQ(Value(exported, "Title"), "Exported");
    EXPECT_EQ(Value(exported, "FontSize"), "21");
    EXPECT_EQ(Value(exported, "LabelData"), "4");
    EXPECT_EQ(harness::ReadFile(ini), sourceBefore) << "the docklet's own file is left alone";

    // The exported section loads back as the same docklet.
    auto* imported = Create(target.c_str(), "Theme 1");
    ASSERT_NE(imported, nullptr);
    EXPECT_EQ(Save(imported, "imported.ini"), exported);
}

TEST_F(Settings, HostWithoutIniGetsDefaultsAndIsAskedToConfigure)
{
    struct Case {
        const char* name;
        const char* file;
        const char* section;
    } cases[] = {
        {"no file, no section", nullptr, nullptr},
        {"no section", "C:\\x.ini", nullptr},
        {"no file", nullptr, "Docklet"},
    };
    for (const Case& c : cases) {
        Host().Clear();
        auto* docklet = Create(c.file, c.section);
        ASSERT_NE(docklet, nullptr) << c.name;
        ASSERT_GE(Host().CountCalls("DockletSetLabel"), 2) << c.name;
        EXPECT_EQ(Host().calls.front().service, "DockletSetLabel") << c.name;
        EXPECT_EQ(Host().calls.front().text, "Moravel... configure docklet!") << c.name;
        EXPECT_NE(Label(docklet), "Moravel... configure docklet!") << c.name << ": the first refresh replaces it";

        const KeyValues saved = Save(docklet, "defaults.ini");
        ASSERT_EQ(saved.size(), DEFAULTS.size()) << c.name;
        for (size_t i = 0; i < saved.size(); ++i)
            EXPECT_EQ(saved[i], DEFAULTS[i]) << c.name;
        EXPECT_TRUE(WaitForTimerRefresh(docklet)) << c.name << ": the refresh timer runs";
        Destroy(docklet);
    }
}

TEST_F(Settings, ValuesAreParsedAsTheProfileFunctionsGiveThem)
{
    const std::string longTitle(300, 'T');
    struct Case {
        const char* key;
        std::string value;
        std::string saved; // what the next save writes
    } cases[] = {
        // Transparencies are held to 0..255, not cut to their low 8 bits.
        {"FontAlpha", "256", "255"},
        {"FontAlpha", "1000", "255"},
        {"ShadowAlpha", "-1", "0"},
        {"CpuAlpha", "511", "255"},
        {"OutlineAlpha", "99999999999999999999", "255"},
        {"FrameAlpha", "-99999999999999999999", "0"},
        {"BackgroundAlpha", " +128x", "128"},
        {"FrameAlpha", "0255", "255"},
        {"CpuAlpha", "abc", "0"},
        {"FontColor", "abc", "0"},
        {"FontColor", "12ab", "12"},
        {"FontSize", "  -7", "-7"},
        {"FontSize", "", "0"},
        {"DockletData", "+3", "3"},
        {"Title", longTitle, std::string(259, 'T')},
        {"FontName", std::string(40, 'F'), std::string(31, 'F')},
    };
    int index = 0;
    for (const Case& c : cases) {
        std::string name = "parse" + std::to_string(index++) + ".ini";
        std::string ini = harness::WriteSection(name, "P", {{c.key, c.value}});
        auto* docklet = Create(ini.c_str(), "P");
        ASSERT_NE(docklet, nullptr);
        KeyValues saved = Save(docklet, "saved-" + name);
        EXPECT_EQ(Value(saved, c.key), c.saved) << c.key << "=" << c.value;
        Destroy(docklet);
    }
}

TEST_F(Settings, OwnPictureIsSavedByNameOthersAsTheirFullPath)
{
    const std::string ownPicture = Narrow(harness::BinFolder().c_str()) + "Docklets\\Moravel\\icons\\background.png";
    struct Case {
        const char* name;
        std::string stored; // empty: no such key
        std::string saved;
    } cases[] = {
        {"no key: the default", "", "background.png"},
        {"the default name", "background.png", "background.png"},
        {"the default name in other letter case", "BACKGROUND.PNG", "BACKGROUND.PNG"},
        {"the own picture's full path, as saved before", ownPicture, ownPicture},
        {"a full path of the user's", "D:\\p\\gpu.png", "D:\\p\\gpu.png"},
        {"a path from the dock's folder", ".\\x.png", Narrow(harness::BinFolder().c_str()) + "x.png"},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string name = "picture" + std::to_string(index++) + ".ini";
        const std::string ini =
            c.stored.empty() ? TempFolder() + name : harness::WriteSection(name, "P", {{"BackgroundImage", c.stored}});
        auto* docklet = Create(ini.c_str(), "P");
        ASSERT_NE(docklet, nullptr);
        KeyValues saved = Save(docklet, "saved-" + name);
        EXPECT_EQ(Value(saved, "BackgroundImage"), c.saved) << c.name;
        EXPECT_EQ(saved.size(), 25u) << c.name;
        Destroy(docklet);
    }
}

TEST_F(Settings, ADockMovedElsewhereKeepsTheOwnPicture)
{
    std::string ini = TempFolder() + "fresh.ini"; // does not exist: all defaults
    auto* docklet = Create(ini.c_str(), "Fresh");
    ASSERT_NE(docklet, nullptr);
    Save(docklet, "fresh-saved.ini", "Fresh");
    Destroy(docklet);

    // The dock's folder is renamed (or its drive has another letter now).
    Host().relativeFolder = ".\\Moved\\Moravel\\";
    const std::string moved = Narrow(harness::BinFolder().c_str()) + "Moved\\Moravel\\icons\\background.png";
    std::string savedFile = TempFolder() + "fresh-saved.ini";
    auto* again = Create(savedFile.c_str(), "Fresh");
    ASSERT_NE(again, nullptr);
    ASSERT_NE(Host().LastCall("DockletSetImageFile"), nullptr);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, moved) << "the picture of the docklet's new folder";
    EXPECT_EQ(Value(Save(again, "moved-saved.ini", "Fresh"), "BackgroundImage"), "background.png");
}

TEST_F(Settings, UnusableSaveTargetsWriteNothing)
{
    auto* docklet = Create(nullptr, nullptr);
    ASSERT_NE(docklet, nullptr);
    std::string file = TempFolder() + "never.ini";
    std::string longFile = TempFolder() + std::string(300, 'n') + ".ini";
    std::string longSection(300, 's');
    auto save = GetDock().Entry().OnSave;
    save(docklet->instance, nullptr, const_cast<char*>("S"), FALSE);
    save(docklet->instance, const_cast<char*>(file.c_str()), nullptr, FALSE);
    save(docklet->instance, const_cast<char*>(file.c_str()), const_cast<char*>(longSection.c_str()), FALSE);
    save(docklet->instance, const_cast<char*>(longFile.c_str()), const_cast<char*>("S"), FALSE);
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((TempFolder() + "nnnn*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a cut path names another file";
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

TEST_F(Settings, ExportReportsTheImagesFolderOnce)
{
    struct Case {
        const char* name;
        std::string relativeFolder;
        std::string imagesFolder;
        BOOL first;
        std::string output;
    } cases[] = {
        {"relative", ".\\Docklets\\Moravel\\", "icons", TRUE, ".\\Docklets\\Moravel\\icons"},
        {"own folder", ".\\D\\", "pics", TRUE, ".\\D\\pics"},
        {"longest that fits", std::string(200, 'r'), std::string(60, 'i'), TRUE,
         std::string(200, 'r') + std::string(60, 'i')},
        {"too long", std::string(200, 'r'), std::string(61, 'i'), FALSE, ""},
    };
    for (const Case& c : cases) {
        std::string ini = harness::WriteSection(std::string(c.name) + ".ini", "E", {{"ImagesFolder", c.imagesFolder}});
        auto* docklet = Create(ini.c_str(), "E");
        ASSERT_NE(docklet, nullptr) << c.name;
        Host().relativeFolder = c.relativeFolder;
        char output[600];
        memset(output, 0xCC, sizeof output);
        auto exportFiles = GetDock().Entry().OnExportFiles;
        EXPECT_EQ(exportFiles(docklet->instance, output, 0), c.first) << c.name;
        EXPECT_EQ(std::string(output), c.output) << c.name;
        for (int iteration : {1, 2, 50}) {
            memset(output, 0xCC, sizeof output);
            EXPECT_EQ(exportFiles(docklet->instance, output, iteration), FALSE) << c.name << " #" << iteration;
            EXPECT_EQ(static_cast<unsigned char>(output[0]), 0xCC) << c.name << ": nothing written";
        }
        Host().relativeFolder = ".\\Docklets\\Moravel\\";
        Destroy(docklet);
    }
}
