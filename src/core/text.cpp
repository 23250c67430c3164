#include "core/text.h"

#include <stdarg.h>
#include <windows.h>
#include <strsafe.h>

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

} // namespace

bool WidenBytes(wchar_t* target, size_t capacity, const char* source)
{
    return WidenBytesN(target, capacity, source, static_cast<size_t>(-1));
}

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

bool FormatText(wchar_t* target, size_t capacity, const wchar_t* format, ...)
{
    if (capacity == 0)
        return false;
    va_list args;
    va_start(args, format);
    HRESULT hr = StringCchVPrintfW(target, capacity, format, args);
    va_end(args);
    return SUCCEEDED(hr);
}

bool FormatBytes(char* target, size_t capacity, const char* format, ...)
{
    if (capacity == 0)
        return false;
    va_list args;
    va_start(args, format);
    HRESULT hr = StringCchVPrintfA(target, capacity, format, args);
    va_end(args);
    return SUCCEEDED(hr);
}
