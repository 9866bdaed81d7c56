// TextUtil.cpp - bounded text, CRC-32, search, wildcard, replace and colour helpers.
#include "framework/core/TextUtil.h"

#include <stdio.h>
#include <string.h>

//--- bounded text

size_t BoundedLength(const char* text, size_t cap)
{
    return text ? strnlen(text, cap) : 0;
}

bool CopyTextN(char* dst, size_t cap, const char* src, size_t srcMax)
{
    if (!dst || cap == 0) return false;
    size_t n = BoundedLength(src, srcMax);
    bool fits = n < cap;
    if (!fits) n = cap - 1;
    if (n) memmove(dst, src, n);
    dst[n] = '\0';
    return fits;
}

bool CopyText(char* dst, size_t cap, const char* src)
{
    return CopyTextN(dst, cap, src, cap);
}

bool AppendText(char* dst, size_t cap, const char* src)
{
    if (!dst || cap == 0) return false;
    size_t used = strnlen(dst, cap);
    if (used == cap) {   // unterminated: terminate at the edge, nothing fits
        dst[cap - 1] = '\0';
        return false;
    }
    return CopyText(dst + used, cap - used, src);
}

bool FormatTextV(char* dst, size_t cap, const char* fmt, va_list args)
{
    if (!dst || cap == 0) return false;
    if (!fmt) {
        dst[0] = '\0';
        return false;
    }
    int n = vsnprintf(dst, cap, fmt, args);
    if (n < 0) {
        dst[0] = '\0';
        return false;
    }
    return (size_t)n < cap;
}

bool FormatText(char* dst, size_t cap, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    bool ok = FormatTextV(dst, cap, fmt, args);
    va_end(args);
    return ok;
}

//--- checksum

struct Crc32Table {
    uint32_t entry[256];
};

static const Crc32Table& GetCrc32Table()
{
    // Built once; function-local statics are initialised thread-safely.
    static const Crc32Table table = [] {
        Crc32Table t = {};
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t.entry[i] = c;
        }
        return t;
    }();
    return table;
}

void InitCrc32Table()
{
    (void)GetCrc32Table();
}

