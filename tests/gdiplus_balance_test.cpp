// Every docklet pairs its own GDI+ start-up with one shut-down, and one whose
// start-up failed shuts nothing down. The module's imports of the two calls
// are redirected to counting wrappers.
#include "harness.h"

#include <set>
#include <vector>

using harness::DockTest;

namespace {

typedef Gdiplus::Status(WINAPI* StartupFn)(ULONG_PTR*, const Gdiplus::GdiplusStartupInput*,
                                           Gdiplus::GdiplusStartupOutput*);
typedef void(WINAPI* ShutdownFn)(ULONG_PTR);

StartupFn realStartup;
ShutdownFn realShutdown;
std::vector<ULONG_PTR> startedTokens;
std::vector<ULONG_PTR> shutTokens;
int failNextStartups = 0;

Gdiplus::Status WINAPI CountingStartup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                                       Gdiplus::GdiplusStartupOutput* output)
{
    if (failNextStartups > 0) {
        --failNextStartups;
        return Gdiplus::GdiplusNotInitialized;
    }
    Gdiplus::Status status = realStartup(token, input, output);
    if (status == Gdiplus::Ok)
        startedTokens.push_back(*token);
    return status;
}

void WINAPI CountingShutdown(ULONG_PTR token)
{
    shutTokens.push_back(token);
    realShutdown(token);
}

// Replaces the address the module imports `function` of `dll` through;
// returns the original, or null when the module does not import it.
void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); entry->Name;
         ++entry) {
        if (_stricmp(reinterpret_cast<char*>(base + entry->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(byName->Name), function) != 0)
                continue;
            DWORD protection;
            VirtualProtect(&addresses->u1.Function, sizeof(void*), PAGE_READWRITE, &protection);
            void* original = reinterpret_cast<void*>(addresses->u1.Function);
            addresses->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&addresses->u1.Function, sizeof(void*), protection, &protection);
            return original;
        }
    }
    return nullptr;
}

} // namespace

class GdiplusBalance : public DockTest {
protected:
    void SetUp() override
    {
        DockTest::SetUp();
        if (!realStartup) {
            HMODULE module = GetDock().Module();
            realStartup = reinterpret_cast<StartupFn>(
                PatchImport(module, "gdiplus.dll", "GdiplusStartup", reinterpret_cast<void*>(&CountingStartup)));
            realShutdown = reinterpret_cast<ShutdownFn>(
                PatchImport(module, "gdiplus.dll", "GdiplusShutdown", reinterpret_cast<void*>(&CountingShutdown)));
        }
        ASSERT_NE(realStartup, nullptr);
        ASSERT_NE(realShutdown, nullptr);
    }
};

TEST_F(GdiplusBalance, EachDockletShutsDownItsOwnStartup)
{
    auto* first = Create();
    auto* second = Create();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(startedTokens.size(), 2u);
    EXPECT_TRUE(shutTokens.empty());

    Destroy(second);
    Destroy(first);
    // Each start-up is shut down exactly once, with its own token.
    std::multiset<ULONG_PTR> started(startedTokens.begin(), startedTokens.end());
    std::multiset<ULONG_PTR> shut(shutTokens.begin(), shutTokens.end());
    EXPECT_EQ(started, shut);
}

TEST_F(GdiplusBalance, FailedStartupSaysSoAndShutsNothingDown)
{
    failNextStartups = 1;
    auto* failed = Create();
    ASSERT_NE(failed, nullptr);
    ASSERT_GE(Host().calls.size(), 2u);
    EXPECT_EQ(Host().calls[1].text, "Error: GdiplusStartup, 18") << "after the configure label";
    EXPECT_EQ(Record(failed)->created, 1) << "creation goes on";
    auto* working = Create();
    ASSERT_NE(working, nullptr);

    Destroy(failed);
    EXPECT_TRUE(shutTokens.empty()) << "a failed start-up must not shut GDI+ down for the others";
    Tick(working);
    EXPECT_FALSE(Overlay(working).Empty());
    Destroy(working);
    EXPECT_EQ(shutTokens, startedTokens);
}
