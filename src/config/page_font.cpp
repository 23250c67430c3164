// Font page: face, size, colours, transparencies, outline and shadow of the
// icon text, with a sample drawn by the icon's own text renderer. Edits live
// in the page's state until the page is left.
#include "config/config.h"

#include <wchar.h>

#include <algorithm>
#include <new>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/docklet.h"
#include "core/text.h"
#include "render/gdiplus_owners.h"
#include "render/render.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const int DEFAULT_FONT_SIZE = 34;
const int SAMPLE_WIDTH = 150; // at 96 DPI
const int SAMPLE_HEIGHT = 60;
const int SIZE_SPIN_LOWEST = 0;
const int SIZE_SPIN_HIGHEST = 72;

struct FontPageState {
    PageSlots slots; // the page record and the open sheet's context
    wchar_t fontName[FONT_NAME_CAPACITY];
    int fontSize;
    COLORREF fontColor;
    BYTE fontAlpha;
    int outline;
    COLORREF outlineColor;
    BYTE outlineAlpha;
    int shadow;
    COLORREF shadowColor;
    BYTE shadowAlpha;
    bool loading; // the page is being filled: it draws its preview once, at the end
};

FontPageState fontState = {};


const ColourRow<FontPageState> ROWS[] = {
    {IDC_FONT_FILL_CHOOSE, IDC_FONT_FILL_ALPHA, IDC_FONT_FILL_PERCENT, &FontPageState::fontColor,
     &FontPageState::fontAlpha, &DockletInstance::fontColor, &DockletInstance::fontAlpha},
    {IDC_FONT_OUTLINE_CHOOSE, IDC_FONT_OUTLINE_ALPHA, IDC_FONT_OUTLINE_PERCENT, &FontPageState::outlineColor,
     &FontPageState::outlineAlpha, &DockletInstance::outlineColor, &DockletInstance::outlineAlpha},
    {IDC_FONT_SHADOW_CHOOSE, IDC_FONT_SHADOW_ALPHA, IDC_FONT_SHADOW_PERCENT, &FontPageState::shadowColor,
     &FontPageState::shadowAlpha, &DockletInstance::shadowColor, &DockletInstance::shadowAlpha},
};

// Faces already listed, by exact name without regard to case: a face whose
// name merely begins another one's ("Arial" after "Arial Black") is listed
// too, and the look-up does not walk the list for every enumerated face. The
// enumeration gives each face once per character set, one after the other:
// a repeat of the face just seen is passed over before the look-up.
struct FaceCollector {
    HWND comboBox;
    std::unordered_set<std::wstring> listed;
    std::vector<std::wstring> names; // to be listed, in the order enumerated
    wchar_t previous[LF_FACESIZE];
    bool addedDirectly; // some face went straight into the combo box
};

