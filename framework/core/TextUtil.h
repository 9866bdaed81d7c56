// TextUtil.h - ANSI text, checksum and colour helpers shared by the whole program.
#pragma once

#include <windows.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#include "framework/core/GrowArray.h"

//--- bounded text
// Each copies at most cap - 1 characters, always terminates (cap > 0) and
// returns false when the text had to be cut.
bool CopyText(char* dst, size_t cap, const char* src);
bool CopyTextN(char* dst, size_t cap, const char* src, size_t srcMax);
bool AppendText(char* dst, size_t cap, const char* src);
bool FormatText(char* dst, size_t cap, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));
bool FormatTextV(char* dst, size_t cap, const char* fmt, va_list args);
// Length of a text that may fill its whole field without a terminator.
size_t BoundedLength(const char* text, size_t cap);

// Either slash separates path parts in the paths this program handles.
inline bool IsPathSeparator(char c)
{
    return c == '\\' || c == '/';
}

//--- checksum
void InitCrc32Table();
// length -1: data is a NUL-terminated text. Standard reflected CRC-32.
uint32_t Crc32(const void* data, int length);
uint32_t Crc32Update(uint32_t crc, const void* data, size_t length);

//--- search and match
const char* StrIStr(const char* text, const char* search);
bool WildcardMatch(const char* pattern, const char* text);
const char* FindAnyOfList(const char* text, const char* list);
void TrimChars(char* text, const char* set);
bool FindCharOutsideQuotes(const char** position, char ch, bool skipQuotes);

//--- replacing
// Count of replacements, or -1 (bad argument, or no room without truncate).
int ReplaceAllFixed(char* buffer, int size, const char* search, const char* replacement,
                    bool truncate);
// text holds a NUL-terminated text. 1 replaced or set, 0 not found, -1 no memory.
int ReplaceAll(GrowArray<char>* text, const char* search, const char* replacement);
// Makes the array hold a copy of src with its terminator; false on no memory.
bool SetGrowText(GrowArray<char>* text, const char* src);

//--- colours
DWORD RgbToHsl(COLORREF colour);
void HslToRgb(double* red, double* green, double* blue, double hue, double lightness,
              double saturation);
COLORREF ShiftColor(COLORREF colour, double hueShift, double lightnessFactor,
                    double saturationFactor);
