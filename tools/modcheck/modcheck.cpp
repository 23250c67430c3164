// modcheck: checks a built docklet module the way a dock host and a user's
// machine will see it: its machine type, its exported names, the DLLs it
// imports and its version resource.
//
//   modcheck MODULE --machine i386|amd64 --exports NAME,NAME,...
//
// Prints one line per finding and exits non-zero on any failure.
#include <windows.h>
#include <stdio.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

int failures = 0;

void Fail(const char* format, const char* detail = "")
{
    printf("FAIL: ");
    printf(format, detail);
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

class PeFile {
public:
    explicit PeFile(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}

    bool Parse()
    {
        if (bytes_.size() < 0x40 || Read16(0) != 0x5A4D)
            return false;
        peOffset_ = Read32(0x3C);
        if (peOffset_ + 24 > bytes_.size() || Read32(peOffset_) != 0x00004550)
            return false;
        machine_ = Read16(peOffset_ + 4);
        sectionCount_ = Read16(peOffset_ + 6);
        optionalSize_ = Read16(peOffset_ + 20);
        optional_ = peOffset_ + 24;
        magic_ = Read16(optional_);
        return magic_ == 0x10B || magic_ == 0x20B;
    }

    uint16_t Machine() const { return machine_; }

    std::vector<std::string> ExportNames() const
    {
        std::vector<std::string> names;
        uint32_t directory = DirectoryRva(0);
        if (!directory)
            return names;
        uint32_t base = Offset(directory);
        uint32_t count = Read32(base + 24);
        uint32_t nameTable = Offset(Read32(base + 32));
        for (uint32_t i = 0; i < count; ++i)
            names.push_back(String(Offset(Read32(nameTable + 4 * i))));
        return names;
    }

    std::vector<std::string> ImportedDlls() const
    {
        std::vector<std::string> dlls;
        uint32_t directory = DirectoryRva(1);
        if (!directory)
            return dlls;
        for (uint32_t entry = Offset(directory); Read32(entry + 12) != 0; entry += 20)
            dlls.push_back(String(Offset(Read32(entry + 12))));
        return dlls;
    }

private:
    uint16_t Read16(size_t at) const { return at + 2 <= bytes_.size() ? bytes_[at] | bytes_[at + 1] << 8 : 0; }
    uint32_t Read32(size_t at) const
    {
        return at + 4 <= bytes_.size() ? static_cast<uint32_t>(Read16(at)) | static_cast<uint32_t>(Read16(at + 2)) << 16
                                       : 0;
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
        return Read32(directories + 8 * index);
    }
    uint32_t Offset(uint32_t rva) const
    {
        size_t sections = optional_ + optionalSize_;
        for (uint16_t i = 0; i < sectionCount_; ++i) {
            size_t section = sections + 40 * i;
            uint32_t virtualAddress = Read32(section + 12);
            uint32_t size = std::max(Read32(section + 8), Read32(section + 16));
            if (rva >= virtualAddress && rva < virtualAddress + size)
                return rva - virtualAddress + Read32(section + 20);
        }
        return 0xFFFFFFFF;
    }

    std::vector<unsigned char> bytes_;
    size_t peOffset_ = 0, optional_ = 0;
    uint16_t machine_ = 0, sectionCount_ = 0, optionalSize_ = 0, magic_ = 0;
};

// DLLs present on every Windows the dock runs on.
const char* const SYSTEM_DLLS[] = {
    "kernel32.dll", "user32.dll", "gdi32.dll",    "gdiplus.dll", "comctl32.dll", "comdlg32.dll",
    "shell32.dll",  "advapi32.dll", "msvcrt.dll", "ole32.dll",   "oleaut32.dll", "shlwapi.dll",
    "version.dll",
};

void CheckVersionResource(const std::wstring& path)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (!size) {
        Fail("no version resource");
        return;
    }
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
        Fail("version resource unreadable");
        return;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) {
        Fail("no fixed version information");
    } else {
        if (fixed->dwFileVersionMS != 0x00000001 || fixed->dwFileVersionLS != 0)
            Fail("file version is not 0.1.0.0");
        if (fixed->dwProductVersionMS != 0x00000001 || fixed->dwProductVersionLS != 0)
            Fail("product version is not 0.1.0.0");
    }
    WORD* translation = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4 || translation[0] != 0x080A || translation[1] != 1200)
        Fail("translation is not Spanish (Mexico), Unicode");

    const struct {
        const wchar_t* key;
        const wchar_t* expected;
    } strings[] = {
        {L"FileDescription", L"Corvane Docklet"}, {L"FileVersion", L"0.1.0.0b"},
        {L"ProductVersion", L"0.1.0.0b"},         {L"InternalName", L"Moravel Docklet"},
        {L"ProductName", L"Moravel Docklet"},     {L"OriginalFilename", L"MoravelDocklet.dll"},
    };
    for (const auto& entry : strings) {
        std::wstring query = std::wstring(L"\\StringFileInfo\\080A04B0\\") + entry.key;
        wchar_t* value = nullptr;
        char key[64];
        snprintf(key, sizeof key, "%ls", entry.key);
        if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
            Fail("version string %s missing", key);
        else if (wcscmp(value, entry.expected) != 0)
            Fail("version string %s has the wrong value", key);
        else
            printf("ok: %s = %ls\n", key, value);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: modcheck MODULE --machine i386|amd64 --exports NAME,...\n");
        return 2;
    }
    std::wstring path = argv[1];
    std::string machine, exports;
    for (int i = 2; i + 1 < argc; i += 2) {
        char value[4096];
        snprintf(value, sizeof value, "%ls", argv[i + 1]);
        if (wcscmp(argv[i], L"--machine") == 0)
            machine = value;
        else if (wcscmp(argv[i], L"--exports") == 0)
            exports = value;
    }

    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) {
        printf("FAIL: cannot open %ls (build it first)\n", path.c_str());
        return 1;
    }
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(file);

    PeFile pe(std::move(bytes));
    if (!pe.Parse()) {
        printf("FAIL: not a PE module\n");
        return 1;
    }

    const uint16_t wanted = machine == "amd64" ? 0x8664 : 0x014C;
    if (pe.Machine() != wanted)
        Fail("machine is not %s", machine.c_str());
    else
        printf("ok: machine %s\n", machine.c_str());

    std::vector<std::string> names = pe.ExportNames();
    std::set<std::string> exported(names.begin(), names.end());
    for (const std::string& name : Split(exports)) {
        if (!exported.count(name))
            Fail("entry point %s is not exported by that exact name", name.c_str());
    }
    for (const std::string& name : names) {
        if (name.find_first_of("@?") != std::string::npos || name[0] == '_')
            Fail("decorated export %s", name.c_str());
    }
    printf("ok: %zu exports checked\n", names.size());

    for (const std::string& dll : pe.ImportedDlls()) {
        bool system = false;
        for (const char* known : SYSTEM_DLLS)
            system = system || Lower(dll) == known;
        if (!system && Lower(dll).rfind("api-ms-win-", 0) != 0)
            Fail("imports %s, which is not a system DLL", dll.c_str());
        else
            printf("ok: imports %s\n", dll.c_str());
    }

    CheckVersionResource(path);
    printf(failures ? "modcheck: %d failure(s)\n" : "modcheck: all checks passed\n", failures);
    return failures ? 1 : 0;
}
