#include "core/text.h"

#include <windows.h>

namespace {

template <typename Target, typename Source, typename Convert>
bool CopyConverted(Target* target, size_t capacity, const Source* source, size_t sourceMax, Convert convert)
{
    if (capacity == 0)
        return false;
    size_t n = 0;
    if (source) {
        for (; n < sourceMax && source[n] != 0; ++n) {
            if (n + 1 == capacity) {
                target[n] = 0;
                return false;
            }
            target[n] = convert(source[n]);
        }
    }
    target[n] = 0;
    return true;
}

// How a conversion starts: with no room for anything (false), with nothing
// to convert ("" written, true), or with the work to do.
enum ConversionStart { NO_ROOM, NOTHING_TO_CONVERT, TO_CONVERT };

template <typename Target, typename Source>
ConversionStart StartConversion(Target* target, size_t capacity, const Source* source)
{
    if (capacity == 0)
        return NO_ROOM;
    target[0] = 0;
    return source && source[0] ? TO_CONVERT : NOTHING_TO_CONVERT;
}

} // namespace

bool WidenBytesN(wchar_t* target, size_t capacity, const char* source, size_t sourceMax)
{
    return CopyConverted(target, capacity, source, sourceMax,
                         [](char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); });
}

bool NarrowToBytes(char* target, size_t capacity, const wchar_t* source)
{
    return CopyConverted(target, capacity, source, static_cast<size_t>(-1), [](wchar_t c) {
        return static_cast<unsigned>(c) <= 0xFF ? static_cast<char>(c) : '?';
    });
}

bool WidenFromHost(wchar_t* target, size_t capacity, const char* source)
{
    const ConversionStart start = StartConversion(target, capacity, source);
    if (start != TO_CONVERT)
        return start == NOTHING_TO_CONVERT;
    const int needed = MultiByteToWideChar(CP_ACP, 0, source, -1, nullptr, 0);
    if (needed <= 0)
        return false;
    if (static_cast<size_t>(needed) <= capacity)
        return MultiByteToWideChar(CP_ACP, 0, source, -1, target, static_cast<int>(capacity)) > 0;
    // Too long: widen the whole text, keep what fits, and never end on the
    // first half of a surrogate pair.
    wchar_t* whole = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, sizeof(wchar_t) * needed));
    if (!whole)
        return false;
    MultiByteToWideChar(CP_ACP, 0, source, -1, whole, needed);
    size_t keep = capacity - 1;
    if (keep > 0 && IS_HIGH_SURROGATE(whole[keep - 1]))
        --keep;
    memcpy(target, whole, keep * sizeof(wchar_t));
    target[keep] = 0;
    HeapFree(GetProcessHeap(), 0, whole);
    return false;
}

namespace {

// Bytes of the character that starts at `text` in code page `codePage`.
size_t CharacterBytes(UINT codePage, const char* text)
{
    const BYTE lead = static_cast<BYTE>(text[0]);
    size_t width = 1;
    if (codePage == CP_UTF8)
        width = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    else if (IsDBCSLeadByteEx(codePage, lead))
        width = 2;
    for (size_t i = 1; i < width; ++i)
        if (!text[i])
            return i;
    return width;
}

} // namespace

bool NarrowForHost(char* target, size_t capacity, const wchar_t* source)
{
    const ConversionStart start = StartConversion(target, capacity, source);
    if (start != TO_CONVERT)
        return start == NOTHING_TO_CONVERT;
    // UTF-8 as the system code page takes neither flags nor a replacement.
    const UINT codePage = GetACP();
    const bool utf8 = codePage == CP_UTF8;
    const char replacement = '?';
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* defaultChar = utf8 ? nullptr : &replacement;
    const int needed = WideCharToMultiByte(codePage, flags, source, -1, nullptr, 0, defaultChar, nullptr);
    if (needed <= 0)
        return false;
    char* whole = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, needed));
    if (!whole)
        return false;
    WideCharToMultiByte(codePage, flags, source, -1, whole, needed, defaultChar, nullptr);
    // Keep whole characters only: a multi-byte character is not split.
    size_t keep = 0;
    while (whole[keep]) {
        const size_t width = CharacterBytes(codePage, whole + keep);
        if (keep + width >= capacity)
            break;
        keep += width;
    }
    const bool complete = whole[keep] == 0;
    memcpy(target, whole, keep);
    target[keep] = 0;
    HeapFree(GetProcessHeap(), 0, whole);
    return complete;
}

bool CopyText(wchar_t* target, size_t capacity, const wchar_t* source)
{
    return CopyConverted(target, capacity, source, static_cast<size_t>(-1), [](wchar_t c) { return c; });
}

bool CopyBytes(char* target, size_t capacity, const char* source)
{
    return CopyConverted(target, capacity, source, static_cast<size_t>(-1), [](char c) { return c; });
}

bool AppendBytes(char* target, size_t capacity, const char* source)
{
    if (capacity == 0)
        return false;
    size_t used = 0;
    while (used < capacity && target[used] != 0)
        ++used;
    if (used == capacity) { // no terminator within the capacity: end it there
        target[capacity - 1] = 0;
        return false;
    }
    return CopyBytes(target + used, capacity - used, source);
}
