// Settings that must come back as they were after a save and a new load:
// values the profile reader would trim or unquote, paths longer than 259
// units, and INI names in the host's ANSI code page.
#include "harness.h"

using harness::DockTest;
using harness::TempFolder;

namespace {

struct RoundTripCase {
    const char* name;
    std::string section;
    std::string fileName;
    std::string lines;   // the section's lines in the host's file
    std::string key;     // the setting looked at
    std::wstring held;   // what the docklet must hold, after the file and after a save and a load
};

void PrintTo(const RoundTripCase& c, std::ostream* out)
{
    *out << c.name;
}

// The value of `key` as the profile functions read it back from `file`.
std::wstring ReadBack(const std::string& file, const std::string& section, const std::string& key)
{
    wchar_t value[600] = L"";
    GetPrivateProfileStringW(dockhost::Widen(section).c_str(), dockhost::Widen(key).c_str(), L"<missing>", value,
                             600, dockhost::Widen(file).c_str());
    return value;
}

std::wstring Printable(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text)
        out += (c >= 0x20 && c < 0x7F) ? std::wstring(1, c) : L"\\u" + std::to_wstring(static_cast<unsigned>(c));
    return out;
}

const std::wstring HOST_FOLDER = harness::BinFolder();
const std::wstring DOCKLET_FOLDER = L"Docklets\\Moravel\\";
const std::wstring BACKGROUND = L"\\background.png";
// An images folder whose resolved background path is 265 units long.
const size_t LONG_FOLDER_UNITS = 265 - HOST_FOLDER.size() - DOCKLET_FOLDER.size() - BACKGROUND.size();
const std::wstring LONG_FOLDER(LONG_FOLDER_UNITS, L'i');

const RoundTripCase ROUND_TRIP_CASES[] = {
    {"QuotedTitle", "D", "quoted.ini", "Title=\"\"Hot\"\"", "Title", L"\"Hot\""},
    {"SingleQuotedCommand", "D", "single.ini", "Command=\"'run'\"", "Command", L"'run'"},
    {"BlankEdgedTitle", "D", "blank.ini", "Title=\"  spaced  \"", "Title", L"  spaced  "},
    {"TabEdgedParameters", "D", "tab.ini", "Parameters=\"\t-x\t\"", "Parameters", L"\t-x\t"},
    // 258 units inside quotes: the longest title a read keeps.
    {"QuotedTitleAtTheLimit", "D", "limit.ini", "Title=\" " + std::string(257, 't') + "\"", "Title",
     L" " + std::wstring(257, L't')},
    // The resolved path is longer than 259 units; it is read back whole.
    {"LongResolvedBackground", "D", "longpath.ini", "ImagesFolder=" + std::string(LONG_FOLDER_UNITS, 'i'),
     "BackgroundImage", HOST_FOLDER + DOCKLET_FOLDER + LONG_FOLDER + BACKGROUND},
    // Windows-1252 bytes: the euro sign and z with caron.
    {"AnsiSectionName", "Dock\x80\x9E", "ansi-section.ini", "FontSize=28", "FontSize", L"28"},
    {"AnsiFileName", "D", "caf\x80-\xE9.ini", "FontSize=29", "FontSize", L"29"},
};

class SettingsRoundTrip : public DockTest, public ::testing::WithParamInterface<RoundTripCase> {
protected:
    // What the host's file holds for its section, the saved file's bytes.
    std::string Save(dockhost::Docklet* docklet, const std::string& file, const std::string& section)
    {
        DeleteFileA(file.c_str());
        GetDock().Entry().OnSave(docklet->instance, const_cast<char*>(file.c_str()),
                                 const_cast<char*>(section.c_str()), FALSE);
        return harness::ReadFile(file);
    }
};

} // namespace

TEST_P(SettingsRoundTrip, HeldValueSurvivesSaveAndLoad)
{
    const RoundTripCase& c = GetParam();
    ASSERT_EQ(GetACP(), 1252u) << "the cases' 8-bit names are Windows-1252";
    const std::string ini = TempFolder() + c.fileName;
    ASSERT_TRUE(harness::WriteFile(ini, "[" + c.section + "]\r\n" + c.lines + "\r\n")) << c.name;

    // What a docklet holds shows in what it saves, read back as the next
    // load reads it; the background picture, saved by its name, in the path
    // the dock is given.
    auto held = [&](dockhost::Docklet* docklet, const std::string& saved) {
        return c.key == "BackgroundImage" ? dockhost::Widen(ImageFile(docklet)) : ReadBack(saved, c.section, c.key);
    };
    dockhost::Docklet* first = Create(ini.c_str(), c.section.c_str());
    ASSERT_NE(first, nullptr);
    const std::string firstSave = TempFolder() + "first-" + c.name + ".ini";
    const std::string saved = Save(first, firstSave, c.section);
    EXPECT_EQ(Printable(held(first, firstSave)), Printable(c.held)) << c.name << ": as read from the file";
    Destroy(first);
    EXPECT_EQ(saved.compare(0, c.section.size() + 4, "[" + c.section + "]\r\n"), 0)
        << c.name << ": saved into another section: " << saved.substr(0, 40);
    EXPECT_EQ(saved.find('[', 1), std::string::npos) << c.name << ": more than one section saved";

    dockhost::Docklet* second = Create(firstSave.c_str(), c.section.c_str());
    ASSERT_NE(second, nullptr);
    const std::string secondSave = TempFolder() + "second-" + c.name + ".ini";
    const std::string savedAgain = Save(second, secondSave, c.section);
    EXPECT_EQ(Printable(held(second, secondSave)), Printable(c.held)) << c.name << ": after a save and a load";
    EXPECT_EQ(savedAgain, saved) << c.name << ": the second save differs from the first";
}

INSTANTIATE_TEST_SUITE_P(Settings, SettingsRoundTrip, ::testing::ValuesIn(ROUND_TRIP_CASES),
                         [](const ::testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });
