// Text the dock hands over and gets back (INI names, folders, image paths,
// the label) is in the system's ANSI code page. The same cases run under
// code page 1252 and under 1251, with names each code page can write.
#include "harness.h"

#include <stdlib.h>
#include <string.h>

using harness::DockTest;

namespace {

struct Names {
    std::wstring folder, section, title, images;
};

Names ForThisCodePage()
{
    if (GetACP() == 1251)
        return {L"\u0414\u043E\u043A \u0434\u043B\u044F GPU", L"\u0412\u0438\u0434\u0435\u043E",
                L"\u0412\u0438\u0434\u0435\u043E\u043A\u0430\u0440\u0442\u0430 \u2116 1",
                L"\u041A\u0430\u0440\u0442\u0438\u043D\u043A\u0438"};
    return {L"Caf\u00E9 Dock", L"S\u00E9ction", L"\u00DCn\u00EFcode \u20AC 1", L"Im\u00E1genes"};
}

std::string Ansi(const std::wstring& text)
{
    return dockhost::Narrow(text);
}

std::wstring WideTempFolder()
{
    return dockhost::Widen(harness::TempFolder());
}

} // namespace

class CodePage : public DockTest {
protected:
    void SetUp() override
    {
        DockTest::SetUp();
        // CTest picks the locale, and with it the code page.
        const char* locale = getenv("LC_ALL");
        ASSERT_NE(locale, nullptr) << "run through CTest, which sets LC_ALL";
        ASSERT_EQ(GetACP(), strncmp(locale, "ru_RU", 5) == 0 ? 1251u : 1252u) << locale;
        ASSERT_TRUE(UseSimulatedDriver("temperature 50\n"));
        names = ForThisCodePage();
        folder = WideTempFolder() + names.folder + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        ini = folder + L"dock.ini";
    }

    Names names;
    std::wstring folder, ini;
};

TEST_F(CodePage, SettingsLoadAndSaveInAFolderNamedInTheCodePage)
{
    WritePrivateProfileStringW(names.section.c_str(), L"Title", names.title.c_str(), ini.c_str());
    WritePrivateProfileStringW(names.section.c_str(), L"LabelData", L"4", ini.c_str());
    WritePrivateProfileStringW(names.section.c_str(), L"FontSize", L"41", ini.c_str());
    auto* docklet = Create(Ansi(ini).c_str(), Ansi(names.section).c_str());
    ASSERT_NE(docklet, nullptr);
    EXPECT_EQ(std::wstring(Record(docklet)->title), names.title) << "read from the named file";
    EXPECT_EQ(Record(docklet)->fontSize, 41);
    EXPECT_EQ(Label(docklet), Ansi(names.title)) << "the label in the code page, not question marks";

    WritePrivateProfileStringW(names.section.c_str(), L"FontSize", L"12", ini.c_str());
    GetDock().Entry().OnSave(docklet->instance, const_cast<char*>(Ansi(ini).c_str()),
                             const_cast<char*>(Ansi(names.section).c_str()), FALSE);
    wchar_t saved[64] = L"";
    GetPrivateProfileStringW(names.section.c_str(), L"FontSize", L"", saved, 64, ini.c_str());
    EXPECT_STREQ(saved, L"41") << "saved into the same file";
    GetPrivateProfileStringW(names.section.c_str(), L"Title", L"", saved, 64, ini.c_str());
    EXPECT_EQ(std::wstring(saved), names.title);
}

TEST_F(CodePage, FoldersAndImagePathsTravelInTheCodePage)
{
    WritePrivateProfileStringW(L"D", L"ImagesFolder", names.images.c_str(), ini.c_str());
    const std::string relative = ".\\" + Ansi(names.folder) + "\\";
    Host().relativeFolder = relative;
    auto* docklet = Create(Ansi(ini).c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    const std::wstring expected = harness::BinFolder() + names.folder + L"\\" + names.images + L"\\background.png";
    EXPECT_EQ(std::wstring(Record(docklet)->backgroundImage), expected);
    ASSERT_NE(Host().LastCall("DockletSetImageFile"), nullptr);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, Ansi(expected));

    char output[300] = "";
    EXPECT_TRUE(GetDock().Entry().OnExportFiles(docklet->instance, output, 0));
    EXPECT_EQ(std::string(output), relative + Ansi(names.images));

    // The menu's Hide Icons builds its path from the same names.
    Freeze(docklet);
    Ui().Then([] {
        HWND popup = dockhost::FindPopupMenu();
        return popup && dockhost::ChooseMenuItem(popup, 5);
    });
    RightClick(docklet);
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, relative + Ansi(names.images) + "\\empty.png");
}

TEST_F(CodePage, ChosenPictureInAFolderNamedInTheCodePage)
{
    auto* docklet = Create(Ansi(ini).c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    const std::wstring picture = folder + names.images + L".png";
    {
        Gdiplus::Bitmap image(40, 20, PixelFormat32bppARGB);
        ASSERT_TRUE(dockhost::SavePng(image, picture));
    }
    Host().browseAccepts = true;
    Host().browseChoice = Ansi(picture);
    harness::Pixels preview;
    Ui().Then(OpenPage(1)).Do([&] {
        SendDlgItemMessageW(CurrentPage(), 1033, BM_CLICK, 0, 0);
        preview = harness::PictureOf(CurrentPage(), 1057);
        PressSheetButton(PSBTN_OK);
    });
    EXPECT_EQ(Configure(docklet), 0);
    EXPECT_EQ(std::wstring(Record(docklet)->backgroundImage), picture);
    EXPECT_EQ(preview.width, 192) << "the host found the picture by the name it was given";
    EXPECT_EQ(Host().LastCall("DockletSetImageFile")->text, Ansi(picture));
}

TEST_F(CodePage, CharactersTheCodePageLacksBecomeQuestionMarks)
{
    WritePrivateProfileStringW(L"D", L"Title", (names.title + L" \u65E5\u672C").c_str(), ini.c_str());
    WritePrivateProfileStringW(L"D", L"LabelData", L"4", ini.c_str());
    auto* docklet = Create(Ansi(ini).c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    EXPECT_EQ(Label(docklet), Ansi(names.title) + " ??");
}
