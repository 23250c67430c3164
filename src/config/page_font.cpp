// Font page: face, size, colours, transparencies, outline and shadow of the
// icon text, with a sample drawn by the icon's own text renderer. Every edit
// goes into the working copy's text style at once.
#include "config/config.h"

#include <string.h>
#include <wchar.h>

#include <algorithm>

#include "core/text.h"
#include "render/render.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const int DEFAULT_FONT_SIZE = 34;
const int SAMPLE_WIDTH = 150; // at 96 DPI
const int SAMPLE_HEIGHT = 60;
const int SIZE_SPIN_LOWEST = 0;
const int SIZE_SPIN_HIGHEST = 72;

PageSlots fontSlots = {}; // the page record and the open sheet's context
bool loading = false;     // the page is being filled: it draws its preview once, at the end

// The faces to list, in the order enumerated, without repeats: a face is
// listed once by exact name without regard to case, so one whose name merely
// begins another's ("Arial" after "Arial Black") is listed too. A hash table
// over the lowered names keeps the look-up from walking the list for every
// enumerated face. The enumeration gives each face once per character set,
// one after the other: a repeat of the face just seen is passed over first.
struct FaceName {
    wchar_t name[LF_FACESIZE];
    wchar_t lowered[LF_FACESIZE];
};

struct FaceCollector {
    HWND comboBox;
    FaceName* faces;
    size_t count, capacity;
    size_t* table; // face index + 1, 0 for an empty slot; size a power of two
    size_t tableSize;
    wchar_t previous[LF_FACESIZE];
    bool addedDirectly; // some face went straight into the combo box
};

void* Allocate(size_t count, size_t size)
{
    if (size && count > static_cast<size_t>(-1) / size)
        return nullptr;
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * size);
}

void Release(void* memory)
{
    if (memory)
        HeapFree(GetProcessHeap(), 0, memory);
}

size_t HashOf(const wchar_t* text)
{
    size_t hash = 2166136261u;
    for (; *text; ++text)
        hash = (hash ^ static_cast<size_t>(*text)) * 16777619u;
    return hash;
}

// The slot that holds `lowered`, or the empty slot where it would go.
size_t* SlotOf(size_t* table, size_t tableSize, const FaceName* faces, const wchar_t* lowered)
{
    size_t at = HashOf(lowered) & (tableSize - 1);
    while (table[at] && wcscmp(faces[table[at] - 1].lowered, lowered) != 0)
        at = (at + 1) & (tableSize - 1);
    return &table[at];
}

// Room for one more face, the table kept at most half full.
bool MakeRoom(FaceCollector* collector)
{
    if (collector->count == collector->capacity) {
        const size_t capacity = collector->capacity ? collector->capacity * 2 : 256;
        auto* faces = static_cast<FaceName*>(Allocate(capacity, sizeof(FaceName)));
        if (!faces)
            return false;
        if (collector->count)
            memcpy(faces, collector->faces, collector->count * sizeof(FaceName));
        Release(collector->faces);
        collector->faces = faces;
        collector->capacity = capacity;
    }
    if ((collector->count + 1) * 2 > collector->tableSize) {
        const size_t tableSize = collector->tableSize ? collector->tableSize * 2 : 512;
        auto* table = static_cast<size_t*>(Allocate(tableSize, sizeof(size_t)));
        if (!table)
            return false;
        for (size_t i = 0; i < collector->count; ++i)
            *SlotOf(table, tableSize, collector->faces, collector->faces[i].lowered) = i + 1;
        Release(collector->table);
        collector->table = table;
        collector->tableSize = tableSize;
    }
    return true;
}

