// Text the dock hands over and gets back (INI names, folders, image paths,
// the label) is in the system's ANSI code page. The same cases run under
// code pages 1252, 1251, 932, 936 and 949, with names each code page can
// write.
#include "harness.h"

#include <stdlib.h>
#include <string.h>

using harness::DockTest;

namespace {

struct CodePageCase {
    const char* locale; // LC_ALL's prefix; null: any other locale
    UINT codePage;
    std::wstring folder, section, title, images;
    std::string degreeSign; // "\u00B0" in the code page's bytes
};

// The Japanese folder's first character ends in the byte of a backslash
// (0x955C): nothing may take the dock's 8-bit paths apart byte by byte.
const CodePageCase CODE_PAGES[] = {
    {"ru_RU", 1251, L"\u0414\u043E\u043A \u0434\u043B\u044F GPU", L"\u0412\u0438\u0434\u0435\u043E",
     L"\u0412\u0438\u0434\u0435\u043E\u043A\u0430\u0440\u0442\u0430 \u2116 1",
     L"\u041A\u0430\u0440\u0442\u0438\u043D\u043A\u0438", "\xB0"},
    {"ja_JP", 932, L"\u8868\u793A GPU", L"\u30D3\u30C7\u30AA", L"\u6E29\u5EA6\u8A08 1", L"\u753B\u50CF",
     "\x81\x8B"},
    {"zh_CN", 936, L"\u663E\u5361 GPU", L"\u89C6\u9891", L"\u6E29\u5EA6 1", L"\u56FE\u7247", "\xA1\xE3"},
    {"ko_KR", 949, L"\uB3C4\uD06C GPU", L"\uBE44\uB514\uC624", L"\uC628\uB3C4 1", L"\uADF8\uB9BC",
     "\xA1\xC6"},
    {nullptr, 1252, L"Caf\u00E9 Dock", L"S\u00E9ction", L"\u00DCn\u00EFcode \u20AC 1", L"Im\u00E1genes", "\xB0"},
};

const CodePageCase& ForLocale(const char* locale)
{
    for (const CodePageCase& c : CODE_PAGES)
        if (!c.locale || strncmp(locale, c.locale, strlen(c.locale)) == 0)
            return c;
    return CODE_PAGES[sizeof CODE_PAGES / sizeof CODE_PAGES[0] - 1];
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
        names = ForLocale(locale);
        ASSERT_EQ(GetACP(), names.codePage) << locale;
        ASSERT_TRUE(UseSimulatedDriver("temperature 50\n"));
        folder = WideTempFolder() + names.folder + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        ini = folder + L"dock.ini";
    }

    CodePageCase names;
    std::wstring folder, ini;
};

TEST_F(CodePage, SettingsLoadAndSaveInAFolderNamedInTheCodePage)
{
    WritePrivateProfileStringW(names.section.c_str(), L"Title", names.title.c_str(), ini.c_str());
    WritePrivateProfileStringW(names.section.c_str(), L"LabelData", L"4", ini.c_str());
    WritePrivateProfileStringW(names.section.c_str(), L"FontSize", L"41", ini.c_str());
    auto* docklet = Create(Ansi(ini).c_str(), Ansi(names.section).c_str());
    ASSERT_NE(docklet, nullptr);
    EXPECT_EQ(Label(docklet), Ansi(names.title)) << "read from the named file, the label in the code page";
    EXPECT_EQ(dockhost::Widen(Label(docklet)), names.title) << "not question marks";

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
    ASSERT_NE(Host().LastCall("DockletSetImageFile"), nullptr);
    EXPECT_EQ(ImageFile(docklet), Ansi(expected));
    EXPECT_EQ(dockhost::Widen(ImageFile(docklet)), expected) << "not question marks";

    char output[300] = "";
    EXPECT_TRUE(GetDock().Entry().OnExportFiles(docklet->instance, output, 0));
    EXPECT_EQ(std::string(output), relative + Ansi(names.images));

    // The menu's Hide Icons builds its path from the same names.
    Freeze(docklet);
    Choose(docklet, 5);
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
    EXPECT_EQ(preview.width, 192) << "the host found the picture by the name it was given";
    EXPECT_EQ(ImageFile(docklet), Ansi(picture));
    EXPECT_EQ(dockhost::Widen(ImageFile(docklet)), picture) << "not question marks";
    // Saved in the code page, it loads back as the same picture.
    const std::string saved = harness::TempFolder() + "picture-saved.ini";
    GetDock().Entry().OnSave(docklet->instance, const_cast<char*>(saved.c_str()), const_cast<char*>("D"), FALSE);
    wchar_t stored[MAX_PATH] = L"";
    GetPrivateProfileStringW(L"D", L"BackgroundImage", L"", stored, MAX_PATH, dockhost::Widen(saved).c_str());
    EXPECT_EQ(std::wstring(stored), picture);
}

TEST_F(CodePage, CharactersTheCodePageLacksBecomeQuestionMarks)
{
    // Thai, which none of these code pages writes.
    WritePrivateProfileStringW(L"D", L"Title", (names.title + L" \u0E44\u0E17\u0E22").c_str(), ini.c_str());
    WritePrivateProfileStringW(L"D", L"LabelData", L"4", ini.c_str());
    auto* docklet = Create(Ansi(ini).c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    EXPECT_EQ(Label(docklet), Ansi(names.title) + " ???");
}

TEST_F(CodePage, TemperatureLabelWritesTheDegreeSignOfTheCodePage)
{
    auto* docklet = Create(Ansi(ini).c_str(), "D");
    ASSERT_NE(docklet, nullptr);
    Freeze(docklet);
    struct Case {
        const char* name;
        UINT command;
        std::string label;
        std::wstring read; // what the dock reads from it
    } cases[] = {
        {"Celsius", 17, "GPU Temperature: 50 " + names.degreeSign + "C", L"GPU Temperature: 50 \u00B0C"},
        {"Fahrenheit", 18, "GPU Temperature: 122 " + names.degreeSign + "F", L"GPU Temperature: 122 \u00B0F"},
    };
    for (const Case& c : cases) {
        Choose(docklet, c.command);
        EXPECT_EQ(Label(docklet), c.label) << c.name;
        EXPECT_EQ(dockhost::Widen(Label(docklet)), c.read) << c.name;
    }
}
