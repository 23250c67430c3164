#include "fontgen.h"

#include <stdint.h>
#include <stdio.h>
#include <wchar.h>

#include <set>
#include <utility>

namespace fontgen {

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t Get16(const Bytes& data, size_t at)
{
    return static_cast<uint16_t>(data[at] << 8 | data[at + 1]);
}

uint32_t Get32(const Bytes& data, size_t at)
{
    return static_cast<uint32_t>(data[at]) << 24 | static_cast<uint32_t>(data[at + 1]) << 16 |
           static_cast<uint32_t>(data[at + 2]) << 8 | data[at + 3];
}

void Put32(Bytes& data, size_t at, uint32_t value)
{
    data[at] = static_cast<uint8_t>(value >> 24);
    data[at + 1] = static_cast<uint8_t>(value >> 16);
    data[at + 2] = static_cast<uint8_t>(value >> 8);
    data[at + 3] = static_cast<uint8_t>(value);
}

void Append16(Bytes& data, uint16_t value)
{
    data.push_back(static_cast<uint8_t>(value >> 8));
    data.push_back(static_cast<uint8_t>(value));
}

// The sum of big-endian 32-bit words, the last one padded with zeros.
uint32_t Checksum(const Bytes& data, size_t at, size_t length)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < length; i += 4) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k)
            word = word << 8 | (i + k < length ? data[at + i + k] : 0u);
        sum += word;
    }
    return sum;
}

bool ReadAll(const std::wstring& path, Bytes& data)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    const bool ok = !ferror(file);
    fclose(file);
    return ok;
}

bool WriteAll(const std::wstring& path, const Bytes& data)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    const bool written = fwrite(data.data(), 1, data.size(), file) == data.size();
    if (fclose(file) != 0 || !written) {
        DeleteFileW(path.c_str());
        return false;
    }
    return true;
}

// PostScript names: printable ASCII without spaces and the characters
// PostScript reserves.
std::wstring PostScriptName(const std::wstring& family)
{
    std::wstring name;
    for (wchar_t c : family) {
        if (c > 32 && c < 127 && !wcschr(L"[](){}<>/%", c))
            name += c;
    }
    return name.empty() ? std::wstring(L"Generated") : name;
}

Bytes NameTable(const std::wstring& family)
{
    const std::pair<uint16_t, std::wstring> names[] = {
        {1, family},
        {2, L"Regular"},
        {3, L"Moravel fontgen: " + family},
        {4, family},
        {6, PostScriptName(family)},
    };
    const uint16_t count = sizeof names / sizeof names[0];
    Bytes table, strings;
    Append16(table, 0);                              // format
    Append16(table, count);                          // records
    Append16(table, static_cast<uint16_t>(6 + 12 * count)); // where the strings begin
    for (const auto& name : names) {
        Append16(table, 3);      // Windows
        Append16(table, 1);      // Unicode BMP
        Append16(table, 0x0409); // English (United States)
        Append16(table, name.first);
        Append16(table, static_cast<uint16_t>(name.second.size() * 2));
        Append16(table, static_cast<uint16_t>(strings.size()));
        for (wchar_t c : name.second)
            Append16(strings, static_cast<uint16_t>(c));
    }
    table.insert(table.end(), strings.begin(), strings.end());
    return table;
}

} // namespace

std::wstring TahomaPath()
{
    wchar_t windows[MAX_PATH] = L"";
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return L"C:\\windows\\Fonts\\tahoma.ttf";
    return std::wstring(windows) + L"\\Fonts\\tahoma.ttf";
}