int CALLBACK CollectFontFace(const LOGFONTW* font, const TEXTMETRICW* /*metrics*/, DWORD fontType, LPARAM lParam)
{
    auto* collector = reinterpret_cast<FaceCollector*>(lParam);
    if (!(fontType & TRUETYPE_FONTTYPE))
        return 1;
    if (wcsncmp(collector->previous, font->lfFaceName, LF_FACESIZE) == 0)
        return 1;
    CopyText(collector->previous, LF_FACESIZE, font->lfFaceName);
    wchar_t lowered[LF_FACESIZE];
    CopyText(lowered, LF_FACESIZE, font->lfFaceName);
    CharLowerW(lowered);
    if (!MakeRoom(collector)) {
        // Out of memory: list the face anyway rather than stop the enumeration.
        if (SendMessageW(collector->comboBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(font->lfFaceName)) == CB_ERR)
            SendMessageW(collector->comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
        collector->addedDirectly = true;
        return 1;
    }
    size_t* slot = SlotOf(collector->table, collector->tableSize, collector->faces, lowered);
    if (*slot)
        return 1;
    FaceName& face = collector->faces[collector->count];
    CopyText(face.name, LF_FACESIZE, font->lfFaceName);
    CopyText(face.lowered, LF_FACESIZE, lowered);
    *slot = ++collector->count;
    return 1;
}

// A face's place in the combo box's order: its sort key, then its place in
// the enumeration, so equal keys keep the enumerated order.
struct SortEntry {
    BYTE* key;
    int keyBytes;
    size_t face;
};

bool ComesBefore(const SortEntry& a, const SortEntry& b)
{
    const int common = a.keyBytes < b.keyBytes ? a.keyBytes : b.keyBytes;
    const int order = memcmp(a.key, b.key, static_cast<size_t>(common)); // as unsigned bytes
    if (order != 0)
        return order < 0;
    if (a.keyBytes != b.keyBytes)
        return a.keyBytes < b.keyBytes;
    return a.face < b.face;
}

// The combo box sorts what CB_ADDSTRING gives it by comparing the new name
// with others through its locale's collation, which with some hundred faces
// costs more than the enumeration itself. The names are put into the order
// it keeps once, by sort keys of that locale (they compare as the collation
// does), and appended: CB_INSERTSTRING does not sort.
bool AppendInComboBoxOrder(HWND comboBox, const FaceName* faces, size_t count)
{
    if (count == 0)
        return true;
    const LCID locale = static_cast<LCID>(SendMessageW(comboBox, CB_GETLOCALE, 0, 0));
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int KEY_BYTES = 512; // a face name's key is far shorter
    auto* order = static_cast<SortEntry*>(Allocate(count, sizeof(SortEntry)));
    auto* keys = static_cast<BYTE*>(Allocate(count, KEY_BYTES));
    bool sorted = order && keys;
    size_t characters = 0;
    for (size_t i = 0; sorted && i < count; ++i) {
        order[i].key = keys + i * KEY_BYTES;
        order[i].keyBytes = LCMapStringW(locale, flags, faces[i].name, -1, reinterpret_cast<LPWSTR>(order[i].key),
                                         KEY_BYTES);
        order[i].face = i;
        characters += wcslen(faces[i].name) + 1;
        sorted = order[i].keyBytes > 0;
    }
    if (sorted) {
        std::sort(order, order + count, ComesBefore);
        SendMessageW(comboBox, CB_INITSTORAGE, count, characters * sizeof(wchar_t));
        for (size_t i = 0; i < count; ++i)
            SendMessageW(comboBox, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(faces[order[i].face].name));
    }
    Release(keys);
    Release(order);
    return sorted;
}

int FillFontFaceList(const DockletInstance* copy, HWND comboBox)
{
    SendMessageW(comboBox, WM_SETREDRAW, FALSE, 0);
    SendMessageW(comboBox, CB_RESETCONTENT, 0, 0);
    LOGFONTW request = {};
    request.lfCharSet = DEFAULT_CHARSET;
    FaceCollector collector = {};
    collector.comboBox = comboBox;
    // The screen's faces when the docklet's window is gone.
    HWND window = IsWindow(copy->hwndDocklet) ? copy->hwndDocklet : nullptr;
    HDC dc = GetDC(window);
    EnumFontFamiliesExW(dc, &request, CollectFontFace, reinterpret_cast<LPARAM>(&collector), 0);
    ReleaseDC(window, dc);
    if (collector.addedDirectly || !AppendInComboBoxOrder(comboBox, collector.faces, collector.count)) {
        // The combo box sorts them itself, next to what went in directly.
        for (size_t i = 0; i < collector.count; ++i) {
            const wchar_t* name = collector.faces[i].name;
            if (!collector.addedDirectly ||
                SendMessageW(comboBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(name)) == CB_ERR)
                SendMessageW(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        }
    }
    Release(collector.table);
    Release(collector.faces);
    SendMessageW(comboBox, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(comboBox, nullptr, TRUE);
    return 0;
}

void DrawFontPreview(HWND page, int control, const TextStyle& style)
{
    PreviewCanvas canvas(page, control, SAMPLE_WIDTH, SAMPLE_HEIGHT);
    if (canvas.graphics()) {
        // Layout and em size as at 96 DPI, scaled as a whole.
        ScaleDrawing(canvas.graphics(), canvas.scale());
        DrawOutlinedText(canvas.graphics(), L"Sample Text", style, StringAlignmentCenter, StringAlignmentCenter,
                         static_cast<float>(style.fontSize), LayoutRect{5, 5, 140, 50});
    }
    canvas.Show();
}

void Redraw(HWND page, const DockletInstance* copy)
{
    DrawFontPreview(page, IDC_FONT_PREVIEW, copy->text);
}

// The selected face's full name; empty when nothing is selected.
void SelectedFace(HWND page, wchar_t (&face)[FONT_NAME_CAPACITY])
{
    face[0] = 0;
    HWND comboBox = GetDlgItem(page, IDC_FONT_FACE);
    const LRESULT selection = SendMessageW(comboBox, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR)
        return;
    const LRESULT length = SendMessageW(comboBox, CB_GETLBTEXTLEN, static_cast<WPARAM>(selection), 0);
    if (length == CB_ERR || length >= FONT_NAME_CAPACITY)
        return; // a face name never needs more; the list's text would overrun the buffer
    SendMessageW(comboBox, CB_GETLBTEXT, static_cast<WPARAM>(selection), reinterpret_cast<LPARAM>(face));
    face[FONT_NAME_CAPACITY - 1] = 0;
}

// What the size edit holds; not a valid number: the default size.
int TypedSize(HWND page)
{
    BOOL valid = FALSE;
    const UINT size = GetDlgItemInt(page, IDC_FONT_SIZE, &valid, FALSE);
    return valid ? static_cast<int>(size) : DEFAULT_FONT_SIZE;
}

// The selected face into the style; nothing selected: the style keeps its face.
void TakeSelectedFace(HWND page, TextStyle& style)
{
    wchar_t face[FONT_NAME_CAPACITY];
    SelectedFace(page, face);
    if (face[0])
        CopyText(style.fontName, FONT_NAME_CAPACITY, face);
}

void LoadFontPage(HWND page, DockletInstance* copy)
{
    TextStyle& style = copy->text;
    loading = true;
    FillFontFaceList(copy, GetDlgItem(page, IDC_FONT_FACE));
    if (style.fontName[0]) {
        // A saved face that only begins a listed one selects that one, and
        // takes its full name: the saved name may be no font's.
        const LRESULT found = SendDlgItemMessageW(page, IDC_FONT_FACE, CB_FINDSTRING, static_cast<WPARAM>(-1),
                                                  reinterpret_cast<LPARAM>(style.fontName));
        if (found != CB_ERR) {
            SendDlgItemMessageW(page, IDC_FONT_FACE, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
            TakeSelectedFace(page, style);
        }
    }

    SetDlgItemInt(page, IDC_FONT_SIZE, static_cast<UINT>(style.fontSize), FALSE);
    SendDlgItemMessageW(page, IDC_FONT_SIZE_SPIN, UDM_SETRANGE, 0, MAKELPARAM(SIZE_SPIN_HIGHEST, SIZE_SPIN_LOWEST));

    LoadColourRows(page, IDD_FONT, copy);
    Tick(page, IDC_FONT_OUTLINE, style.outline != 0);
    Tick(page, IDC_FONT_SHADOW, style.shadow != 0);
    loading = false;
    Redraw(page, copy);
}

void StoreFontPage(HWND page, DockletInstance* copy)
{
    TextStyle& style = copy->text;
    TakeSelectedFace(page, style);
    style.fontSize = TypedSize(page);
    StoreColourRows(page, IDD_FONT, copy);
    style.outline = Ticked(page, IDC_FONT_OUTLINE);
    style.shadow = Ticked(page, IDC_FONT_SHADOW);
}

void OnFontCommand(HWND page, int control, int notification, DockletInstance* copy)
{
    TextStyle& style = copy->text;
    if (control == IDC_FONT_SIZE) {
        // Setting the size's text while loading comes here too.
        if (notification != EN_CHANGE || loading)
            return;
        style.fontSize = TypedSize(page);
    } else if (control == IDC_FONT_FACE) {
        if (notification != CBN_SELENDOK)
            return;
        TakeSelectedFace(page, style);
    } else if (control == IDC_FONT_OUTLINE) {
        style.outline = Ticked(page, IDC_FONT_OUTLINE);
    } else if (control == IDC_FONT_SHADOW) {
        style.shadow = Ticked(page, IDC_FONT_SHADOW);
    } else {
        return;
    }
    Redraw(page, copy);
}

const PageHandlers PAGE = {LoadFontPage, StoreFontPage, OnFontCommand, Redraw, IDC_FONT_PREVIEW, IDD_FONT};

} // namespace

INT_PTR CALLBACK FontPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RunPage(page, message, wParam, lParam, fontSlots, PAGE);
}
