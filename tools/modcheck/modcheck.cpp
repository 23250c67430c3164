// modcheck: checks a built docklet module the way a dock host and a user's
// machine will see it: its machine type, its exported names, the DLLs it
// imports and its resources (dialog templates, emblem bitmap, manifest,
// version information, language); or the zip that users get, with the module
// inside it. Everything is read from the file itself, so the 32-bit module is
// checked as well as the 64-bit one.
//
//   modcheck MODULE --machine i386|amd64 --exports NAME,... [--same-address NAME,NAME] [--xp LIST]
//   modcheck --zip PACKAGE --machine i386|amd64 --exports NAME,... [--same-address NAME,NAME] [--xp LIST]
//
// --xp: every imported function is checked against LIST, the functions
// newer than Windows XP SP3 (tools/modcheck/newer-than-xp.txt).
//
// Prints one line per finding and exits non-zero on any failure.
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "zip.h"

namespace {

int failures = 0;

__attribute__((format(gnu_printf, 1, 2))) void Fail(const char* format, ...)
{
    printf("FAIL: ");
    va_list arguments;
    va_start(arguments, format);
    vprintf(format, arguments);
    va_end(arguments);
    printf("\n");
    ++failures;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return text;
}

std::vector<std::string> Split(const std::string& list)
{
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos)
            comma = list.size();
        if (comma > start)
            items.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

// A NUL-terminated UTF-16 string at `at`; `at` moves past the terminator.
std::wstring ReadWide(const Bytes& bytes, size_t& at)
{
    std::wstring text;
    for (; at + 2 <= bytes.size(); at += 2) {
        wchar_t c = static_cast<wchar_t>(Read16(bytes, at));
        if (!c)
            break;
        text.push_back(c);
    }
    at += 2;
    return text;
}

size_t Align4(size_t at) { return (at + 3) & ~static_cast<size_t>(3); }

bool ReadWholeFile(const std::wstring& path, Bytes& bytes)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    unsigned char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(file);
    return true;
}

struct Section {
    std::string name; // long names ("/NNN") resolved through the string table
    uint32_t rawSize = 0;
};

struct Export {
    std::string name;
    uint32_t address = 0;
};

struct Import {
    std::string dll, function; // function "#N" for an import by ordinal
};

// A resource's type and id are numbers in this module; a named one gets NAMED.
const uint32_t NAMED = 0xFFFFFFFF;

struct Resource {
    uint32_t type = 0, id = 0;
    uint16_t language = 0;
    uint32_t codePage = 0;
    Bytes data;
};

class PeFile {
public:
    explicit PeFile(Bytes bytes) : bytes_(std::move(bytes)) {}

    bool Parse()
    {
        if (bytes_.size() < 0x40 || Read16(bytes_, 0) != 0x5A4D)
            return false;
        peOffset_ = Read32(bytes_, 0x3C);
        if (peOffset_ + 24 > bytes_.size() || Read32(bytes_, peOffset_) != 0x00004550)
            return false;
        machine_ = Read16(bytes_, peOffset_ + 4);
        sectionCount_ = Read16(bytes_, peOffset_ + 6);
        optionalSize_ = Read16(bytes_, peOffset_ + 20);
        optional_ = peOffset_ + 24;
        magic_ = Read16(bytes_, optional_);
        return magic_ == 0x10B || magic_ == 0x20B;
    }

    uint16_t Machine() const { return machine_; }

    std::vector<Section> Sections() const
    {
        std::vector<Section> sections;
        uint32_t symbols = Read32(bytes_, peOffset_ + 12);
        size_t strings = symbols + 18 * static_cast<size_t>(Read32(bytes_, peOffset_ + 16));
        for (uint16_t i = 0; i < sectionCount_; ++i) {
            size_t header = optional_ + optionalSize_ + 40 * i;
            Section section;
            for (size_t at = header; at < header + 8 && at < bytes_.size() && bytes_[at]; ++at)
                section.name.push_back(static_cast<char>(bytes_[at]));
            if (section.name.size() > 1 && section.name[0] == '/' && symbols)
                section.name = String(strings + strtoul(section.name.c_str() + 1, nullptr, 10));
            section.rawSize = Read32(bytes_, header + 16);
            sections.push_back(section);
        }
        return sections;
    }