bool WriteRenamedFont(const std::wstring& sourceTtf, const std::wstring& targetTtf, const std::wstring& family)
{
    if (family.empty() || family.size() >= LF_FACESIZE)
        return false;
    Bytes font;
    if (!ReadAll(sourceTtf, font) || font.size() < 12)
        return false;
    const uint32_t version = Get32(font, 0);
    if (version != 0x00010000 && version != 0x74727565 /* 'true' */ && version != 0x4F54544F /* 'OTTO' */)
        return false; // not a single sfnt font (a collection, or no font at all)
    const uint16_t tables = Get16(font, 4);
    if (font.size() < 12 + 16u * tables)
        return false;

    size_t nameRecord = 0, headRecord = 0;
    for (uint16_t i = 0; i < tables; ++i) {
        const size_t record = 12 + 16u * i;
        const uint32_t tag = Get32(font, record);
        const uint32_t offset = Get32(font, record + 8), length = Get32(font, record + 12);
        if (offset > font.size() || length > font.size() - offset)
            return false;
        if (tag == 0x6E616D65) // 'name'
            nameRecord = record;
        else if (tag == 0x68656164) // 'head'
            headRecord = record;
    }
    if (!nameRecord || !headRecord || Get32(font, headRecord + 12) < 12)
        return false;

    font.resize((font.size() + 3) & ~static_cast<size_t>(3), 0);
    const Bytes table = NameTable(family);
    const size_t offset = font.size();
    font.insert(font.end(), table.begin(), table.end());
    font.resize((font.size() + 3) & ~static_cast<size_t>(3), 0);
    Put32(font, nameRecord + 4, Checksum(font, offset, table.size()));
    Put32(font, nameRecord + 8, static_cast<uint32_t>(offset));
    Put32(font, nameRecord + 12, static_cast<uint32_t>(table.size()));

    // head's own checksum is taken with the adjustment at zero; the
    // adjustment makes the whole file sum to 0xB1B0AFBA.
    const size_t adjustment = Get32(font, headRecord + 8) + 8;
    Put32(font, adjustment, 0);
    Put32(font, adjustment, 0xB1B0AFBAu - Checksum(font, 0, font.size()));
    return WriteAll(targetTtf, font);
}

std::vector<std::wstring> NumberedFamilies(const std::wstring& stem, int first, int count)
{
    std::vector<std::wstring> families;
    for (int i = first; i < first + count; ++i) {
        wchar_t number[16];
        swprintf(number, 16, L" %04d", i);
        families.push_back(stem + number);
    }
    return families;
}

namespace {

struct CollectedNames {
    std::set<std::wstring> seen;
    std::vector<std::wstring> names;
};

int CALLBACK CollectTrueTypeName(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM lParam)
{
    auto* collected = reinterpret_cast<CollectedNames*>(lParam);
    if ((type & TRUETYPE_FONTTYPE) && collected->seen.insert(font->lfFaceName).second)
        collected->names.push_back(font->lfFaceName);
    return 1;
}

} // namespace

std::vector<std::wstring> TrueTypeFaceNames()
{
    CollectedNames collected;
    LOGFONTW request = {};
    request.lfCharSet = DEFAULT_CHARSET;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &request, CollectTrueTypeName, reinterpret_cast<LPARAM>(&collected), 0);
    ReleaseDC(nullptr, dc);
    return collected.names;
}

std::vector<std::wstring> MissingTrueTypeFaces(const std::vector<std::wstring>& families)
{
    const std::vector<std::wstring> listed = TrueTypeFaceNames();
    const std::set<std::wstring> names(listed.begin(), listed.end());
    std::vector<std::wstring> missing;
    for (const std::wstring& family : families) {
        if (!names.count(family))
            missing.push_back(family);
    }
    return missing;
}

GeneratedFaces::GeneratedFaces(std::wstring folder, std::wstring source)
    : folder_(std::move(folder)), source_(source.empty() ? TahomaPath() : std::move(source))
{
    if (!folder_.empty() && folder_.back() != L'\\' && folder_.back() != L'/')
        folder_ += L'\\';
    CreateDirectoryW(folder_.c_str(), nullptr);
}

GeneratedFaces::~GeneratedFaces()
{
    Remove();
    RemoveDirectoryW(folder_.c_str()); // only when nothing else is left in it
}

bool GeneratedFaces::Install(const std::vector<std::wstring>& families)
{
    for (const std::wstring& family : families) {
        std::wstring file = folder_;
        for (wchar_t c : family)
            file += (c == L' ' || wcschr(L"\\/:*?\"<>|", c)) ? L'_' : c;
        file += L".ttf";
        if (!WriteRenamedFont(source_, file, family)) {
            error_ = L"cannot write " + file + L" from " + source_;
            return false;
        }
        if (AddFontResourceExW(file.c_str(), FR_PRIVATE, nullptr) == 0) {
            error_ = L"AddFontResourceExW refused " + file;
            DeleteFileW(file.c_str());
            return false;
        }
        families_.push_back(family);
        files_.push_back(file);
    }
    return true;
}

void GeneratedFaces::Remove()
{
    for (const std::wstring& file : files_) {
        RemoveFontResourceExW(file.c_str(), FR_PRIVATE, nullptr);
        DeleteFileW(file.c_str());
    }
    files_.clear();
    families_.clear();
}

} // namespace fontgen
