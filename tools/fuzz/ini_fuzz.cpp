// fuzz_ini: hostile INI sections against the real module, in a host process.
//
//   fuzz_ini [--seed N] [--cases N] [--short] [--case N] [--verbose] [--keep]
//
// Each case writes an INI file made from its own seed (random bytes and
// lengths, non-ASCII text in ANSI, UTF-8 and UTF-16 files, huge and negative
// numbers, missing, repeated, unknown and oddly cased keys, over-long values
// and paths, printf directives, lines without '='), creates a docklet on it
// through the dock, refreshes it, saves it into a fresh file, destroys it,
// then loads the saved file into a new docklet and saves that again. It
// checks that nothing crashes or hangs, that each save writes the 25 keys in
// their order into the named section and nothing else, that the second save
// equals the first, that every text field stays terminated within its
// capacity and that the label is bounded; it times every refresh.
//
// Full mode runs 10,000 cases, --short 80. The exit status is 0 when no
// fault was found; times are printed, never judged.
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "core/docklet.h"
#include "fuzz_support.h"
#include "record.h"

using fuzz::Rng;

namespace {

const char USAGE[] = "fuzz_ini [--seed N] [--cases N] [--short] [--case N] [--verbose] [--keep]\n";
const long long FULL_CASES = 10000;
const long long SHORT_CASES = 80;
const double REFRESH_BOUND_MS = 250.0;
const int TICKS_FIRST = 3;
const int TICKS_SECOND = 1;

enum Kind { TEXT, INT, ALPHA };

struct Key {
    const char* name;
    Kind kind;
    size_t capacity; // text keys: the field's units, terminator included
};

// The module's settings, in the order it writes them.
const Key KEYS[] = {
    {"Title", TEXT, TITLE_CAPACITY},
    {"Command", TEXT, COMMAND_CAPACITY},
    {"Parameters", TEXT, COMMAND_CAPACITY},
    {"Celcius", INT, 0},
    {"ImagesFolder", TEXT, PATH_CAPACITY},
    {"BackgroundImage", TEXT, PATH_CAPACITY},
    {"FontName", TEXT, FONT_NAME_CAPACITY},
    {"FontSize", INT, 0},
    {"FontColor", INT, 0},
    {"FontAlpha", ALPHA, 0},
    {"Outline", INT, 0},
    {"OutlineColor", INT, 0},
    {"OutlineAlpha", ALPHA, 0},
    {"Shadow", INT, 0},
    {"ShadowColor", INT, 0},
    {"ShadowAlpha", ALPHA, 0},
    {"CpuColor", INT, 0},
    {"CpuAlpha", ALPHA, 0},
    {"BackgroundColor", INT, 0},
    {"BackgroundAlpha", ALPHA, 0},
    {"FrameColor", INT, 0},
    {"FrameAlpha", ALPHA, 0},
    {"Gradient", INT, 0},
    {"DockletData", INT, 0},
    {"LabelData", INT, 0},
};
const size_t KEY_COUNT = sizeof KEYS / sizeof KEYS[0];

// ---- Generation. Text is built as UTF-16 units; an ANSI file keeps only
// units up to 0xFF, one byte each. ----

enum Encoding { ANSI, UTF8_BOM, UTF16_BOM, ENCODING_COUNT };
const char* const ENCODING_NAMES[] = {"ansi", "utf-8", "utf-16"};

struct Generator {
    Rng& rng;
    Encoding encoding;

    wchar_t Unit(bool anyByte)
    {
        if (encoding == UTF16_BOM && rng.Chance(40)) {
            static const wchar_t WIDE[] = {0x0416, 0x4E2D, 0x20AC, 0xFFFD, 0xFEFF, 0xD83D, 0xDE00, 0xDC00,
                                           0xFFFF, 0x00E9, 0x0660, 0x200B, 0x202E, 0x3000};
            return rng.Chance(50) ? rng.Pick(WIDE) : static_cast<wchar_t>(rng.Between(0x100, 0xFFFF));
        }
        if (anyByte)
            return static_cast<wchar_t>(rng.Between(1, 255));
        return static_cast<wchar_t>(rng.Between(0x20, 0x7E));
    }