    std::vector<Export> Exports() const
    {
        std::vector<Export> exports;
        uint32_t directory = DirectoryRva(0);
        if (!directory)
            return exports;
        uint32_t base = Offset(directory);
        uint32_t count = Read32(bytes_, base + 24);
        uint32_t addresses = Offset(Read32(bytes_, base + 28));
        uint32_t nameTable = Offset(Read32(bytes_, base + 32));
        uint32_t ordinals = Offset(Read32(bytes_, base + 36));
        for (uint32_t i = 0; i < count; ++i) {
            uint16_t ordinal = Read16(bytes_, ordinals + 2 * i);
            exports.push_back({String(Offset(Read32(bytes_, nameTable + 4 * i))), Read32(bytes_, addresses + 4 * ordinal)});
        }
        return exports;
    }

    std::vector<std::string> ImportedDlls() const
    {
        std::vector<std::string> dlls;
        uint32_t directory = DirectoryRva(1);
        if (!directory)
            return dlls;
        for (uint32_t entry = Offset(directory); Read32(bytes_, entry + 12) != 0; entry += 20)
            dlls.push_back(String(Offset(Read32(bytes_, entry + 12))));
        return dlls;
    }

    std::vector<Import> ImportedFunctions() const
    {
        std::vector<Import> imports;
        uint32_t directory = DirectoryRva(1);
        if (!directory)
            return imports;
        const bool wide = magic_ == 0x20B;
        const size_t thunkSize = wide ? 8 : 4;
        for (uint32_t entry = Offset(directory); Read32(bytes_, entry + 12) != 0; entry += 20) {
            const std::string dll = String(Offset(Read32(bytes_, entry + 12)));
            // The name table, or the address table where a linker left no name table.
            uint32_t table = Read32(bytes_, entry);
            if (!table)
                table = Read32(bytes_, entry + 16);
            for (size_t at = Offset(table); at + thunkSize <= bytes_.size(); at += thunkSize) {
                const uint64_t thunk =
                    wide ? Read32(bytes_, at) | static_cast<uint64_t>(Read32(bytes_, at + 4)) << 32 : Read32(bytes_, at);
                if (!thunk)
                    break;
                const uint64_t byOrdinal = wide ? 1ull << 63 : 1ull << 31;
                if (thunk & byOrdinal)
                    imports.push_back({dll, "#" + std::to_string(thunk & 0xFFFF)});
                else
                    imports.push_back({dll, String(Offset(static_cast<uint32_t>(thunk)) + 2)});
            }
        }
        return imports;
    }

    // The Windows version the image asks for: operating system and subsystem.
    uint32_t OsVersion() const { return Read16(bytes_, optional_ + 40) << 16 | Read16(bytes_, optional_ + 42); }
    uint32_t SubsystemVersion() const { return Read16(bytes_, optional_ + 48) << 16 | Read16(bytes_, optional_ + 50); }

    // Every leaf of the resource tree: type, id, language, data.
    std::vector<Resource> Resources() const
    {
        std::vector<Resource> resources;
        uint32_t directory = DirectoryRva(2);
        if (directory) {
            Resource path;
            AddResources(Offset(directory), Offset(directory), 0, path, resources);
        }
        return resources;
    }

private:
    void AddResources(uint32_t base, uint32_t table, int level, Resource& path, std::vector<Resource>& resources) const
    {
        uint32_t count = Read16(bytes_, table + 12) + Read16(bytes_, table + 14);
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t entry = table + 16 + 8 * i;
            uint32_t name = Read32(bytes_, entry);
            uint32_t target = Read32(bytes_, entry + 4);
            uint32_t key = name & 0x80000000 ? NAMED : name;
            if (level == 0)
                path.type = key;
            else if (level == 1)
                path.id = key;
            else
                path.language = static_cast<uint16_t>(key);
            if (target & 0x80000000) {
                if (level < 2)
                    AddResources(base, base + (target & 0x7FFFFFFF), level + 1, path, resources);
                continue;
            }
            Resource leaf = path;
            uint32_t data = base + target;
            uint32_t at = Offset(Read32(bytes_, data));
            uint32_t size = Read32(bytes_, data + 4);
            leaf.codePage = Read32(bytes_, data + 8);
            if (at < bytes_.size() && size <= bytes_.size() - at)
                leaf.data.assign(bytes_.begin() + at, bytes_.begin() + at + size);
            resources.push_back(std::move(leaf));
        }
    }

    std::string String(size_t at) const
    {
        std::string text;
        while (at < bytes_.size() && bytes_[at])
            text.push_back(static_cast<char>(bytes_[at++]));
        return text;
    }
    uint32_t DirectoryRva(int index) const
    {
        size_t directories = optional_ + (magic_ == 0x20B ? 112 : 96);
        return Read32(bytes_, directories + 8 * index);
    }
    uint32_t Offset(uint32_t rva) const
    {
        size_t sections = optional_ + optionalSize_;
        for (uint16_t i = 0; i < sectionCount_; ++i) {
            size_t section = sections + 40 * i;
            uint32_t virtualAddress = Read32(bytes_, section + 12);
            uint32_t size = std::max(Read32(bytes_, section + 8), Read32(bytes_, section + 16));
            if (rva >= virtualAddress && rva < virtualAddress + size)
                return rva - virtualAddress + Read32(bytes_, section + 20);
        }
        return 0xFFFFFFFF;
    }

    Bytes bytes_;
    size_t peOffset_ = 0, optional_ = 0;
    uint16_t machine_ = 0, sectionCount_ = 0, optionalSize_ = 0, magic_ = 0;
};

