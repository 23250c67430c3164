// Every conversion between the host's and driver's 8-bit text and the
// docklet's UTF-16 text, and every bounded copy. All results are
// NUL-terminated and never written past `capacity` (counted in elements,
// terminator included); a capacity of 0 writes nothing.
#pragma once

#include <stddef.h>
#include <wchar.h>

#include <windows.h>
#define STRSAFE_NO_DEPRECATE
#include <strsafe.h>

// Driver texts, byte for byte: each byte becomes the code unit of the same
// value, reading at most `sourceMax` bytes of a buffer that may lack a
// terminator. Returns false when `source` did not fit and was cut. A null
// source is "".
bool WidenBytesN(wchar_t* target, size_t capacity, const char* source, size_t sourceMax);

// Back to the driver's bytes: code units up to 0xFF become the byte of the
// same value; any other unit becomes '?'. Returns false when `source` was cut.
bool NarrowToBytes(char* target, size_t capacity, const wchar_t* source);

// Text that crosses the host boundary (INI names, folders, image paths,
// labels) is in the system's ANSI code page. Characters the code page lacks
// become '?'; a cut never splits a character. Return false when cut.
bool WidenFromHost(wchar_t* target, size_t capacity, const char* source);
bool NarrowForHost(char* target, size_t capacity, const wchar_t* source);

bool CopyText(wchar_t* target, size_t capacity, const wchar_t* source);
bool CopyBytes(char* target, size_t capacity, const char* source);
bool AppendBytes(char* target, size_t capacity, const char* source);

// printf-style into a fixed buffer; cut and terminated when too long.
// Use %ls for UTF-16 and %hs for 8-bit arguments in both.
template <typename... Values>
bool FormatText(wchar_t* target, size_t capacity, const wchar_t* format, Values... values)
{
    return capacity != 0 && SUCCEEDED(StringCchPrintfW(target, capacity, format, values...));
}

template <typename... Values>
bool FormatBytes(char* target, size_t capacity, const char* format, Values... values)
{
    return capacity != 0 && SUCCEEDED(StringCchPrintfA(target, capacity, format, values...));
}