uint32_t Crc32Update(uint32_t crc, const void* data, size_t length)
{
    const Crc32Table& t = GetCrc32Table();
    const unsigned char* p = (const unsigned char*)data;
    crc = ~crc;
    for (size_t i = 0; i < length; i++) crc = t.entry[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Crc32(const void* data, int length)
{
    if (!data) return 0;
    size_t n = length < 0 ? strlen((const char*)data) : (size_t)length;
    return n ? Crc32Update(0, data, n) : 0;
}

//--- search and match

static inline unsigned char FoldCase(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? (unsigned char)(c + ('a' - 'A')) : c;
}

const char* StrIStr(const char* text, const char* search)
{
    if (!text || !search || !*text) return nullptr;
    size_t n = strlen(search);
    for (const char* t = text; *t; t++) {
        size_t i = 0;
        while (i < n && t[i] && FoldCase((unsigned char)t[i]) == FoldCase((unsigned char)search[i]))
            i++;
        if (i == n) return t;
    }
    return nullptr;
}

// Greedy with one backtrack point: a later "*" supersedes an earlier one, so
// many stars cost O(pattern x text), never exponential time.
bool WildcardMatch(const char* pattern, const char* text)
{
    if (!pattern || !text) return false;
    const char* p = pattern;
    const char* t = text;
    const char* starP = nullptr;
    const char* starT = nullptr;
    while (*t) {
        if (*p == '*') {
            starP = ++p;
            starT = t;
        } else if (*p == '?' || (*p && *p == *t)) {
            p++;
            t++;
        } else if (starP) {
            p = starP;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (*p == '*') p++;
    return *p == '\0';
}

const char* FindAnyOfList(const char* text, const char* list)
{
    if (!text || !*text || !list) return nullptr;
    const char* w = list;
    char word[260];
    while (*w) {
        const char* end = strchr(w, ';');
        size_t len = end ? (size_t)(end - w) : strlen(w);
        if (len > 0) {
            CopyTextN(word, sizeof(word), w, len);
            const char* hit = StrIStr(text, word);
            if (hit) return hit;
        }
        if (!end) break;
        w = end + 1;
    }
    return nullptr;
}

void TrimChars(char* text, const char* set)
{
    if (!text || !set) return;
    size_t len = strlen(text);
    while (len > 0 && strchr(set, text[len - 1])) text[--len] = '\0';
    size_t start = 0;
    while (start < len && strchr(set, text[start])) start++;
    if (start) memmove(text, text + start, len - start + 1);
}

bool FindCharOutsideQuotes(const char** position, char ch, bool skipQuotes)
{
    if (!position || !*position) return false;
    const char* p = *position;
    while (*p) {
        if (*p == ch) {
            *position = p;
            return true;
        }
        if (skipQuotes && *p == '"') {
            const char* close = strchr(p + 1, '"');
            if (!close) {
                *position = p + strlen(p);
                return false;
            }
            p = close;
        }
        p++;
    }
    *position = p;
    return false;
}

//--- replacing

int ReplaceAllFixed(char* buffer, int size, const char* search, const char* replacement,
                    bool truncate)
{
    if (!buffer || !search || !replacement || size <= 0) return -1;
    size_t cap = (size_t)size;
    size_t len = strnlen(buffer, cap);
    if (len == cap) return -1;   // not a terminated text
    if (len == 0) return 0;
    size_t slen = strlen(search);
    if (slen == 0) return -1;   // would match everywhere, forever
    size_t rlen = strlen(replacement);

    int count = 0;
    size_t pos = 0;
    while (pos < len) {
        const char* hit = strstr(buffer + pos, search);
        if (!hit) break;
        size_t at = (size_t)(hit - buffer);
        size_t use = rlen;
        if (len - slen + rlen > cap - 1) {
            if (!truncate) return -1;
            use = cap - 1 - (len - slen);
        }
        memmove(buffer + at + use, buffer + at + slen, len - at - slen + 1);
        memcpy(buffer + at, replacement, use);
        len = len - slen + use;
        pos = at + use;
        count++;
    }
    return count;
}

bool SetGrowText(GrowArray<char>* text, const char* src)
{
    if (!src) src = "";
    size_t n = strlen(src) + 1;
    if (n > (size_t)INT32_MAX) return false;
    GrowArray<char> fresh;
    InitGrowArray(&fresh);
    if (ArrayInsertAt(&fresh, src, 0, (int32_t)n) < 0) return false;
    FreeGrowArray(text);
    *text = fresh;
    return true;
}

int ReplaceAll(GrowArray<char>* text, const char* search, const char* replacement)
{
    if (!text) return -1;
    if (!replacement) replacement = "";
    if (!search) return SetGrowText(text, replacement) ? 1 : -1;
    size_t slen = strlen(search);
    if (slen == 0 || !text->data || text->count <= 0) return 0;

    const char* src = text->data;
    size_t len = strnlen(src, (size_t)text->count);
    size_t rlen = strlen(replacement);

    GrowArray<char> out;
    InitGrowArray(&out);
    int replaced = 0;
    size_t pos = 0;
    while (pos + slen <= len) {
        const char* hit = nullptr;
        for (size_t i = pos; i + slen <= len; i++) {
            if (memcmp(src + i, search, slen) == 0) {
                hit = src + i;
                break;
            }
        }
        if (!hit) break;
        size_t at = (size_t)(hit - src);
        if ((at > pos && ArrayAppendN(&out, src + pos, (int32_t)(at - pos)) < 0) ||
            (rlen && ArrayAppendN(&out, replacement, (int32_t)rlen) < 0)) {
            FreeGrowArray(&out);
            return -1;
        }
        pos = at + slen;
        replaced = 1;
    }
    if (!replaced) return 0;
    const char nul = '\0';
    if ((len > pos && ArrayAppendN(&out, src + pos, (int32_t)(len - pos)) < 0) ||
        ArrayAppend(&out, &nul) < 0) {
        FreeGrowArray(&out);
        return -1;
    }
    FreeGrowArray(text);
    *text = out;
    return 1;
}

//--- colours

static double Clamp01(double v)
{
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

DWORD RgbToHsl(COLORREF colour)
{
    double r = Clamp01(GetRValue(colour) / 255.0);
    double g = Clamp01(GetGValue(colour) / 255.0);
    double b = Clamp01(GetBValue(colour) / 255.0);
    double mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
    double mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
    double l = (mx + mn) / 2;
    double h = 0, s = 0;
    if (mx != mn) {
        double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        double rc = (mx - r) / d, gc = (mx - g) / d, bc = (mx - b) / d;
        if (r == mx)
            h = (6 + bc - gc) * 60;
        else if (g == mx)
            h = (2 + rc - bc) * 60;
        else
            h = (4 + gc - rc) * 60;
        if (h > 360) h -= 360;
    }
    DWORD hb = (DWORD)(h / 360 * 255) & 0xFF;
    DWORD lb = (DWORD)(l * 255) & 0xFF;
    DWORD sb = (DWORD)(s * 255) & 0xFF;
    return hb | (lb << 8) | (sb << 16);
}

static double HslChannel(double m1, double m2, double a)
{
    if (a > 360) a -= 360;
    if (a < 0) a += 360;
    if (a < 60) return m1 + (m2 - m1) * a / 60;
    if (a < 180) return m2;
    if (a < 240) return m1 + (m2 - m1) * (240 - a) / 60;
    return m1;
}

void HslToRgb(double* red, double* green, double* blue, double hue, double lightness,
              double saturation)
{
    double h = hue < 0 ? 0 : (hue > 360 ? 360 : hue);
    double l = Clamp01(lightness);
    double s = Clamp01(saturation);
    if (s == 0) {
        *red = *green = *blue = l;
        return;
    }
    double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    double m1 = 2 * l - m2;
    *red = HslChannel(m1, m2, h + 120);
    *green = HslChannel(m1, m2, h);
    *blue = HslChannel(m1, m2, h - 120);
}

static int ClampByte(double v)
{
    int i = (int)v;
    return i < 0 ? 0 : (i > 255 ? 255 : i);
}

COLORREF ShiftColor(COLORREF colour, double hueShift, double lightnessFactor,
                    double saturationFactor)
{
    DWORD hsl = RgbToHsl(colour);
    int h = (int)(hsl & 0xFF), l = (int)((hsl >> 8) & 0xFF), s = (int)((hsl >> 16) & 0xFF);
    int nh = ((int)(hueShift * 255 + h)) & 0xFF;
    int nl = ClampByte(l * (1 + lightnessFactor));
    int ns = ClampByte(s * (1 + saturationFactor));
    double r, g, b;
    HslToRgb(&r, &g, &b, nh * 360.0 / 255, nl / 255.0, ns / 255.0);
    return RGB(ClampByte(r * 255), ClampByte(g * 255), ClampByte(b * 255));
}