// DLLs present on every Windows the dock runs on.
const char* const SYSTEM_DLLS[] = {
    "kernel32.dll", "user32.dll", "gdi32.dll",    "gdiplus.dll", "comctl32.dll", "comdlg32.dll",
    "shell32.dll",  "advapi32.dll", "msvcrt.dll", "ole32.dll",   "oleaut32.dll", "shlwapi.dll",
    "version.dll",  "uxtheme.dll",  "setupapi.dll",
};

// Resource types (the numbers behind RT_*).
const uint32_t TYPE_BITMAP = 2, TYPE_DIALOG = 5, TYPE_VERSION = 16, TYPE_MANIFEST = 24;
const uint16_t SPANISH_MEXICO = 0x080A;

const Resource* ResourceById(const std::vector<Resource>& resources, uint32_t type, uint32_t id)
{
    for (const Resource& resource : resources) {
        if (resource.type == type && resource.id == id)
            return &resource;
    }
    return nullptr;
}

void CheckExports(const PeFile& pe, const std::string& expected, const std::string& sameAddress)
{
    std::vector<Export> exports = pe.Exports();
    auto find = [&](const std::string& name) -> const Export* {
        for (const Export& entry : exports) {
            if (entry.name == name)
                return &entry;
        }
        return nullptr;
    };
    for (const std::string& name : Split(expected)) {
        if (!find(name))
            Fail("entry point %s is not exported by that exact name", name.c_str());
    }
    for (const Export& entry : exports) {
        if (entry.name.find_first_of("@?") != std::string::npos || entry.name[0] == '_')
            Fail("decorated export %s", entry.name.c_str());
    }
    printf("ok: %zu exports checked\n", exports.size());

    std::vector<std::string> names = Split(sameAddress);
    if (names.size() == 2) {
        const Export* first = find(names[0]);
        const Export* second = find(names[1]);
        if (first && second && first->address == second->address)
            printf("ok: %s and %s are one function\n", names[0].c_str(), names[1].c_str());
        else
            Fail("%s and %s are not one function", names[0].c_str(), names[1].c_str());
    }
}

void CheckImports(const PeFile& pe)
{
    for (const std::string& dll : pe.ImportedDlls()) {
        bool system = false;
        for (const char* known : SYSTEM_DLLS)
            system = system || Lower(dll) == known;
        if (!system && Lower(dll).rfind("api-ms-win-", 0) != 0)
            Fail("imports %s, which is not a system DLL", dll.c_str());
        else
            printf("ok: imports %s\n", dll.c_str());
    }
}

// Functions that Windows XP SP3 lacks, from a list kept beside this program:
// "dll function version" a line, # for comments. Any msvcrt function whose
// name ends in _s is newer than XP's msvcrt too.
struct NewerFunction {
    std::string dll, function, version;
};

bool ReadNewerFunctions(const std::wstring& path, std::vector<NewerFunction>& list)
{
    Bytes bytes;
    if (!ReadWholeFile(path, bytes))
        return false;
    std::string text(bytes.begin(), bytes.end());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == '\r')
            continue;
        char dll[64], function[128], version[64] = "";
        if (sscanf(line.c_str(), "%63s %127s %63[^\r]", dll, function, version) >= 2)
            list.push_back({Lower(dll), function, version});
    }
    return !list.empty();
}