    std::wstring Units(size_t length, bool anyByte)
    {
        std::wstring text;
        for (size_t i = 0; i < length; ++i) {
            wchar_t unit = Unit(anyByte);
            if (unit == L'\n')
                unit = L'n';
            text.push_back(unit);
        }
        return text;
    }

    std::wstring Repeat(const std::wstring& piece, size_t length)
    {
        std::wstring text;
        while (text.size() < length)
            text += piece;
        text.resize(length);
        return text;
    }

    size_t LongLength()
    {
        static const size_t LENGTHS[] = {31, 32, 33, 259, 260, 261, 262, 269, 270, 271, 272, 300, 499, 500, 501, 1024,
                                         4000, 40000};
        return rng.Pick(LENGTHS);
    }

    std::wstring Number()
    {
        static const wchar_t* const NUMBERS[] = {
            L"0", L"1", L"-1", L"2", L"3", L"4", L"7", L"8", L"16", L"31", L"32", L"255", L"256", L"-255",
            L"2147483647", L"-2147483648", L"2147483648", L"-2147483649", L"4294967295", L"4294967296",
            L"99999999999999999999", L"-99999999999999999999", L"999999999999999999999999999999",
            L"-1347849200", L"1000000", L"100000", L"10000", L"1024", L"1025", L"1023", L"-1024", L"-1025",
            L"16777215", L"16777216", L"65280", L"34", L"18", L"-16", L"-5", L"0x7FFFFFFF", L"0x10", L"1e9",
            L"12ab", L"abc", L"", L"+3", L"  -7", L"--5", L"+-1", L" 42 ", L"\"12\"", L"'7'", L"%d", L"%n",
            L"1,5", L"3.7", L"-0", L"00000000000000000000034", L"\x0663", L"\xFF11\xFF12", L"\t9",
        };
        switch (rng.Below(6)) {
        case 0:
        case 1:
        case 2:
            return rng.Pick(NUMBERS);
        case 3: {
            wchar_t text[20];
            swprintf(text, 20, L"%d", static_cast<int>(rng.Bits32()));
            return text;
        }
        case 4: {
            std::wstring digits = rng.Chance(50) ? L"-" : L"";
            const size_t length = rng.Between(1, 30);
            for (size_t i = 0; i < length; ++i)
                digits.push_back(static_cast<wchar_t>(L'0' + rng.Below(10)));
            return digits;
        }
        default:
            return Units(rng.Between(0, 12), true);
        }
    }

    std::wstring Text()
    {
        static const wchar_t* const PRINTF[] = {L"%s", L"%n", L"%ls", L"%S", L"%p", L"%999999d", L"%x", L"%hs",
                                                L"%.99999f", L"%*d", L"%%", L"%c", L"%1$s", L"%I64d"};
        static const wchar_t* const SPECIAL[] = {
            L"background.png", L"BACKGROUND.PNG", L"empty.png", L".", L".\\", L"..\\..\\..\\x.png", L"\\\\?\\C:\\a",
            L"\\\\server\\share\\b.png", L"C:\\", L"C:", L"CON", L"NUL", L"icons", L"Tahoma", L"Arial",
            L"Courier New", L"Wingdings", L"No Such Font", L"@Tahoma", L"Marlett", L"Symbol", L"\"quoted\"",
            L"'single'", L"\"", L"\"\"x\"\"", L" spaced ", L"\" spaced \"", L"a=b=c", L";not a comment",
            L"[Section]", L"\t", L"notepad.exe", L"cmd /c exit", L"%TEMP%\\x", L"\xE9t\xE9", L"caf\xE9",
        };
        switch (rng.Below(10)) {
        case 0:
            return L"";
        case 1:
            return rng.Pick(SPECIAL);
        case 2: {
            std::wstring text;
            const int count = rng.Between(1, 12);
            for (int i = 0; i < count; ++i)
                text += std::wstring(rng.Pick(PRINTF)) + (rng.Chance(50) ? L" " : L"");
            return text;
        }
        case 3:
            return Repeat(rng.Chance(50) ? L"x" : Units(rng.Between(1, 9), false), LongLength());
        case 4: {
            // Paths beyond MAX_PATH and the fields' 270 units.
            static const wchar_t* const ROOTS[] = {L"C:\\", L".\\", L"..\\", L"\\\\srv\\share\\", L"", L"D:"};
            std::wstring path = rng.Pick(ROOTS);
            const size_t length = LongLength();
            while (path.size() < length)
                path += Units(rng.Between(1, 20), false) + L"\\";
            if (rng.Chance(50))
                path += L"background.png";
            return path;
        }
        case 5:
            return Units(rng.Between(1, 300), true);
        case 6:
            return Units(LongLength(), true);
        default:
            return Units(rng.Between(0, 40), rng.Chance(30));
        }
    }

