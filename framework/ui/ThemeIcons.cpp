// ThemeIcons.cpp - the command icons, sorted by command id, each with a
// recoloured copy drawn for disabled commands.
#include "framework/ui/Theme.h"

#include "framework/core/AppObject.h"
#include "framework/core/IdSearch.h"

#include <stdlib.h>
#include <string.h>

static void DestroyIconHandle(HICON* icon)
{
    if (*icon) DestroyIcon(*icon);
    *icon = nullptr;
}

static HINSTANCE IconModule(const Theme* theme)
{
    return theme->app && theme->app->instance ? theme->app->instance : GetModuleHandleA(nullptr);
}

// 32-bit pixels in top-down rows.
static BITMAPINFO TopDownPixels(int width, int height)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// The bitmap's pixels as 32-bit, top-down rows; caller frees. Null on failure.
static uint32_t* ReadPixels(HDC dc, HBITMAP bitmap, int width, int height)
{
    uint32_t* pixels = (uint32_t*)calloc((size_t)width * (size_t)height, sizeof(uint32_t));
    if (!pixels) return nullptr;
    BITMAPINFO bi = TopDownPixels(width, height);
    if (GetDIBits(dc, bitmap, 0, (UINT)height, pixels, &bi, DIB_RGB_COLORS) != height) {
        free(pixels);
        return nullptr;
    }
    return pixels;
}

static int Channel(COLORREF c, int shift)
{
    return (int)((c >> shift) & 0xFF);
}

static uint8_t ClampByte(double v)
{
    if (v < 0) return 0;
    if (v > 255) return 255;
    return (uint8_t)v;
}

// The disabled look: each visible pixel's brightness, shifted so that the
// icon's average sits in the middle, picks a colour between theme colours 3
// (dark) and 1 (light).
static void RecolourPixels(uint32_t* colour, const uint32_t* mask, int count, COLORREF light, COLORREF dark)
{
    long sum = 0, visible = 0;
    for (int i = 0; i < count; i++)
        if ((mask[i] & 0xFF) < 255) {
            sum += (long)(colour[i] & 0xFF);
            visible++;
        }
    // No visible pixel: nothing to shift.
    double offset = 128.0 - (visible ? (double)sum / (double)visible : 128.0);
    for (int i = 0; i < count; i++) {
        if ((mask[i] & 0xFF) >= 255) continue;
        uint32_t p = colour[i];
        double t = ((double)(p & 0xFF) + (double)((p >> 8) & 0xFF) + (double)((p >> 16) & 0xFF) + offset) / 765.0;
        // COLORREF holds red low, the DIB pixel blue low.
        uint8_t r = ClampByte(t * Channel(light, 0) + (1 - t) * Channel(dark, 0));
        uint8_t g = ClampByte(t * Channel(light, 8) + (1 - t) * Channel(dark, 8));
        uint8_t b = ClampByte(t * Channel(light, 16) + (1 - t) * Channel(dark, 16));
        colour[i] = (p & 0xFF000000u) | ((uint32_t)r << 16) | ((uint32_t)g << 8) | b;
    }
}

static HICON BuildRecolouredIcon(const Theme* theme, HICON icon, int* status)
{
    *status = THEME_ERR_MEMORY;
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return nullptr;
    BITMAP bm = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
    int width = bm.bmWidth, height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    HICON result = nullptr;
    HDC dc = GetDC(nullptr);
    uint32_t* colour = info.hbmColor ? ReadPixels(dc, info.hbmColor, width, height) : nullptr;
    uint32_t* mask = ReadPixels(dc, info.hbmMask, width, height);
    if (colour && mask) {
        RecolourPixels(colour, mask, width * height, theme->colours[1], theme->colours[3]);
        BITMAPINFO bi = TopDownPixels(width, height);
        void* bits = nullptr;
        HBITMAP changed = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (changed) {
            memcpy(bits, colour, (size_t)width * (size_t)height * sizeof(uint32_t));
            ICONINFO copy = {TRUE, 0, 0, info.hbmMask, changed};
            result = CreateIconIndirect(&copy);
            DeleteObject(changed);
        }
    }
    if (result) *status = 0;
    free(colour);
    free(mask);
    ReleaseDC(nullptr, dc);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return result;
}

int RecolorIcon(Theme* theme, CommandIcon* entry)
{
    if (entry->param & ICON_OWNER_DRAWN) {
        const uint16_t* size = (const uint16_t*)entry->source;
        entry->width = size ? size[0] : 0;
        entry->height = size ? size[1] : 0;
        return 0;
    }
    DestroyIconHandle(&entry->icon);
    DestroyIconHandle(&entry->recoloured);
    HICON shared = (HICON)LoadImageA(IconModule(theme), MAKEINTRESOURCEA(entry->source), IMAGE_ICON,
                                     entry->width, entry->height, LR_SHARED);
    // Our own copy: a shared icon must never be destroyed.
    entry->icon = shared ? CopyIcon(shared) : nullptr;
    if (!entry->icon) return THEME_ERR_ICON;
    ICONINFO info = {};
    if (GetIconInfo(entry->icon, &info)) {
        BITMAP bm = {};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
        entry->width = (uint16_t)bm.bmWidth;
        entry->height = (uint16_t)(info.hbmColor ? bm.bmHeight : bm.bmHeight / 2);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
    }
    int status = 0;
    entry->recoloured = BuildRecolouredIcon(theme, entry->icon, &status);
    return status;
}

int AddCommandIcon(Theme* theme, uint16_t commandId, uintptr_t source, uint32_t param)
{
    CommandIcon entry = {};
    entry.id = commandId;
    entry.source = source;
    entry.param = param;
    int status = RecolorIcon(theme, &entry);
    if (status != 0) {
        DestroyIconHandle(&entry.icon);
        DestroyIconHandle(&entry.recoloured);
        return status;
    }
    // After any entry with the same id, so the first registration is found first.
    int at = 0;
    while (at < theme->icons.count && theme->icons.data[at].id <= commandId) at++;
    if (ArrayInsertAt(&theme->icons, &entry, at) < 0) {
        DestroyIconHandle(&entry.icon);
        DestroyIconHandle(&entry.recoloured);
        return THEME_ERR_MEMORY;
    }
    return 0;
}

int FindCommandIcon(const Theme* theme, uint16_t commandId)
{
    return FindSortedId(theme->icons.data, theme->icons.count, commandId);
}