void CheckImportsExistOnXp(const PeFile& pe, const std::vector<NewerFunction>& newer)
{
    const std::vector<Import> imports = pe.ImportedFunctions();
    int found = 0;
    for (const Import& import : imports) {
        const std::string dll = Lower(import.dll);
        const std::string& name = import.function;
        if (dll == "msvcrt.dll" && name.size() > 2 && name.compare(name.size() - 2, 2, "_s") == 0) {
            Fail("imports msvcrt!%s, which Windows XP's msvcrt lacks (a secure CRT function)", name.c_str());
            ++found;
            continue;
        }
        for (const NewerFunction& entry : newer) {
            if (entry.dll == dll && entry.function == name) {
                Fail("imports %s!%s, which Windows has only since %s", import.dll.c_str(), name.c_str(),
                     entry.version.c_str());
                ++found;
            }
        }
    }
    if (!found)
        printf("ok: %zu imported functions, none newer than Windows XP SP3 (%zu listed)\n", imports.size(),
               newer.size());
    // XP loads images that ask for version 5.1 at most (5.2 for its x64 edition).
    const uint32_t xp = pe.Machine() == 0x8664 ? (5 << 16 | 2) : (5 << 16 | 1);
    if (pe.OsVersion() > xp || pe.SubsystemVersion() > xp)
        Fail("the image asks for Windows %u.%u (subsystem %u.%u); XP is %u.%u", pe.OsVersion() >> 16,
             pe.OsVersion() & 0xFFFF, pe.SubsystemVersion() >> 16, pe.SubsystemVersion() & 0xFFFF, xp >> 16,
             xp & 0xFFFF);
    else
        printf("ok: the image asks for Windows %u.%u, subsystem %u.%u\n", pe.OsVersion() >> 16,
               pe.OsVersion() & 0xFFFF, pe.SubsystemVersion() >> 16, pe.SubsystemVersion() & 0xFFFF);
}

// Users get the module without debug information; none of it may survive,
// under a short section name or a long one.
void CheckNoDebugSections(const PeFile& pe)
{
    size_t count = 0;
    for (const Section& section : pe.Sections()) {
        ++count;
        if (section.name.rfind(".debug", 0) == 0)
            Fail("debug section %s (%u bytes)", section.name.c_str(), section.rawSize);
        else if (section.name[0] == '/')
            Fail("section %s has a long name that the string table does not resolve", section.name.c_str());
    }
    printf("ok: %zu sections, none with debug information\n", count);
}

// Every resource is in the module's one language. windres leaves the code page
// of the data entries at 0 (the texts inside are UTF-16 whatever the .rc's own
// code page); 1252, the .rc's, is the only other one that would be right.
void CheckLanguage(const std::vector<Resource>& resources)
{
    std::set<uint32_t> codePages;
    int before = failures;
    for (const Resource& resource : resources) {
        if (resource.language != SPANISH_MEXICO)
            Fail("resource type %u id %u has language 0x%04X, not 0x080A (Spanish, Mexico)", resource.type, resource.id,
                 resource.language);
        if (resource.codePage != 0 && resource.codePage != 1252)
            Fail("resource type %u id %u has code page %u", resource.type, resource.id, resource.codePage);
        codePages.insert(resource.codePage);
    }
    if (failures != before)
        return;
    printf("ok: %zu resources in Spanish (Mexico), code page field", resources.size());
    for (uint32_t codePage : codePages)
        printf(" %u", codePage);
    printf("\n");
}

struct DialogControl {
    uint32_t style = 0, id = 0;
    std::wstring windowClass, text;
    uint16_t image = 0; // set when the text is an ordinal: the image resource shown
};

struct Dialog {
    uint32_t style = 0;
    int16_t cx = 0, cy = 0;
    std::wstring caption, face;
    uint16_t pointSize = 0;
    std::vector<DialogControl> controls;
};

// A sz_Or_Ord field: empty, 0xFFFF and an ordinal, or a string.
void ReadNameOrOrdinal(const Bytes& data, size_t& at, std::wstring& text, uint16_t& ordinal)
{
    if (Read16(data, at) == 0xFFFF) {
        ordinal = Read16(data, at + 2);
        at += 4;
    } else {
        text = ReadWide(data, at);
    }
}

// Reads a DLGTEMPLATEEX and its DLGITEMTEMPLATEEX entries; false if the data
// is not an extended template or ends early.
bool ParseDialog(const Bytes& data, Dialog& dialog)
{
    if (Read16(data, 0) != 1 || Read16(data, 2) != 0xFFFF)
        return false;
    dialog.style = Read32(data, 12);
    uint16_t count = Read16(data, 16);
    dialog.cx = static_cast<int16_t>(Read16(data, 22));
    dialog.cy = static_cast<int16_t>(Read16(data, 24));
    size_t at = 26;
    std::wstring menu, windowClass;
    uint16_t ordinal = 0;
    ReadNameOrOrdinal(data, at, menu, ordinal);
    ReadNameOrOrdinal(data, at, windowClass, ordinal);
    dialog.caption = ReadWide(data, at);
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = Read16(data, at);
        at += 6; // point size, weight, italic, charset
        dialog.face = ReadWide(data, at);
    }
    static const wchar_t* const ATOMS[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
    for (uint16_t i = 0; i < count; ++i) {
        at = Align4(at);
        if (at + 24 > data.size())
            return false;
        DialogControl control;
        control.style = Read32(data, at + 8);
        control.id = Read32(data, at + 20);
        at += 24;
        uint16_t atom = 0;
        ReadNameOrOrdinal(data, at, control.windowClass, atom);
        if (atom >= 0x80 && atom <= 0x85)
            control.windowClass = ATOMS[atom - 0x80];
        ReadNameOrOrdinal(data, at, control.text, control.image);
        at += 2 + Read16(data, at); // creation data
        dialog.controls.push_back(control);
    }
    return at <= data.size();
}

