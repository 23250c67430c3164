#include "imports.h"

#include <string.h>
#include <wchar.h>

#include <cstddef>
#include <utility>

namespace dockhost {

namespace {

typedef HMODULE(WINAPI* GetModuleHandleAFn)(LPCSTR);
typedef HMODULE(WINAPI* GetModuleHandleWFn)(LPCWSTR);
typedef FARPROC(WINAPI* GetProcAddressFn)(HMODULE, LPCSTR);
typedef UINT_PTR(WINAPI* SetTimerFn)(HWND, UINT_PTR, UINT, TIMERPROC);
typedef BOOL(WINAPI* KillTimerFn)(HWND, UINT_PTR);
typedef UINT(WINAPI* GetSystemDirectoryWFn)(LPWSTR, UINT);

// One host per process: every redirected module answers the same library.
HMODULE redirectedHost = nullptr;
GetModuleHandleAFn systemGetModuleHandleA = nullptr;
GetModuleHandleWFn systemGetModuleHandleW = nullptr;
GetProcAddressFn systemGetProcAddress = nullptr;
std::vector<std::string> hiddenProcedures;
std::vector<std::pair<std::string, FARPROC>> answeredProcedures;
SetTimerFn systemSetTimer = nullptr;
KillTimerFn systemKillTimer = nullptr;
GetSystemDirectoryWFn systemGetSystemDirectoryW = nullptr;
std::wstring answeredSystemFolder;

struct TimerEntry {
    HWND hwnd;
    UINT_PTR id;
};
std::vector<TimerEntry> timers;

UINT_PTR WINAPI WatchedSetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC callback)
{
    const UINT_PTR set = systemSetTimer(hwnd, id, elapse, callback);
    if (!set)
        return set;
    const UINT_PTR key = hwnd ? id : set;
    for (const TimerEntry& timer : timers)
        if (timer.hwnd == hwnd && timer.id == key)
            return set; // set again: still one timer
    timers.push_back(TimerEntry{hwnd, key});
    return set;
}

BOOL WINAPI WatchedKillTimer(HWND hwnd, UINT_PTR id)
{
    for (size_t i = 0; i < timers.size(); ++i)
        if (timers[i].hwnd == hwnd && timers[i].id == id) {
            timers.erase(timers.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    return systemKillTimer(hwnd, id);
}

// As the system's: the length without the terminator, or the size needed
// with it when the buffer is too small.
UINT WINAPI AnsweredSystemDirectoryW(LPWSTR buffer, UINT size)
{
    if (answeredSystemFolder.empty())
        return systemGetSystemDirectoryW(buffer, size);
    const UINT length = static_cast<UINT>(answeredSystemFolder.size());
    if (!buffer || size <= length)
        return length + 1;
    wmemcpy(buffer, answeredSystemFolder.c_str(), length + 1);
    return length;
}

HMODULE WINAPI HostModuleHandleA(LPCSTR name)
{
    return name ? systemGetModuleHandleA(name) : redirectedHost;
}

HMODULE WINAPI HostModuleHandleW(LPCWSTR name)
{
    return name ? systemGetModuleHandleW(name) : redirectedHost;
}

FARPROC WINAPI FilteredGetProcAddress(HMODULE module, LPCSTR name)
{
    // Lookups by ordinal carry the number in the pointer's low word.
    if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF) {
        for (const std::string& hidden : hiddenProcedures)
            if (hidden == name)
                return nullptr;
        for (const auto& answered : answeredProcedures)
            if (answered.first == name)
                return answered.second;
    }
    return systemGetProcAddress(module, name);
}

template <typename Fn>
Fn SystemFunction(const char* name, const wchar_t* library = L"kernel32.dll")
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(library), name)));
}

bool WriteThunk(IMAGE_THUNK_DATA* thunk, void* replacement, void** original)
{
    DWORD protection;
    if (!VirtualProtect(&thunk->u1.Function, sizeof(void*), PAGE_READWRITE, &protection))
        return false;
    *original = reinterpret_cast<void*>(thunk->u1.Function);
    thunk->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
    VirtualProtect(&thunk->u1.Function, sizeof(void*), protection, &protection);
    return true;
}

} // namespace

