// bench_font_page: what showing the settings sheet's Font page costs, against
// a bare enumeration of the same font faces in the same process.
//
//   bench_font_page [--rounds N] [--quick]
//
// The page rebuilds its face list from a full EnumFontFamiliesExW every time
// it is activated, then selects the saved face, sets up its controls and
// draws its preview, all inside the sheet's PSM_SETCURSEL: timing that call,
// after moving to the General page first, is the measure. The reference is
// EnumFontFamiliesExW with the page's request (DEFAULT_CHARSET, no face name,
// no flags) and a callback that counts TrueType faces and collects their
// names. Both run at the faces of this machine and again with 100, 300 and
// 600 generated faces added (--quick: fewer rounds, none and 100 added).
//
// Exits 1 when the page did not open, showed no preview, listed other names
// than the bare enumeration found or listed them out of the combo box's
// order; the timings are only printed.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>
#include <wchar.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "config/resource.h"
#include "bench_support.h"
#include "core/docklet.h"
#include "dock.h"
#include "fontgen.h"
#include "host_services.h"
#include "modal.h"
#include "record.h"

namespace {

using bench::Figures;
using bench::Now;
using bench::Summarise;

const wchar_t SHEET_CAPTION[] = L"Configure Corvane Docklet";
const int GENERAL_PAGE = 0;
const int FONT_PAGE = 2;
const int WARM_UP = 3;

std::wstring Lower(const std::wstring& text)
{
    std::wstring lower = text;
    if (!lower.empty())
        CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
    return lower;
}

// ---- The reference ----

struct BareEnumeration {
    int trueTypeFaces = 0; // callbacks for TrueType faces, every charset counted
    int entries = 0;       // every callback
    std::vector<std::wstring> names;
};

int CALLBACK CountFace(const LOGFONTW* font, const TEXTMETRICW* /*metrics*/, DWORD fontType, LPARAM lParam)
{
    auto* bare = reinterpret_cast<BareEnumeration*>(lParam);
    ++bare->entries;
    if (fontType & TRUETYPE_FONTTYPE) {
        ++bare->trueTypeFaces;
        bare->names.push_back(font->lfFaceName);
    }
    return 1;
}

double TimeBareEnumeration(HWND window, BareEnumeration& bare)
{
    bare = BareEnumeration();
    bare.names.reserve(8192);
    LOGFONTW request = {};
    request.lfCharSet = DEFAULT_CHARSET;
    HDC dc = GetDC(window);
    const double start = Now();
    EnumFontFamiliesExW(dc, &request, CountFace, reinterpret_cast<LPARAM>(&bare), 0);
    const double elapsed = Now() - start;
    ReleaseDC(window, dc);
    return elapsed;
}

// ---- The page ----

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// Takes the preview away from the picture control (freeing it, as the page
// would), so that what shows after the activation was drawn by it.
void ClearPreview(HWND page)
{
    HWND picture = GetDlgItem(page, IDC_FONT_PREVIEW);
    if (!picture)
        return;
    HGDIOBJ previous = reinterpret_cast<HGDIOBJ>(SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, 0));
    if (previous)
        DeleteObject(previous);
}