bool SameText(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

const uint32_t PAGE_STYLE = WS_CHILD | WS_DISABLED | WS_CAPTION;
const uint32_t POPUP_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// The dialog templates, as src/config/MoravelDocklet.rc lays them out: the
// property pages are children of the sheet, the About box and the sheet's
// never-shown owner are popups. `ids`: every control with an id of its own.
const struct {
    uint32_t id;
    const wchar_t* caption;
    int cx, cy;
    uint32_t style, forbidden;
    size_t controls;
    std::vector<uint32_t> ids;
} DIALOGS[] = {
    {102, L"About", 233, 73, POPUP_STYLE, 0, 3, {1, 1005, 1007}},
    {106, L"General Settings", 253, 320, PAGE_STYLE, 0, 19,
     {1025, 1028, 1030, 1021, 1024, 1035, 1031, 1034, 1036, 1033, 1023, 1074, 1075}},
    {107, L"Icon Settings", 253, 320, PAGE_STYLE, 0, 5, {1057, 1033, 1034, 1030}},
    {108, L"Docklet Font Settings", 253, 320, PAGE_STYLE, 0, 19,
     {1049, 1050, 1051, 1052, 1053, 1054, 1036, 1007, 1028, 1032, 1037, 1008, 1029, 1033, 1056}},
    {109, L"Placeholder", 277, 374, POPUP_STYLE, WS_VISIBLE, 0, {}},
    {110, L"Docklet Graph Settings", 253, 320, PAGE_STYLE, 0, 15,
     {1063, 1064, 1065, 1073, 1066, 1067, 1068, 1070, 1071, 1072, 1069}},
};

const DialogControl* FindControl(const Dialog& dialog, uint32_t id)
{
    for (const DialogControl& control : dialog.controls) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}

void CheckDialogs(const std::vector<Resource>& resources)
{
    for (const auto& expected : DIALOGS) {
        const Resource* resource = ResourceById(resources, TYPE_DIALOG, expected.id);
        Dialog dialog;
        if (!resource) {
            Fail("no dialog template %u", expected.id);
            continue;
        }
        if (!ParseDialog(resource->data, dialog)) {
            Fail("dialog %u is not an extended dialog template", expected.id);
            continue;
        }
        int before = failures;
        if (dialog.caption != expected.caption)
            Fail("dialog %u has the caption \"%ls\", not \"%ls\"", expected.id, dialog.caption.c_str(), expected.caption);
        if (dialog.cx != expected.cx || dialog.cy != expected.cy)
            Fail("dialog %u is %d x %d dialog units, not %d x %d", expected.id, dialog.cx, dialog.cy, expected.cx,
                 expected.cy);
        if ((dialog.style & DS_SHELLFONT) != DS_SHELLFONT || dialog.face != L"MS Shell Dlg" || dialog.pointSize != 8)
            Fail("dialog %u does not use the shell font MS Shell Dlg, 8 points", expected.id);
        if ((dialog.style & expected.style) != expected.style)
            Fail("dialog %u has style 0x%08X, without all of 0x%08X", expected.id, dialog.style, expected.style);
        if (dialog.style & expected.forbidden)
            Fail("dialog %u has style 0x%08X, with 0x%08X", expected.id, dialog.style, expected.forbidden);
        if (dialog.controls.size() != expected.controls)
            Fail("dialog %u has %zu controls, not %zu", expected.id, dialog.controls.size(), expected.controls);
        for (uint32_t id : expected.ids) {
            if (!FindControl(dialog, id))
                Fail("dialog %u has no control %u", expected.id, id);
        }
        if (expected.id == 102) {
            const DialogControl* ok = FindControl(dialog, IDOK);
            const DialogControl* picture = FindControl(dialog, 1007);
            if (ok && !SameText(ok->windowClass, L"Button"))
                Fail("control 1 of the About box is not a button");
            if (picture && (!SameText(picture->windowClass, L"Static") || (picture->style & SS_TYPEMASK) != SS_BITMAP ||
                            picture->image != 1006))
                Fail("control 1007 of the About box does not show bitmap 1006");
        }
        if (failures == before)
            printf("ok: dialog %u \"%ls\" %d x %d, %zu controls\n", expected.id, dialog.caption.c_str(), dialog.cx,
                   dialog.cy, dialog.controls.size());
    }
}

// The About box's emblem: a BITMAPINFOHEADER and the pixels, no file header.
void CheckBitmap(const std::vector<Resource>& resources)
{
    const Resource* bitmap = ResourceById(resources, TYPE_BITMAP, 1006);
    if (!bitmap) {
        Fail("no bitmap 1006");
        return;
    }
    const Bytes& data = bitmap->data;
    int32_t width = static_cast<int32_t>(Read32(data, 4));
    int32_t height = static_cast<int32_t>(Read32(data, 8));
    uint16_t bits = Read16(data, 14);
    size_t pixels = static_cast<size_t>(Align4(96 * 3)) * 96;
    if (Read32(data, 0) < 40 || width != 96 || (height != 96 && height != -96) || bits != 24 || Read32(data, 16) != BI_RGB)
        Fail("bitmap 1006 is %ld x %ld with %u bits per pixel, not 96 x 96 with 24", static_cast<long>(width),
             static_cast<long>(height), bits);
    else if (data.size() < Read32(data, 0) + pixels)
        Fail("bitmap 1006 holds %zu bytes, too few for its pixels", data.size());
    else
        printf("ok: bitmap 1006 96 x 96, 24 bits per pixel\n");
}

// The value of attribute `name` in one XML element, "" when it is absent.
std::string Attribute(const std::string& element, const std::string& name)
{
    std::string key = name + "=\"";
    for (size_t at = element.find(key); at != std::string::npos; at = element.find(key, at + 1)) {
        if (at > 0 && isspace(static_cast<unsigned char>(element[at - 1]))) {
            size_t start = at + key.size();
            size_t end = element.find('"', start);
            return end == std::string::npos ? "" : element.substr(start, end - start);
        }
    }
    return "";
}

// The manifest that gives the module's dialogs version 6 of the common
// controls: id 2 is the one Windows reads from a DLL.
void CheckManifest(const std::vector<Resource>& resources)
{
    const Resource* manifest = ResourceById(resources, TYPE_MANIFEST, 2);
    if (!manifest) {
        Fail("no manifest resource 2");
        return;
    }
    std::string text(manifest->data.begin(), manifest->data.end());
    for (size_t at = text.find("<dependentAssembly"); at != std::string::npos;
         at = text.find("<dependentAssembly", at + 1)) {
        size_t identity = text.find("<assemblyIdentity", at);
        size_t end = text.find('>', identity);
        if (identity == std::string::npos || end == std::string::npos)
            break;
        std::string element = text.substr(identity, end - identity);
        if (Attribute(element, "name") != "Microsoft.Windows.Common-Controls")
            continue;
        if (Attribute(element, "version") != "6.0.0.0" || Attribute(element, "type") != "win32" ||
            Attribute(element, "publicKeyToken") != "6595b64144ccf1df")
            Fail("manifest names the common controls, but not version 6.0.0.0 of Microsoft's win32 assembly");
        else
            printf("ok: manifest depends on Microsoft.Windows.Common-Controls 6.0.0.0\n");
        return;
    }
    Fail("manifest does not depend on Microsoft.Windows.Common-Controls");
}

// One node of a VS_VERSIONINFO tree.
struct VersionNode {
    std::wstring key;
    size_t value = 0; // offset of the value in the resource data
    std::vector<VersionNode> children;
};

bool ParseVersionNode(const Bytes& data, size_t at, size_t end, int depth, VersionNode& node)
{
    uint16_t length = Read16(data, at);
    if (length < 6 || at + length > end)
        return false;
    uint16_t valueLength = Read16(data, at + 2);
    bool text = Read16(data, at + 4) == 1;
    size_t cursor = at + 6;
    node.key = ReadWide(data, cursor);
    node.value = Align4(cursor);
    cursor = Align4(node.value + (text ? 2 * valueLength : valueLength));
    while (depth < 3 && cursor + 6 <= at + length) {
        VersionNode child;
        if (!ParseVersionNode(data, cursor, at + length, depth + 1, child))
            return false;
        cursor = Align4(cursor + Read16(data, cursor));
        node.children.push_back(std::move(child));
    }
    return true;
}

const VersionNode* Child(const VersionNode* node, const wchar_t* key)
{
    if (node) {
        for (const VersionNode& child : node->children) {
            if (child.key == key)
                return &child;
        }
    }
    return nullptr;
}

void CheckVersionResource(const std::vector<Resource>& resources)
{
    const Resource* resource = ResourceById(resources, TYPE_VERSION, 1);
    VersionNode root;
    if (!resource) {
        Fail("no version resource");
        return;
    }
    const Bytes& data = resource->data;
    if (!ParseVersionNode(data, 0, data.size(), 0, root) || root.key != L"VS_VERSION_INFO") {
        Fail("version resource unreadable");
        return;
    }
    if (Read32(data, root.value) != 0xFEEF04BD) {
        Fail("no fixed version information");
    } else {
        if (Read32(data, root.value + 8) != 0x00000001 || Read32(data, root.value + 12) != 0)
            Fail("file version is not 0.1.0.0");
        if (Read32(data, root.value + 16) != 0x00000001 || Read32(data, root.value + 20) != 0)
            Fail("product version is not 0.1.0.0");
        if (Read32(data, root.value + 36) != VFT_DLL)
            Fail("file type is not a DLL");
    }
    const VersionNode* translation = Child(Child(&root, L"VarFileInfo"), L"Translation");
    if (!translation || Read16(data, translation->value) != SPANISH_MEXICO || Read16(data, translation->value + 2) != 1200)
        Fail("translation is not Spanish (Mexico), Unicode");

    const VersionNode* table = Child(Child(&root, L"StringFileInfo"), L"080A04B0");
    const struct {
        const wchar_t* key;
        const wchar_t* expected;
    } strings[] = {
        {L"FileDescription", L"Corvane Docklet"}, {L"FileVersion", L"0.1.0.0b"},
        {L"ProductVersion", L"0.1.0.0b"},         {L"InternalName", L"Moravel Docklet"},
        {L"ProductName", L"Moravel Docklet"},     {L"OriginalFilename", L"MoravelDocklet.dll"},
    };
    for (const auto& entry : strings) {
        const VersionNode* node = Child(table, entry.key);
        size_t at = node ? node->value : 0;
        std::wstring value = node ? ReadWide(data, at) : L"";
        if (!node)
            Fail("version string %ls missing", entry.key);
        else if (value != entry.expected)
            Fail("version string %ls has the wrong value", entry.key);
        else
            printf("ok: %ls = %ls\n", entry.key, value.c_str());
    }
}

struct Options {
    std::string machine, exports, sameAddress;
    std::vector<NewerFunction> newerThanXp; // empty: not checked
};

void CheckModule(const Bytes& bytes, const Options& options, bool stripped)
{
    PeFile pe(bytes);
    if (!pe.Parse()) {
        Fail("not a PE module");
        return;
    }
    const uint16_t wanted = options.machine == "amd64" ? 0x8664 : 0x014C;
    if (pe.Machine() != wanted)
        Fail("machine is not %s", options.machine.c_str());
    else
        printf("ok: machine %s\n", options.machine.c_str());

    CheckExports(pe, options.exports, options.sameAddress);
    CheckImports(pe);
    if (!options.newerThanXp.empty())
        CheckImportsExistOnXp(pe, options.newerThanXp);
    if (stripped)
        CheckNoDebugSections(pe);

    std::vector<Resource> resources = pe.Resources();
    CheckLanguage(resources);
    CheckDialogs(resources);
    CheckBitmap(resources);
    CheckManifest(resources);
    CheckVersionResource(resources);
}

// What a user unpacks: one folder to copy into the dock's docklets folder.
const char* const PACKAGE_ENTRIES[] = {
    "MoravelDocklet/",       "MoravelDocklet/INSTALL.txt",          "MoravelDocklet/MoravelDocklet.dll",
    "MoravelDocklet/icons/", "MoravelDocklet/icons/background.png", "MoravelDocklet/icons/empty.png",
};
const char MODULE_ENTRY[] = "MoravelDocklet/MoravelDocklet.dll";
const char INSTALL_ENTRY[] = "MoravelDocklet/INSTALL.txt";

// The module and INSTALL.txt shrink by half or more when deflated. The icons
// are PNGs, deflated inside already: the package may store them as they are.
bool MustBeDeflated(const std::string& name) { return name == MODULE_ENTRY || name == INSTALL_ENTRY; }

void CheckPackage(const Bytes& zip, const Options& options)
{
    std::vector<ZipEntry> entries;
    if (!ReadZipDirectory(zip, entries)) {
        Fail("not a zip file, or its central directory is damaged");
        return;
    }
    std::vector<std::string> names, expected(std::begin(PACKAGE_ENTRIES), std::end(PACKAGE_ENTRIES));
    for (const ZipEntry& entry : entries) {
        if (entry.method == ZIP_STORED)
            printf("entry %s: %u bytes, stored\n", entry.name.c_str(), entry.size);
        else if (entry.method == ZIP_DEFLATED)
            printf("entry %s: %u bytes, deflated to %u\n", entry.name.c_str(), entry.size, entry.compressedSize);
        else
            printf("entry %s: %u bytes, method %u\n", entry.name.c_str(), entry.size, entry.method);
        names.push_back(entry.name);
        std::string file = Lower(entry.name.substr(entry.name.find_last_of('/', entry.name.size() - 2) + 1));
        if (file.rfind("nvapi", 0) == 0)
            Fail("the package holds a driver library, %s", entry.name.c_str());
    }
    std::set<std::string> present(names.begin(), names.end()), wanted(expected.begin(), expected.end());
    for (const std::string& name : expected) {
        if (!present.count(name))
            Fail("the package lacks %s", name.c_str());
    }
    for (const std::string& name : names) {
        if (!wanted.count(name))
            Fail("the package holds %s, which does not belong in it", name.c_str());
    }
    if (names == expected)
        printf("ok: the package holds exactly the docklet's folder\n");
    else if (present == wanted && names.size() == expected.size())
        Fail("the package's entries are not in their fixed order");

    for (const ZipEntry& entry : entries) {
        if (!entry.name.empty() && entry.name.back() == '/') {
            if (entry.size || entry.compressedSize)
                Fail("the folder entry %s holds data", entry.name.c_str());
            continue;
        }
        if (MustBeDeflated(entry.name) && entry.method != ZIP_DEFLATED)
            Fail("%s is stored uncompressed in the package, not deflated", entry.name.c_str());
        Bytes data;
        std::string why;
        if (!ZipEntryData(zip, entry, data, why)) {
            Fail("%s cannot be read from the package: %s", entry.name.c_str(), why.c_str());
            continue;
        }
        printf("ok: %s unpacks whole (%zu bytes, CRC-32 %08X)\n", entry.name.c_str(), data.size(),
               static_cast<unsigned>(entry.crc));
        if (entry.name == INSTALL_ENTRY) {
            bool bareLineFeed = false;
            for (size_t i = 0; i < data.size(); ++i)
                bareLineFeed = bareLineFeed || (data[i] == '\n' && (i == 0 || data[i - 1] != '\r'));
            if (data.empty() || bareLineFeed)
                Fail("%s is not a text with CRLF line ends", INSTALL_ENTRY);
            else
                printf("ok: %s has CRLF line ends\n", INSTALL_ENTRY);
        } else if (entry.name == MODULE_ENTRY) {
            printf("module %s, %zu bytes:\n", MODULE_ENTRY, data.size());
            CheckModule(data, options, true);
        }
    }
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring module, package;
    Options options;
    for (int i = 1; i < argc; ++i) {
        bool last = i + 1 == argc;
        char value[4096] = "";
        if (!last)
            snprintf(value, sizeof value, "%ls", argv[i + 1]);
        if (wcscmp(argv[i], L"--zip") == 0 && !last)
            package = argv[++i];
        else if (wcscmp(argv[i], L"--machine") == 0 && !last)
            options.machine = value, ++i;
        else if (wcscmp(argv[i], L"--exports") == 0 && !last)
            options.exports = value, ++i;
        else if (wcscmp(argv[i], L"--same-address") == 0 && !last)
            options.sameAddress = value, ++i;
        else if (wcscmp(argv[i], L"--xp") == 0 && !last) {
            if (!ReadNewerFunctions(argv[++i], options.newerThanXp)) {
                printf("FAIL: cannot read the list of functions newer than XP, %ls\n", argv[i]);
                return 1;
            }
        } else if (argv[i][0] != L'-' && module.empty())
            module = argv[i];
        else
            module = package = L"";
    }
    if (module.empty() == package.empty()) {
        fprintf(stderr, "usage: modcheck MODULE|--zip PACKAGE --machine i386|amd64 --exports NAME,...\n"
                        "                [--same-address NAME,NAME] [--xp NEWER_THAN_XP_LIST]\n");
        return 2;
    }

    const std::wstring& path = package.empty() ? module : package;
    Bytes bytes;
    if (!ReadWholeFile(path, bytes)) {
        printf("FAIL: cannot open %ls (%s)\n", path.c_str(), package.empty() ? "build it first" : "run scripts/package first");
        return 1;
    }
    if (package.empty())
        CheckModule(bytes, options, false);
    else
        CheckPackage(bytes, options);
    printf(failures ? "modcheck: %d failure(s)\n" : "modcheck: all checks passed\n", failures);
    return failures ? 1 : 0;
}