    std::wstring ValueFor(const Key& key)
    {
        if (key.kind == TEXT)
            return rng.Chance(15) ? Number() : Text();
        return rng.Chance(10) ? Text() : Number();
    }

    std::wstring OddCase(const char* name)
    {
        std::wstring text;
        for (const char* c = name; *c; ++c) {
            wchar_t unit = static_cast<wchar_t>(*c);
            if (rng.Chance(50))
                unit = static_cast<wchar_t>(iswupper(unit) ? towlower(unit) : towupper(unit));
            text.push_back(unit);
        }
        return text;
    }

    std::wstring Line(const std::wstring& key, const std::wstring& value)
    {
        static const wchar_t* const AROUND[] = {L"", L" ", L"\t", L"  "};
        return rng.Pick(AROUND) + key + rng.Pick(AROUND) + L"=" + rng.Pick(AROUND) + value;
    }

    // Lines that are not settings of the section.
    std::wstring Noise()
    {
        static const wchar_t* const UNKNOWN[] = {L"Titles", L"Font Size", L"FontSize2", L"Celsius", L"Cpu",
                                                 L"GpuColor", L"", L"=", L"==", L"Unknown", L"LabelDat"};
        switch (rng.Below(7)) {
        case 0:
            return Line(rng.Pick(UNKNOWN), Text());
        case 1:
            return dockhost::Widen(KEYS[rng.Below(KEY_COUNT)].name); // a key without '='
        case 2:
            return L";" + dockhost::Widen(KEYS[rng.Below(KEY_COUNT)].name) + L"=comment";
        case 3:
            return L"";
        case 4:
            return Units(rng.Between(1, 80), true);
        case 5:
            return Line(Units(rng.Between(1, 20), true), Text());
        default:
            return L"garbage line without equals";
        }
    }
};

struct IniCase {
    std::string section;  // as the host names it (8-bit)
    std::string fileName; // below the temp folder
    Encoding encoding;
    std::wstring document;
};

std::string SectionName(Rng& rng)
{
    switch (rng.Below(6)) {
    case 0:
        return "Docklet" + std::to_string(rng.Below(100));
    case 1:
        return "Moravel Docklet " + std::to_string(rng.Below(10));
    case 2: {
        std::string name = "S";
        const int length = rng.Between(1, 60);
        for (int i = 0; i < length; ++i)
            name.push_back(static_cast<char>(rng.Chance(10) ? ' ' : rng.Between('!', '~')));
        // Hosts name sections without brackets or outer blanks.
        for (char& c : name)
            if (c == '[' || c == ']')
                c = '_';
        if (name.back() == ' ')
            name.back() = '_';
        return name;
    }
    case 3:
        return "%s%n%p %999999d";
    case 4: {
        // 8-bit names: bytes of the host's ANSI code page.
        std::string name = "Dock";
        const int length = rng.Between(1, 8);
        for (int i = 0; i < length; ++i)
            name.push_back(static_cast<char>(rng.Between(0x80, 0xFF)));
        return name;
    }
    default:
        return "docklet";
    }
}

IniCase MakeCase(Rng& rng, long long index)
{
    IniCase c;
    const uint32_t encodingRoll = rng.Below(10);
    c.encoding = encodingRoll < 8 ? ANSI : (encodingRoll == 8 ? UTF8_BOM : UTF16_BOM);
    c.section = SectionName(rng);
    c.fileName = "case" + std::to_string(index) + ".ini";
    if (rng.Chance(5)) // a file name in the host's code page
        c.fileName = "case" + std::to_string(index) + "-" + std::string(1, static_cast<char>(rng.Between(0x80, 0xFF))) +
                     ".ini";
    Generator g = {rng, c.encoding};

    std::vector<std::wstring> lines;
    const wchar_t* const newline = rng.Chance(85) ? L"\r\n" : L"\n";
    // What comes before the section: global keys and another section.
    if (rng.Chance(30))
        lines.push_back(g.Line(L"Title", L"before any section"));
    if (rng.Chance(40)) {
        lines.push_back(L"[Other]");
        for (int i = 0; i < 3; ++i)
            lines.push_back(g.Line(dockhost::Widen(KEYS[rng.Below(KEY_COUNT)].name), g.ValueFor(KEYS[0])));
    }
    std::wstring header = dockhost::Widen(c.section);
    if (rng.Chance(15))
        header = g.OddCase(c.section.c_str());
    lines.push_back(L"[" + header + L"]");

    std::vector<std::wstring> body;
    for (const Key& key : KEYS) {
        const uint32_t roll = rng.Below(100);
        if (roll < 15)
            continue; // missing
        const int copies = roll < 30 ? rng.Between(2, 3) : 1;
        for (int i = 0; i < copies; ++i) {
            std::wstring name = dockhost::Widen(key.name);
            if (rng.Chance(10))
                name = g.OddCase(key.name);
            body.push_back(g.Line(name, g.ValueFor(key)));
        }
    }
    const int noise = rng.Between(0, 8);
    for (int i = 0; i < noise; ++i)
        body.push_back(g.Noise());
    // Shuffled: the module must not depend on the file's order.
    for (size_t i = body.size(); i > 1; --i)
        std::swap(body[i - 1], body[rng.Below(static_cast<uint32_t>(i))]);
    lines.insert(lines.end(), body.begin(), body.end());

    if (rng.Chance(30)) {
        lines.push_back(L"[After]");
        lines.push_back(g.Line(L"FontSize", L"77"));
    }
    for (const std::wstring& line : lines)
        c.document += line + newline;
    if (rng.Chance(10) && !c.document.empty())
        c.document.pop_back(); // no final line end
    return c;
}

std::string Encode(const IniCase& c)
{
    std::string bytes;
    switch (c.encoding) {
    case ANSI:
        for (wchar_t unit : c.document)
            bytes.push_back(static_cast<char>(unit <= 0xFF ? unit : '?'));
        break;
    case UTF8_BOM: {
        bytes = "\xEF\xBB\xBF";
        const int needed = WideCharToMultiByte(CP_UTF8, 0, c.document.data(), static_cast<int>(c.document.size()),
                                               nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<size_t>(needed), 0);
        WideCharToMultiByte(CP_UTF8, 0, c.document.data(), static_cast<int>(c.document.size()), &utf8[0], needed,
                            nullptr, nullptr);
        bytes += utf8;
        break;
    }
    case UTF16_BOM:
        bytes = "\xFF\xFE";
        for (wchar_t unit : c.document) {
            bytes.push_back(static_cast<char>(unit & 0xFF));
            bytes.push_back(static_cast<char>(unit >> 8));
        }
        break;
    default:
        break;
    }
    return bytes;
}

// ---- Checks. ----

struct Run {
    dockhost::Dock& dock;
    fuzz::Faults& faults;
    fuzz::Counts& counts;
    fuzz::TimeStats& createTimes;
    fuzz::TimeStats& tickTimes;
    fuzz::TimeStats& hugeFontTicks; // ticks of docklets whose font size is beyond the drawing bound
    long long index;

