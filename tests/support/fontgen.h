// Font faces made for tests and benchmarks: copies of a TrueType font under
// family names of their own, added to the running process and removed again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fontgen {

// The Tahoma face that scripts/setup copies into the Wine prefix
// (%WINDIR%\Fonts\tahoma.ttf).
std::wstring TahomaPath();

// Writes a copy of the TrueType font `sourceTtf` to `targetTtf` whose family
// is `family` (1 to LF_FACESIZE - 1 characters, so that GDI lists it whole):
// a new `name` table with Windows records (platform 3, encoding 1, language
// 0x409) for the family, the subfamily "Regular", a unique id, the full name
// and a PostScript name is appended, 4-byte aligned, at the end of the file;
// the table directory points at it, and the file's checksum adjustment in
// `head` is made anew. False, and no file, when the source is not a font file
// this understands or the target cannot be written.
bool WriteRenamedFont(const std::wstring& sourceTtf, const std::wstring& targetTtf, const std::wstring& family);

// "Moravel Bench 0001", "Moravel Bench 0002", ...: `count` names from
// `first` on, numbered with four digits after `stem` and a space.
std::vector<std::wstring> NumberedFamilies(const std::wstring& stem, int first, int count);

// The TrueType faces that EnumFontFamiliesExW (DEFAULT_CHARSET, every face)
// lists in this process, each name once as it was first listed.
std::vector<std::wstring> TrueTypeFaceNames();

// Of `families`, those not listed as TrueType faces under exactly that name.
std::vector<std::wstring> MissingTrueTypeFaces(const std::vector<std::wstring>& families);

// Renamed copies of a source font written into a folder and added to this
// process (AddFontResourceExW, FR_PRIVATE); removed, and their files deleted,
// by Remove() or when the object goes.
class GeneratedFaces {
public:
    // `folder` is created when missing; the source defaults to TahomaPath().
    explicit GeneratedFaces(std::wstring folder, std::wstring source = std::wstring());
    ~GeneratedFaces();
    GeneratedFaces(const GeneratedFaces&) = delete;
    GeneratedFaces& operator=(const GeneratedFaces&) = delete;

    // Writes and adds one face per family, in the order given. Stops at the
    // first failure (Error() says which), keeping what was added before.
    bool Install(const std::vector<std::wstring>& families);
    // Removes every face added and deletes its file.
    void Remove();

    const std::vector<std::wstring>& Families() const { return families_; }
    size_t Count() const { return families_.size(); }
    const std::wstring& Error() const { return error_; }

private:
    std::wstring folder_, source_, error_;
    std::vector<std::wstring> families_, files_;
};

} // namespace fontgen