int CALLBACK CollectFontFace(const LOGFONTW* font, const TEXTMETRICW* /*metrics*/, DWORD fontType, LPARAM lParam)
{
    auto* collector = reinterpret_cast<FaceCollector*>(lParam);
    if (!(fontType & TRUETYPE_FONTTYPE))
        return 1;
    if (wcsncmp(collector->previous, font->lfFaceName, LF_FACESIZE) == 0)
        return 1;
    CopyText(collector->previous, LF_FACESIZE, font->lfFaceName);
    wchar_t key[LF_FACESIZE];
    CopyText(key, LF_FACESIZE, font->lfFaceName);
    CharLowerW(key);
    try {
        if (collector->listed.insert(key).second)
            collector->names.push_back(font->lfFaceName);
    } catch (...) {
        // Out of memory: list the face anyway rather than stop the enumeration.
        SendMessageW(collector->comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
        collector->addedDirectly = true;
    }
    return 1;
}

// The combo box sorts what CB_ADDSTRING gives it by comparing the new name
// with others through its locale's collation, which with some hundred faces
// costs more than the enumeration itself. The names are put into the order
// it keeps once, by sort keys of that locale (they compare as the collation
// does), and appended: CB_INSERTSTRING does not sort.
bool AppendInComboBoxOrder(HWND comboBox, const std::vector<std::wstring>& names)
{
    const LCID locale = static_cast<LCID>(SendMessageW(comboBox, CB_GETLOCALE, 0, 0));
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    try {
        std::vector<std::pair<std::string, size_t>> order; // sort key (bytes), name
        order.reserve(names.size());
        size_t characters = 0;
        char key[512]; // a face name's key is far shorter
        for (size_t i = 0; i < names.size(); ++i) {
            const int bytes =
                LCMapStringW(locale, flags, names[i].c_str(), -1, reinterpret_cast<LPWSTR>(key), sizeof key);
            if (bytes <= 0)
                return false;
            order.emplace_back(std::string(key, static_cast<size_t>(bytes)), i);
            characters += names[i].size() + 1;
        }
        std::stable_sort(order.begin(), order.end(),
                         [](const std::pair<std::string, size_t>& a, const std::pair<std::string, size_t>& b) {
                             return a.first < b.first; // as unsigned bytes
                         });
        SendMessageW(comboBox, CB_INITSTORAGE, names.size(), characters * sizeof(wchar_t));
        for (const auto& entry : order)
            SendMessageW(comboBox, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(names[entry.second].c_str()));
    } catch (...) {
        return false;
    }
    return true;
}

int FillFontFaceList(const DockletInstance* copy, HWND comboBox)
{
    SendMessageW(comboBox, WM_SETREDRAW, FALSE, 0);
    SendMessageW(comboBox, CB_RESETCONTENT, 0, 0);
    LOGFONTW request = {};
    request.lfCharSet = DEFAULT_CHARSET;
    FaceCollector* collector = new (std::nothrow) FaceCollector();
    if (collector) {
        collector->comboBox = comboBox;
        // The screen's faces when the docklet's window is gone.
        HWND window = IsWindow(copy->hwndDocklet) ? copy->hwndDocklet : nullptr;
        HDC dc = GetDC(window);
        EnumFontFamiliesExW(dc, &request, CollectFontFace, reinterpret_cast<LPARAM>(collector), 0);
        ReleaseDC(window, dc);
        if (collector->addedDirectly || !AppendInComboBoxOrder(comboBox, collector->names)) {
            // The combo box sorts them itself, next to what went in directly.
            for (const std::wstring& name : collector->names) {
                if (!collector->addedDirectly ||
                    SendMessageW(comboBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(name.c_str())) == CB_ERR)
                    SendMessageW(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            }
        }
        delete collector;
    }
    SendMessageW(comboBox, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(comboBox, nullptr, TRUE);
    return 0;
}

void DrawFontPreview(HWND page, int control, const wchar_t* face, int size, COLORREF fillColour, BYTE fillAlpha,
                     int outlineOn, COLORREF outlineColour, BYTE outlineAlpha, int shadowOn, COLORREF shadowColour,
                     BYTE shadowAlpha)
{
    const PreviewScale scale = ScaleForPreview(page, control, SAMPLE_WIDTH, SAMPLE_HEIGHT);
    BitmapOwner bitmap;
    GdipCreateBitmapFromScan0(scale.Of(SAMPLE_WIDTH), scale.Of(SAMPLE_HEIGHT), 0, PixelFormat32bppARGB, nullptr,
                              bitmap.Receive());
    GraphicsOwner graphics;
    GdipGetImageGraphicsContext(bitmap.Get(), graphics.Receive());
    if (graphics.Get()) {
        GdipSetInterpolationMode(graphics.Get(), InterpolationModeHighQuality);
        GdipSetCompositingQuality(graphics.Get(), CompositingQualityHighQuality);
        GdipSetCompositingMode(graphics.Get(), CompositingModeSourceOver);
        GdipSetSmoothingMode(graphics.Get(), SmoothingModeAntiAlias);
        // Layout and em size as at 96 DPI, scaled as a whole.
        ScaleDrawing(graphics.Get(), scale);
        DrawOutlinedText(graphics.Get(), L"Sample Text", face, FontStyleBold, fillColour, fillAlpha,
                         StringAlignmentCenter, StringAlignmentCenter, static_cast<float>(size), shadowOn,
                         shadowColour, shadowAlpha, outlineOn, outlineColour, outlineAlpha, LayoutRect{5, 5, 140, 50});
    }
    ShowPreviewBitmap(page, control, bitmap.Get());
}

void Redraw(HWND page)
{
    const FontPageState& s = fontState;
    DrawFontPreview(page, IDC_FONT_PREVIEW, s.fontName, s.fontSize, s.fontColor, s.fontAlpha, s.outline,
                    s.outlineColor, s.outlineAlpha, s.shadow, s.shadowColor, s.shadowAlpha);
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

void LoadFontPage(HWND page, DockletInstance* copy)
{
    fontState.loading = true;
    FillFontFaceList(copy, GetDlgItem(page, IDC_FONT_FACE));

    CopyText(fontState.fontName, FONT_NAME_CAPACITY, copy->fontName);
    if (fontState.fontName[0]) {
        // A saved face that only begins a listed one selects that one, and
        // the sample draws the face the list shows: the saved name may be
        // no font's.
        const LRESULT found =
            SendDlgItemMessageW(page, IDC_FONT_FACE, CB_FINDSTRING, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>(fontState.fontName));
        if (found != CB_ERR) {
            SendDlgItemMessageW(page, IDC_FONT_FACE, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
            wchar_t face[FONT_NAME_CAPACITY];
            SelectedFace(page, face);
            if (face[0])
                CopyText(fontState.fontName, FONT_NAME_CAPACITY, face);
        }
    }

    fontState.fontSize = copy->fontSize;
    SetDlgItemInt(page, IDC_FONT_SIZE, static_cast<UINT>(fontState.fontSize), FALSE);
    SendDlgItemMessageW(page, IDC_FONT_SIZE_SPIN, UDM_SETRANGE, 0, MAKELPARAM(SIZE_SPIN_HIGHEST, SIZE_SPIN_LOWEST));

    LoadColourRows(page, fontState, *copy, ROWS);
    fontState.outline = copy->outline;
    SendDlgItemMessageW(page, IDC_FONT_OUTLINE, BM_SETCHECK, static_cast<WPARAM>(fontState.outline), 0);
    fontState.shadow = copy->shadow;
    SendDlgItemMessageW(page, IDC_FONT_SHADOW, BM_SETCHECK, static_cast<WPARAM>(fontState.shadow), 0);
    fontState.loading = false;
    Redraw(page);
}

void StoreFontPage(HWND page, DockletInstance* copy)
{
    wchar_t face[FONT_NAME_CAPACITY];
    SelectedFace(page, face);
    if (face[0])
        CopyText(copy->fontName, FONT_NAME_CAPACITY, face);

    BOOL valid = FALSE;
    const UINT size = GetDlgItemInt(page, IDC_FONT_SIZE, &valid, FALSE);
    fontState.fontSize = valid ? static_cast<int>(size) : 0;
    copy->fontSize = valid ? static_cast<int>(size) : DEFAULT_FONT_SIZE;

    StoreColourRows(page, fontState, *copy, ROWS);
    copy->outline = SendDlgItemMessageW(page, IDC_FONT_OUTLINE, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    copy->shadow = SendDlgItemMessageW(page, IDC_FONT_SHADOW, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

const PageHandlers FONT_HANDLERS = {LoadFontPage, StoreFontPage};

void OnFontCommand(HWND page, int control, int notification)
{
    if (control == IDC_FONT_SIZE) {
        if (notification != EN_CHANGE)
            return;
        BOOL valid = FALSE;
        const UINT size = GetDlgItemInt(page, IDC_FONT_SIZE, &valid, FALSE);
        fontState.fontSize = valid ? static_cast<int>(size) : DEFAULT_FONT_SIZE;
        if (!fontState.loading) // setting the size's text while loading comes here too
            Redraw(page);
        return;
    }
    if (control == IDC_FONT_FACE) {
        if (notification != CBN_SELENDOK)
            return;
        wchar_t face[FONT_NAME_CAPACITY];
        SelectedFace(page, face);
        if (face[0])
            CopyText(fontState.fontName, FONT_NAME_CAPACITY, face);
        Redraw(page);
        return;
    }
    if (!fontState.slots.context || !fontState.slots.context->workingCopy)
        return;
    if (control == IDC_FONT_OUTLINE) {
        fontState.outline = static_cast<int>(SendDlgItemMessageW(page, IDC_FONT_OUTLINE, BM_GETCHECK, 0, 0));
        Redraw(page);
        return;
    }
    if (control == IDC_FONT_SHADOW) {
        fontState.shadow = static_cast<int>(SendDlgItemMessageW(page, IDC_FONT_SHADOW, BM_GETCHECK, 0, 0));
        Redraw(page);
        return;
    }
    if (const auto* row = RowOfButton(control, ROWS)) {
        COLORREF colour = fontState.*row->colour;
        if (ChooseColour(page, fontState.slots.context->workingCopy->hwndDocklet, colour)) {
            fontState.*row->colour = colour;
            Redraw(page);
        }
    }
}

void OnFontSlider(HWND page, int code, HWND slider)
{
    if (const auto* row = RowOfMovedSlider(page, code, slider, ROWS)) {
        fontState.*row->alpha = SliderAlpha(page, row->slider);
        ShowAlphaPercent(page, row->label, fontState.*row->alpha);
        Redraw(page);
    }
}

} // namespace

INT_PTR CALLBACK FontPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        ReleasePicture(page, IDC_FONT_PREVIEW);
        break;
    case WM_COMMAND:
        OnFontCommand(page, LOWORD(wParam), HIWORD(wParam));
        return FALSE;
    case WM_HSCROLL:
        if (fontState.slots.context)
            OnFontSlider(page, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        return FALSE;
    default:
        break;
    }
    return HandlePageProtocol(page, message, lParam, fontState.slots, FONT_HANDLERS);
}