void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement)
{
    if (!module)
        return nullptr;
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return nullptr;
    // Where the names are gone (no lookup table), the address the loader
    // bound tells the function instead.
    void* bound = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(dll), function));
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); entry->Name;
         ++entry) {
        if (_stricmp(reinterpret_cast<char*>(base + entry->Name), dll) != 0)
            continue;
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        if (!entry->OriginalFirstThunk) {
            for (; addresses->u1.Function; ++addresses)
                if (bound && reinterpret_cast<void*>(addresses->u1.Function) == bound) {
                    void* original = nullptr;
                    return WriteThunk(addresses, replacement, &original) ? original : nullptr;
                }
            continue;
        }
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        for (; names->u1.AddressOfData; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(byName->Name), function) != 0)
                continue;
            void* original = nullptr;
            return WriteThunk(addresses, replacement, &original) ? original : nullptr;
        }
    }
    return nullptr;
}

int RedirectModuleHandle(HMODULE module, HMODULE host)
{
    // The system's own functions, not what an earlier patch left in a table.
    if (!systemGetModuleHandleA)
        systemGetModuleHandleA = SystemFunction<GetModuleHandleAFn>("GetModuleHandleA");
    if (!systemGetModuleHandleW)
        systemGetModuleHandleW = SystemFunction<GetModuleHandleWFn>("GetModuleHandleW");
    redirectedHost = host;
    int redirected = 0;
    if (PatchImport(module, "kernel32.dll", "GetModuleHandleA", reinterpret_cast<void*>(&HostModuleHandleA)))
        ++redirected;
    if (PatchImport(module, "kernel32.dll", "GetModuleHandleW", reinterpret_cast<void*>(&HostModuleHandleW)))
        ++redirected;
    return redirected;
}

bool HideProcedures(HMODULE module)
{
    if (!systemGetProcAddress)
        systemGetProcAddress = SystemFunction<GetProcAddressFn>("GetProcAddress");
    return PatchImport(module, "kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(&FilteredGetProcAddress)) !=
           nullptr;
}

void SetHiddenProcedures(const std::vector<std::string>& hidden)
{
    hiddenProcedures = hidden;
}

bool AnswerProcedure(HMODULE module, const char* name, void* address)
{
    for (size_t i = 0; i < answeredProcedures.size(); ++i)
        if (answeredProcedures[i].first == name) {
            answeredProcedures.erase(answeredProcedures.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    if (address)
        answeredProcedures.emplace_back(name, reinterpret_cast<FARPROC>(address));
    return HideProcedures(module);
}

bool AnswerSystemFolder(HMODULE module)
{
    if (!systemGetSystemDirectoryW)
        systemGetSystemDirectoryW = SystemFunction<GetSystemDirectoryWFn>("GetSystemDirectoryW");
    return PatchImport(module, "kernel32.dll", "GetSystemDirectoryW",
                       reinterpret_cast<void*>(&AnsweredSystemDirectoryW)) != nullptr;
}

void SetSystemFolder(const std::wstring& folder)
{
    answeredSystemFolder = folder;
}

bool WatchTimers(HMODULE module)
{
    if (!systemSetTimer)
        systemSetTimer = SystemFunction<SetTimerFn>("SetTimer", L"user32.dll");
    if (!systemKillTimer)
        systemKillTimer = SystemFunction<KillTimerFn>("KillTimer", L"user32.dll");
    const bool sets =
        PatchImport(module, "user32.dll", "SetTimer", reinterpret_cast<void*>(&WatchedSetTimer)) != nullptr;
    const bool kills =
        PatchImport(module, "user32.dll", "KillTimer", reinterpret_cast<void*>(&WatchedKillTimer)) != nullptr;
    return sets || kills;
}

int LiveTimers()
{
    int live = 0;
    for (const TimerEntry& timer : timers)
        if (!timer.hwnd || IsWindow(timer.hwnd))
            ++live;
    return live;
}

void ForgetTimers()
{
    timers.clear();
}

} // namespace dockhost
