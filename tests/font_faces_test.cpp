// The Font page's face list with generated faces: names that begin other
// names are listed too, a saved face that only begins a listed name selects
// the first such entry, and one that is not listed is kept as it was.
#include "harness.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <set>

#include "config/resource.h"
#include "fontgen.h"

using harness::DockTest;

namespace {

const int FONT_PAGE = 2;
const wchar_t LONGER[] = L"Moravel Face Black";
const wchar_t SHORTER[] = L"Moravel Face";

std::wstring Lower(std::wstring text)
{
    if (!text.empty())
        CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

bool Begins(const std::wstring& name, const std::wstring& prefix)
{
    return name.size() >= prefix.size() && Lower(name.substr(0, prefix.size())) == Lower(prefix);
}

std::vector<std::wstring> ComboItems(HWND page)
{
    std::vector<std::wstring> items;
    HWND comboBox = GetDlgItem(page, IDC_FONT_FACE);
    const LRESULT count = SendMessageW(comboBox, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        if (SendMessageW(comboBox, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 256)
            SendMessageW(comboBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::wstring SelectedItem(HWND page)
{
    const LRESULT selection = SendDlgItemMessageW(page, IDC_FONT_FACE, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR)
        return std::wstring();
    return ComboItems(page).at(static_cast<size_t>(selection));
}

// A name the system lists (first) and a name that begins it but is listed
// after it: the order in which a look-up by prefix ("is it listed yet?")
// would drop the later one.
struct LaterPrefix {
    std::wstring longer, prefix;
};

// The faces of the process for the whole program: the two named above, the
// longer one added first, and for each name of this machine with more than
// one word that name less its last word, when no face has it. Systems that
// enumerate faces in the order they were added list the longer generated
// one first; those that sort their list (Wine) still list their preferred
// families ahead of the rest, and a shortened name of one of those comes
// after it.
class Faces {
public:
    static Faces& Get()
    {
        static Faces faces;
        return faces;
    }

    bool Ready() const { return ready_; }
    const std::string& Error() const { return error_; }
    const std::vector<LaterPrefix>& LaterPrefixes() const { return laterPrefixes_; }

private:
    Faces() : generated_(dockhost::Widen(harness::TempFolder()) + L"faces")
    {
        const std::vector<std::wstring> machine = fontgen::TrueTypeFaceNames();
        std::set<std::wstring> known;
        for (const std::wstring& name : machine)
            known.insert(Lower(name));
        std::vector<std::wstring> families = {LONGER, SHORTER};
        for (const std::wstring& name : machine) {
            const size_t space = name.find_last_of(L' ');
            if (name[0] == L'@' || space == std::wstring::npos || space == 0)
                continue;
            const std::wstring shortened = name.substr(0, space);
            if (known.insert(Lower(shortened)).second)
                families.push_back(shortened);
        }
        if (!generated_.Install(families)) {
            error_ = dockhost::Narrow(generated_.Error());
            return;
        }
        const std::vector<std::wstring> missing = fontgen::MissingTrueTypeFaces(families);
        if (!missing.empty()) {
            error_ = "not listed as a TrueType face: " + dockhost::Narrow(missing[0]);
            return;
        }
        // In the order of the enumeration: which names come after one they begin.
        const std::vector<std::wstring> order = fontgen::TrueTypeFaceNames();
        for (size_t later = 0; later < order.size(); ++later) {
            for (size_t earlier = 0; earlier < later; ++earlier) {
                if (order[earlier].size() > order[later].size() && Begins(order[earlier], order[later])) {
                    laterPrefixes_.push_back({order[earlier], order[later]});
                    break;
                }
            }
        }
        ready_ = true;
    }

    fontgen::GeneratedFaces generated_;
    bool ready_ = false;
    std::string error_;
    std::vector<LaterPrefix> laterPrefixes_;
};

} // namespace

class FontFaces : public harness::FrozenDockletTest {
protected:
    FontFaces() : FrozenDockletTest(55) {}

    void SetUp() override
    {
        // Before the dock starts GDI+, so that its installed fonts include these.
        ASSERT_TRUE(Faces::Get().Ready()) << Faces::Get().Error();
        FrozenDockletTest::SetUp();
    }

    // Opens the sheet on the Font page, runs `look` there, then presses `button`.
    void OnFontPage(std::function<void(HWND)> look, int button) { OnPage(FONT_PAGE, look, button); }
};

TEST_F(FontFaces, NamesThatBeginOtherNamesAreListed)
{
    std::vector<std::wstring> items;
    OnFontPage([&items](HWND page) { items = ComboItems(page); }, PSBTN_CANCEL);

    EXPECT_EQ(std::count(items.begin(), items.end(), std::wstring(LONGER)), 1);
    EXPECT_EQ(std::count(items.begin(), items.end(), std::wstring(SHORTER)), 1);

    const std::vector<LaterPrefix>& later = Faces::Get().LaterPrefixes();
    EXPECT_FALSE(later.empty()) << "no name is enumerated after a name it begins: nothing here shows whether "
                                   "the page would drop such a name";
    for (const LaterPrefix& pair : later) {
        EXPECT_EQ(std::count(items.begin(), items.end(), pair.prefix), 1)
            << dockhost::Narrow(pair.prefix) << " (enumerated after " << dockhost::Narrow(pair.longer) << ")";
    }

    // Every TrueType name once, and nothing else.
    std::set<std::wstring> expected, listed;
    for (const std::wstring& name : fontgen::TrueTypeFaceNames())
        expected.insert(Lower(name));
    for (const std::wstring& item : items)
        EXPECT_TRUE(listed.insert(Lower(item)).second) << dockhost::Narrow(item) << " is listed twice";
    EXPECT_EQ(listed, expected);
}

TEST_F(FontFaces, TheListIsInTheOrderItsComboBoxSortsIn)
{
    std::vector<std::wstring> items, resorted;
    OnFontPage(
        [&](HWND page) {
            items = ComboItems(page);
            // The same names, sorted by the control itself as each is added.
            HWND comboBox = GetDlgItem(page, IDC_FONT_FACE);
            SendMessageW(comboBox, CB_RESETCONTENT, 0, 0);
            for (auto item = items.rbegin(); item != items.rend(); ++item)
                SendMessageW(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item->c_str()));
            resorted = ComboItems(page);
        },
        PSBTN_CANCEL);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items, resorted);
}

TEST_F(FontFaces, ASavedPrefixSelectsTheFirstEntryThatBeginsWithIt)
{
    Restart({{"FontName", "Moravel Fa"}});
    int first = -1;
    LRESULT selection = CB_ERR;
    OnFontPage(
        [&](HWND page) {
            const std::vector<std::wstring> items = ComboItems(page);
            for (size_t i = 0; i < items.size() && first < 0; ++i) {
                if (Begins(items[i], L"Moravel Fa"))
                    first = static_cast<int>(i);
            }
            selection = SendDlgItemMessageW(page, IDC_FONT_FACE, CB_GETCURSEL, 0, 0);
            EXPECT_EQ(SelectedItem(page), SHORTER);
        },
        PSBTN_OK);
    EXPECT_GE(first, 0);
    EXPECT_EQ(selection, first);
    EXPECT_EQ(Saved(docklet, "FontName"), dockhost::Narrow(SHORTER)) << "OK stores the entry's full name";
}

TEST_F(FontFaces, TheSampleDrawsTheFaceTheListShows)
{
    // The sample of a saved name that only begins a listed face, of that
    // face's full name, and of a name no font has.
    const wchar_t* const saved[] = {L"Moravel Fa", SHORTER, L"Moravel Nowhere"};
    std::vector<harness::Pixels> samples;
    for (const wchar_t* name : saved) {
        Restart({{"FontName", dockhost::Narrow(name)}});
        OnFontPage([&samples](HWND page) { samples.push_back(harness::PictureOf(page, IDC_FONT_PREVIEW)); },
                   PSBTN_CANCEL);
    }
    ASSERT_EQ(samples.size(), 3u);
    ASSERT_FALSE(samples[0].Empty());
    EXPECT_EQ(samples[0].argb, samples[1].argb) << "the sample draws the selected entry's face";
    EXPECT_NE(samples[1].argb, samples[2].argb) << "a face no font has draws another sample";
}

TEST_F(FontFaces, ASavedFaceThatIsNotListedIsKeptOnOk)
{
    Restart({{"FontName", "Moravel Nowhere"}});
    LRESULT selection = 0;
    OnFontPage(
        [&selection](HWND page) { selection = SendDlgItemMessageW(page, IDC_FONT_FACE, CB_GETCURSEL, 0, 0); },
        PSBTN_OK);
    EXPECT_EQ(selection, CB_ERR) << "nothing is selected";
    EXPECT_EQ(Saved(docklet, "FontName"), "Moravel Nowhere");
}

TEST_F(FontFaces, TheFullNameOfASelectedFaceIsKeptOnOk)
{
    Restart({{"FontName", dockhost::Narrow(LONGER)}});
    std::wstring shown;
    OnFontPage([&shown](HWND page) { shown = SelectedItem(page); }, PSBTN_OK);
    EXPECT_EQ(shown, LONGER) << "an exact name selects its own entry";
    EXPECT_EQ(Saved(docklet, "FontName"), dockhost::Narrow(LONGER));
}

namespace {

uint32_t Word32(const std::string& data, size_t at)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(data[at])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(data[at + 1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(data[at + 2])) << 8 | static_cast<uint8_t>(data[at + 3]);
}

uint32_t SumOfWords(const std::string& data, size_t at, size_t length)
{
    std::string padded = data.substr(at, length);
    padded.resize((padded.size() + 3) / 4 * 4, '\0');
    uint32_t sum = 0;
    for (size_t i = 0; i < padded.size(); i += 4)
        sum += Word32(padded, i);
    return sum;
}

} // namespace

TEST(FontGen, RenamedCopiesAreListedAsTrueTypeFacesUntilRemoved)
{
    const std::wstring folder = dockhost::Widen(harness::TempFolder()) + L"fontgen";
    const std::vector<std::wstring> families = fontgen::NumberedFamilies(L"Moravel Gen", 1, 3);
    ASSERT_EQ(families, (std::vector<std::wstring>{L"Moravel Gen 0001", L"Moravel Gen 0002", L"Moravel Gen 0003"}));
    {
        fontgen::GeneratedFaces faces(folder);
        ASSERT_TRUE(faces.Install(families)) << dockhost::Narrow(faces.Error());
        EXPECT_EQ(faces.Count(), 3u);
        EXPECT_TRUE(fontgen::MissingTrueTypeFaces(families).empty());
        faces.Remove();
        EXPECT_EQ(fontgen::MissingTrueTypeFaces(families), families) << "removed again";
    }

    // The file: a name table at the end, 4-byte aligned, its checksum in the
    // directory, and the whole file summing to 0xB1B0AFBA.
    const std::wstring target = folder + L"\\check.ttf";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(fontgen::WriteRenamedFont(fontgen::TahomaPath(), target, L"Moravel Check"));
    const std::string font = harness::ReadFile(dockhost::Narrow(target));
    DeleteFileW(target.c_str());
    RemoveDirectoryW(folder.c_str());
    ASSERT_GT(font.size(), 12u);
    EXPECT_EQ(font.size() % 4, 0u);
    const unsigned tables = static_cast<uint8_t>(font[4]) << 8 | static_cast<uint8_t>(font[5]);
    bool found = false;
    for (unsigned i = 0; i < tables; ++i) {
        const size_t record = 12 + 16 * i;
        if (font.compare(record, 4, "name") != 0)
            continue;
        found = true;
        const uint32_t checksum = Word32(font, record + 4), offset = Word32(font, record + 8);
        const uint32_t length = Word32(font, record + 12);
        EXPECT_EQ(offset % 4, 0u);
        EXPECT_EQ((offset + length + 3) / 4 * 4, font.size()) << "the last table";
        EXPECT_EQ(SumOfWords(font, offset, length), checksum);
        const std::string table = font.substr(offset, length);
        const std::string family("\0M\0o\0r\0a\0v\0e\0l\0 \0C\0h\0e\0c\0k", 26);
        EXPECT_NE(table.find(family), std::string::npos) << "the family in UTF-16BE";
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(SumOfWords(font, 0, font.size()), 0xB1B0AFBAu);

    EXPECT_FALSE(fontgen::WriteRenamedFont(fontgen::TahomaPath(), target, L"")) << "no family";
    EXPECT_FALSE(fontgen::WriteRenamedFont(fontgen::TahomaPath(), target, std::wstring(LF_FACESIZE, L'x')));
    EXPECT_FALSE(fontgen::WriteRenamedFont(folder + L"\\missing.ttf", target, L"Moravel Check"));
}