    void Fault(const std::string& what) { faults.Add(index, what); }
};

bool IsDecimalInt(const std::string& text, long long& value)
{
    if (text.empty() || text.size() > 11)
        return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return false;
    for (size_t j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9')
            return false;
    value = strtoll(text.c_str(), nullptr, 10);
    return value >= -2147483648LL && value <= 2147483647LL && std::to_string(value) == text;
}

// The saved file must hold the named section with the 25 keys in order, each
// with a well-formed value, and nothing else.
void CheckSaved(Run& run, const std::string& bytes, const std::string& section, const char* which)
{
    const std::string tag = std::string(which) + ": ";
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            run.Fault("save without final line end: " + tag + fuzz::Escaped(bytes.substr(start), 80));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    if (lines.empty()) {
        run.Fault("nothing saved: " + tag + "section [" + fuzz::Escaped(section) + "]");
        return;
    }
    if (lines[0] != "[" + section + "]")
        run.Fault("saved into another section: " + tag + fuzz::Escaped(lines[0]) + " for [" +
                  fuzz::Escaped(section) + "]");
    size_t line = 1;
    for (const Key& key : KEYS) {
        if (line >= lines.size()) {
            run.Fault(std::string("key not saved: ") + tag + key.name);
            return;
        }
        const std::string& text = lines[line];
        const size_t equals = text.find('=');
        const std::string name = text.substr(0, equals);
        if (equals == std::string::npos || name != key.name) {
            run.Fault(std::string("saved out of order or unknown: ") + tag + "expected " + key.name + ", found " +
                      fuzz::Escaped(text, 80));
            return;
        }
        const std::string value = text.substr(equals + 1);
        long long number = 0;
        if (key.kind == TEXT) {
            // A value saved inside quotes reads back without them.
            const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
            if (value.size() - (quoted ? 2 : 0) + 1 > key.capacity)
                run.Fault(std::string("saved text longer than its field: ") + tag + key.name + " has " +
                          std::to_string(value.size()) + " bytes");
            if (value.find('\r') != std::string::npos || value.find('\n') != std::string::npos)
                run.Fault(std::string("saved text with a line end: ") + tag + key.name);
        } else if (!IsDecimalInt(value, number)) {
            run.Fault(std::string("saved number malformed: ") + tag + key.name + "=" + fuzz::Escaped(value, 40));
        } else if (key.kind == ALPHA && (number < 0 || number > 255)) {
            run.Fault(std::string("saved alpha out of range: ") + tag + key.name + "=" + value);
        }
        ++line;
    }
    for (; line < lines.size(); ++line)
        run.Fault("saved more than the 25 keys: " + tag + fuzz::Escaped(lines[line], 80));
}

// Every text the docklet holds ends within its field.
void CheckHeldTexts(Run& run, const dockhost::Docklet* docklet, const char* which)
{
    for (const record::HeldText& text : record::Texts(docklet))
        if (!wmemchr(text.units, 0, text.capacity))
            run.Fault(std::string("field not terminated: ") + which + ": " + text.key);
}

// "GPU Temperature: N \xB0C" or "... \xB0F", N a decimal int.
bool TemperatureLabel(const std::string& label)
{
    const std::string head = "GPU Temperature: ";
    if (label.compare(0, head.size(), head) != 0 || label.size() < head.size() + 4)
        return false;
    const std::string tail = label.substr(label.size() - 3);
    long long value = 0;
    return (tail == " \xB0" "C" || tail == " \xB0" "F") &&
           IsDecimalInt(label.substr(head.size(), label.size() - head.size() - 3), value);
}

// The docklet holds the title that the host's own reading of its file and
// section gives (8-bit names and values in the host's ANSI code page).
void CheckTitleAsTheHostReadsIt(Run& run, const dockhost::Docklet* docklet, const std::string& file,
                                const std::string& section)
{
    char expected[300] = "";
    const DWORD length =
        GetPrivateProfileStringA(section.c_str(), "Title", "Moravel", expected, sizeof expected, file.c_str());
    if (length >= 259)
        return; // cut when read: checked by the round trip
    char held[2 * TITLE_CAPACITY] = "";
    WideCharToMultiByte(CP_ACP, 0, record::Text(docklet, "Title").c_str(), -1, held, sizeof held, nullptr, nullptr);
    if (std::string(held) != expected)
        run.Fault("title differs from the file's: held " + fuzz::Escaped(held, 60) + ", file says " +
                  fuzz::Escaped(expected, 60));
}

// The label is bounded and, where it shows the title, shows exactly it.
void CheckLabel(Run& run, dockhost::Docklet* docklet, const char* which)
{
    const long labelData = record::Number(docklet, "LabelData");
    const std::string label = fuzz::LabelOf(docklet);
    const std::string tag = std::string(which) + ": ";
    if (label.size() >= LABEL_BYTES)
        run.Fault("label too long: " + tag + std::to_string(label.size()) + " bytes");
    const long shown = labelData & (LABEL_HIDE | LABEL_TEMPERATURE | LABEL_FULL_NAME | LABEL_VENDOR_STRING);
    if ((labelData & LABEL_TITLE) && shown == 0) {
        std::string title = dockhost::Narrow(record::Text(docklet, "Title"));
        if (title.size() >= LABEL_BYTES)
            title.resize(LABEL_BYTES - 1);
        if (label != title)
            run.Fault("title label differs: " + tag + fuzz::Escaped(label, 80) + " for " + fuzz::Escaped(title, 80));
        run.counts.Add("label: title");
    } else if (labelData & LABEL_HIDE) {
        if (!label.empty())
            run.Fault("hidden label shows text: " + tag + fuzz::Escaped(label, 80));
        run.counts.Add("label: hidden");
    } else if (labelData & LABEL_TEMPERATURE) {
        if (!TemperatureLabel(label))
            run.Fault("temperature label malformed: " + tag + fuzz::Escaped(label, 80));
        run.counts.Add("label: temperature");
    } else {
        run.counts.Add("label: name, vendor or unknown type");
    }
}

// The first line where two saves differ, shown from both.
std::string FirstDifference(const std::string& first, const std::string& second)
{
    size_t at = 0;
    while (at < first.size() && at < second.size() && first[at] == second[at])
        ++at;
    const size_t lineStart = at == 0 ? 0 : first.rfind('\n', at - 1) + 1;
    auto lineOf = [lineStart](const std::string& text) {
        const size_t end = text.find('\r', lineStart);
        return text.substr(lineStart, end == std::string::npos ? std::string::npos : end - lineStart);
    };
    const std::string a = lineOf(first), b = lineOf(second);
    return "first " + fuzz::Escaped(a, 90) + " (" + std::to_string(a.size()) + " bytes), second " +
           fuzz::Escaped(b, 90) + " (" + std::to_string(b.size()) + " bytes)";
}

void RemoveFile(const std::string& path)
{
    DeleteFileA(path.c_str());
}

// Beyond this the module draws text at this size (either sign).
const long long TEXT_SIZE_BOUND = 1024;

bool HugeFont(const dockhost::Docklet* docklet)
{
    const long long size = record::Number(docklet, "FontSize");
    return size > TEXT_SIZE_BOUND || size < -TEXT_SIZE_BOUND;
}

void Tick(Run& run, dockhost::Docklet* docklet)
{
    const double ms = fuzz::TimedTick(run.dock, docklet);
    run.tickTimes.Add(ms, run.index);
    if (HugeFont(docklet))
        run.hugeFontTicks.Add(ms, run.index);
}

// Whether a text field holds what the ANSI code page cannot write.
bool LosesText(const dockhost::Docklet* docklet)
{
    for (const record::HeldText& text : record::Texts(docklet)) {
        if (std::string(text.key) == "EmptyImage") // not saved
            continue;
        BOOL lost = FALSE;
        char bytes[2 * TITLE_CAPACITY];
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.units, -1, bytes, sizeof bytes, nullptr, &lost);
        if (lost)
            return true;
    }
    return false;
}

// A new docklet on a saved file, refreshed and saved into another.
bool LoadAndSave(Run& run, const std::string& from, const std::string& to, const std::string& section,
                 const char* which, std::string& saved)
{
    fuzz::EnterCase(run.index, which);
    const double start = dockhost::NowMilliseconds();
    dockhost::Docklet* docklet = run.dock.AddDocklet(from.c_str(), section.c_str());
    run.createTimes.Add(dockhost::NowMilliseconds() - start, run.index);
    if (!docklet || !docklet->instance) {
        run.Fault(std::string("no docklet created: ") + which);
        return false;
    }
    CheckHeldTexts(run, docklet, which);
    for (int tick = 0; tick < TICKS_SECOND; ++tick) {
        Tick(run, docklet);
        CheckLabel(run, docklet, which);
    }
    run.dock.Entry().OnSave(docklet->instance, const_cast<char*>(to.c_str()), const_cast<char*>(section.c_str()),
                            FALSE);
    run.dock.RemoveDocklet(docklet, false);
    saved = fuzz::ReadFile(to);
    CheckSaved(run, saved, section, which);
    return true;
}

void RunCase(Run& run, const IniCase& c, const std::string& folder, bool keep)
{
    const std::string iniPath = folder + c.fileName;
    const std::string firstSave = folder + "case" + std::to_string(run.index) + "-save1.ini";
    const std::string secondSave = folder + "case" + std::to_string(run.index) + "-save2.ini";
    RemoveFile(firstSave);
    RemoveFile(secondSave);
    if (!fuzz::WriteFile(iniPath, Encode(c))) {
        run.Fault("cannot write the case's file");
        return;
    }
    run.counts.Add(std::string("file: ") + ENCODING_NAMES[c.encoding]);
    dockhost::Services().Clear();

    fuzz::EnterCase(run.index, "first docklet: create");
    double start = dockhost::NowMilliseconds();
    dockhost::Docklet* docklet = run.dock.AddDocklet(iniPath.c_str(), c.section.c_str());
    run.createTimes.Add(dockhost::NowMilliseconds() - start, run.index);
    if (!docklet || !docklet->instance) {
        run.Fault("no docklet created");
        return;
    }
    CheckHeldTexts(run, docklet, "first docklet");
    if (c.encoding == ANSI)
        CheckTitleAsTheHostReadsIt(run, docklet, iniPath, c.section);
    CheckLabel(run, docklet, "first docklet, created");
    run.counts.Add(HugeFont(docklet) ? "font size: beyond +-1024" : "font size: within +-1024");
    const long dockletData = record::Number(docklet, "DockletData");
    run.counts.Add(dockletData & DOCKLET_GRAPH ? "icon: graph"
                                               : (dockletData & DOCKLET_TEMPERATURE ? "icon: text" : "icon: neither"));
    for (int tick = 0; tick < TICKS_FIRST; ++tick) {
        fuzz::EnterCase(run.index, "first docklet: refresh");
        Tick(run, docklet);
        CheckLabel(run, docklet, "first docklet, refreshed");
    }

    fuzz::EnterCase(run.index, "first docklet: export");
    char exported[600];
    memset(exported, 0xCC, sizeof exported);
    run.dock.Entry().OnExportFiles(docklet->instance, exported, 0);
    if (!memchr(exported, 0, 261))
        run.Fault("exported folder not terminated within 261 bytes");

    const bool lossy = LosesText(docklet);
    fuzz::EnterCase(run.index, "first docklet: save");
    run.dock.Entry().OnSave(docklet->instance, const_cast<char*>(firstSave.c_str()),
                            const_cast<char*>(c.section.c_str()), FALSE);
    fuzz::EnterCase(run.index, "first docklet: destroy");
    run.dock.RemoveDocklet(docklet, false);
    const std::string saved = fuzz::ReadFile(firstSave);
    CheckSaved(run, saved, c.section, "first save");

    std::string savedAgain;
    if (!LoadAndSave(run, firstSave, secondSave, c.section, "second docklet", savedAgain))
        return;
    if (savedAgain == saved) {
        run.counts.Add("round trip: stable");
    } else if (lossy) {
        // The first save wrote '?' for what the code page lacks: from there on
        // the saves must agree.
        const std::string thirdSave = folder + "case" + std::to_string(run.index) + "-save3.ini";
        std::string savedThird;
        if (LoadAndSave(run, secondSave, thirdSave, c.section, "third docklet", savedThird)) {
            if (savedThird != savedAgain)
                run.Fault("third save differs from the second: " + FirstDifference(savedAgain, savedThird));
            run.counts.Add("round trip: stable after the code page's loss");
        }
        RemoveFile(thirdSave);
    } else {
        run.Fault("second save differs from the first: " + FirstDifference(saved, savedAgain));
        run.counts.Add("round trip: changed");
    }
    if (!keep) {
        RemoveFile(iniPath);
        RemoveFile(firstSave);
        RemoveFile(secondSave);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    fuzz::Options options;
    if (!fuzz::ParseOptions(argc, argv, options, USAGE))
        return 0;
    bool keep = false;
    for (const std::string& extra : options.rest) {
        if (extra == "--keep") {
            keep = true;
        } else {
            fprintf(stderr, "unknown option %s\n%s", extra.c_str(), USAGE);
            return 2;
        }
    }
    const long long cases = options.cases > 0 ? options.cases : (options.shortMode ? SHORT_CASES : FULL_CASES);
    setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    fuzz::InstallGuard("fuzz_ini", options.seed, 60);

    // A steady driver answer, so that the label and the graph have readings.
    SetEnvironmentVariableW(L"MORAVEL_SIMGPU", L"demo");
    dockhost::Dock dock;
    if (!dockhost::UseDriverLibrary(dockhost::BuiltSimulatedDriver()) || !dock.LoadModule(dockhost::BuiltModule())) {
        fprintf(stderr, "fuzz_ini: cannot load the simulated driver or the module\n");
        return 2;
    }
    const std::string folder = fuzz::TempFolder("fuzz_ini");
    printf("fuzz_ini: seed %llu, %lld cases%s, files in %s\n", static_cast<unsigned long long>(options.seed),
           options.only >= 0 ? 1 : cases, options.shortMode ? " (short)" : "", folder.c_str());

    fuzz::Faults faults;
    fuzz::Counts counts;
    fuzz::TimeStats createTimes, tickTimes, hugeFontTicks;
    fuzz::CaseRun progress(1000);
    for (long long index = 0; index < cases; ++index) {
        if (options.only >= 0 && index != options.only)
            continue;
        Rng rng(fuzz::CaseSeed(options.seed, index));
        const IniCase c = MakeCase(rng, index);
        if (options.verbose || options.only >= 0)
            printf("case %lld: section [%s], %s file:\n%s\n", index, fuzz::Escaped(c.section).c_str(),
                   ENCODING_NAMES[c.encoding], fuzz::Escaped(Encode(c), 100000).c_str());
        Run run = {dock, faults, counts, createTimes, tickTimes, hugeFontTicks, index};
        RunCase(run, c, folder, keep);
        progress.CaseDone(faults);
    }
    progress.End();
    counts.Print("outcomes");
    createTimes.Print("creations (settings read, first refresh)", REFRESH_BOUND_MS);
    tickTimes.Print("refresh ticks", REFRESH_BOUND_MS);
    hugeFontTicks.Print("of which with font sizes beyond +-1024", REFRESH_BOUND_MS);
    progress.PrintFootprint(faults);
    faults.Print();
    printf("fuzz_ini: %lld cases, %lld faults\n", progress.Ran(), faults.Count());
    fflush(stdout);
    return faults.Count() ? 1 : 0;
}