bool PreviewShown(HWND page)
{
    return SendDlgItemMessageW(page, IDC_FONT_PREVIEW, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
}

std::vector<std::wstring> ListedFaces(HWND page)
{
    std::vector<std::wstring> names;
    HWND comboBox = GetDlgItem(page, IDC_FONT_FACE);
    const LRESULT count = SendMessageW(comboBox, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(comboBox, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length == CB_ERR)
            continue;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(comboBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(wcslen(text.c_str()));
        names.push_back(text);
    }
    return names;
}

// ---- One size ----

struct Row {
    int generated = 0;
    int trueTypeNames = 0;  // distinct TrueType names, what the page should list
    int trueTypeFaces = 0;  // TrueType callbacks of one enumeration
    int entries = 0;        // all callbacks of one enumeration
    int listed = 0;         // what the page's combo box listed
    double firstActivation = 0;
    std::vector<double> page, bare;
    bool opened = false, previews = true, listsMatch = false, sorted = true;
    std::wstring outOfOrder; // the first neighbours that are not in the combo box's order
    std::vector<std::wstring> onlyListed, onlyEnumerated, listedTwice;
};

// Runs inside the sheet's modal loop, from the scripted user's timer.
void Measure(HWND sheet, HWND docklet, int rounds, Row& row)
{
    SendMessageW(sheet, PSM_SETCURSEL, FONT_PAGE, 0);
    HWND fontPage = dockhost::SheetPage(sheet, FONT_PAGE);
    if (!fontPage || CurrentPage(sheet) != fontPage)
        return;
    row.opened = true;

    BareEnumeration bare;
    for (int round = -WARM_UP; round < rounds; ++round) {
        SendMessageW(sheet, PSM_SETCURSEL, GENERAL_PAGE, 0);
        ClearPreview(fontPage);
        const double start = Now();
        SendMessageW(sheet, PSM_SETCURSEL, FONT_PAGE, 0);
        const double page = Now() - start;
        if (CurrentPage(sheet) != fontPage || !PreviewShown(fontPage))
            row.previews = false;
        const double reference = TimeBareEnumeration(docklet, bare);
        if (round == -WARM_UP)
            row.firstActivation = page;
        if (round >= 0) {
            row.page.push_back(page);
            row.bare.push_back(reference);
        }
    }

    // The page lists each TrueType name once, by exact name without regard to case.
    row.trueTypeFaces = bare.trueTypeFaces;
    row.entries = bare.entries;
    std::set<std::wstring> enumerated;
    std::vector<std::wstring> firstSpelling;
    for (const std::wstring& name : bare.names) {
        if (enumerated.insert(Lower(name)).second)
            firstSpelling.push_back(name);
    }
    row.trueTypeNames = static_cast<int>(enumerated.size());
    const std::vector<std::wstring> listed = ListedFaces(fontPage);
    row.listed = static_cast<int>(listed.size());
    // In the order the sorted combo box keeps: its locale's collation, case ignored.
    const LCID locale = static_cast<LCID>(SendDlgItemMessageW(fontPage, IDC_FONT_FACE, CB_GETLOCALE, 0, 0));
    for (size_t i = 1; i < listed.size() && row.sorted; ++i) {
        if (CompareStringW(locale, NORM_IGNORECASE, listed[i - 1].c_str(), -1, listed[i].c_str(), -1) ==
            CSTR_GREATER_THAN) {
            row.sorted = false;
            row.outOfOrder = L"\"" + listed[i - 1] + L"\" before \"" + listed[i] + L"\"";
        }
    }
    std::set<std::wstring> shown;
    for (const std::wstring& name : listed) {
        if (!shown.insert(Lower(name)).second)
            row.listedTwice.push_back(name);
        else if (!enumerated.count(Lower(name)))
            row.onlyListed.push_back(name);
    }
    for (const std::wstring& name : firstSpelling) {
        if (!shown.count(Lower(name)))
            row.onlyEnumerated.push_back(name);
    }
    row.listsMatch = row.listedTwice.empty() && row.onlyListed.empty() && row.onlyEnumerated.empty();
}

bool RunSize(dockhost::Dock& dock, dockhost::Docklet* docklet, int rounds, Row& row)
{
    dockhost::ModalDriver ui;
    ui.Then([] { return dockhost::FindThreadWindow(SHEET_CAPTION) != nullptr; })
        .Do([&] { Measure(dockhost::FindThreadWindow(SHEET_CAPTION), docklet->hwnd, rounds, row); })
        .Do([] { PostMessageW(dockhost::FindThreadWindow(SHEET_CAPTION), PSM_PRESSBUTTON, PSBTN_CANCEL, 0); });
    ui.Start(20, 30 * 60 * 1000);
    dock.Entry().OnConfigure(docklet->instance);
    ui.Stop();
    return ui.Finished() && !ui.TimedOut() && row.opened;
}

void PrintNames(const char* what, const std::vector<std::wstring>& names)
{
    if (names.empty())
        return;
    printf("  %s (%zu):", what, names.size());
    for (size_t i = 0; i < names.size() && i < 12; ++i)
        printf(" \"%ls\"", names[i].c_str());
    printf("%s\n", names.size() > 12 ? " ..." : "");
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int rounds = 30;
    std::vector<int> sizes = {0, 100, 300, 600};
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(1, _wtoi(argv[++i]));
        } else if (wcscmp(argv[i], L"--quick") == 0) {
            rounds = 5;
            sizes = {0, 100};
        } else {
            fwprintf(stderr, L"usage: bench_font_page [--rounds N] [--quick]\n");
            return 2;
        }
    }

    dockhost::Dock dock;
    if (!bench::LoadModule(dock, "bench_font_page"))
        return 1;
    dockhost::Docklet* docklet = bench::AddDocklet(dock, "bench_font_page"); // no refresh between the measurements
    if (!docklet)
        return 1;
    const std::wstring savedFace = record::Text(docklet, "FontName");

    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    wchar_t folder[MAX_PATH];
    swprintf(folder, MAX_PATH, L"%lsmoravel-font-bench-%lu", temp, GetCurrentProcessId());
    fontgen::GeneratedFaces faces(folder);

    std::vector<Row> table;
    bool ok = true;
    for (int size : sizes) {
        const int more = size - static_cast<int>(faces.Count());
        const double start = Now();
        if (more > 0 && !faces.Install(fontgen::NumberedFamilies(L"Moravel Bench", static_cast<int>(faces.Count()) + 1, more))) {
            fwprintf(stderr, L"bench_font_page: %ls\n", faces.Error().c_str());
            ok = false;
            break;
        }
        const double installed = Now() - start;
        const std::vector<std::wstring> missing = fontgen::MissingTrueTypeFaces(faces.Families());
        if (!missing.empty()) {
            fprintf(stderr, "bench_font_page: %zu generated faces are not listed as TrueType faces, e.g. \"%ls\"\n",
                    missing.size(), missing[0].c_str());
            ok = false;
            break;
        }
        if (more > 0)
            printf("added %d generated faces in %.0f ms (now %zu)\n", more, installed, faces.Count());
        fflush(stdout);

        Row row;
        row.generated = size;
        if (!RunSize(dock, docklet, rounds, row)) {
            fprintf(stderr, "bench_font_page: the Font page did not open with %d generated faces\n", size);
            ok = false;
            break;
        }
        if (!row.previews) {
            fprintf(stderr, "bench_font_page: an activation showed no preview (%d generated faces)\n", size);
            ok = false;
        }
        if (!row.listsMatch) {
            printf("lists differ with %d generated faces: %d listed, %d TrueType names enumerated\n", size,
                   row.listed, row.trueTypeNames);
            PrintNames("listed, not enumerated", row.onlyListed);
            PrintNames("enumerated, not listed", row.onlyEnumerated);
            PrintNames("listed more than once", row.listedTwice);
            ok = false;
        }
        if (!row.sorted) {
            printf("the list is not sorted with %d generated faces: %ls\n", size, row.outOfOrder.c_str());
            ok = false;
        }
        table.push_back(row);
    }
    faces.Remove();

    printf("bench_font_page: %d activations of the Font page per row (after %d not counted), saved face \"%ls\"\n",
           rounds, WARM_UP, savedFace.c_str());
    printf("%9s %7s %8s %8s %8s | %9s %8s | %9s %8s | %8s | %6s %6s | %s\n", "generated", "names", "TT calls",
           "calls", "first ms", "page med", "page p95", "bare med", "bare p95", "page-bare", "ratio", "r p95",
           "lists");
    bool goal = !table.empty();
    for (const Row& row : table) {
        const Figures page = Summarise(row.page), bare = Summarise(row.bare);
        const double ratio = bare.median > 0 ? page.median / bare.median : 0;
        const double ratio95 = bare.p95 > 0 ? page.p95 / bare.p95 : 0;
        if (!(ratio <= 1.5))
            goal = false;
        printf("%9d %7d %8d %8d %8.2f | %9.3f %8.3f | %9.3f %8.3f | %9.3f | %6.2f %6.2f | %s\n", row.generated,
               row.trueTypeNames, row.trueTypeFaces, row.entries, row.firstActivation, page.median, page.p95,
               bare.median, bare.p95, page.median - bare.median, ratio, ratio95,
               !row.listsMatch ? "DIFFER" : row.sorted ? "same" : "unsorted");
    }
    printf("goal, page at most 1.5 x bare (medians) at every size: %s\n", goal ? "met" : "not met");
    printf("bench_font_page: %s\n", ok ? "ran, lists matched" : "FAILED");
    dock.RemoveAll(false);
    return ok ? 0 : 1;
}
