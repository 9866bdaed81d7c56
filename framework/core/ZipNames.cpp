// ZipNames.cpp - entry names: cleaning a stored name, and the test that a
// relative name stays below the extraction folder and means the same on Windows.
#include "framework/core/ZipInternal.h"

#include "framework/core/TextUtil.h"

#include <string.h>

static bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Windows opens these as devices in every folder, whatever the extension, and
// also when spaces follow the base name ("nul .txt").
static bool IsDeviceName(const char* part, size_t length)
{
    size_t n = 0;
    while (n < length && part[n] != '.') n++;
    while (n > 0 && part[n - 1] == ' ') n--;
    if (n < 3 || n > 7) return false;
    char base[8];
    CopyTextN(base, sizeof(base), part, n);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (_stricmp(base, device) == 0) return true;
    if (n != 4 || (_strnicmp(base, "COM", 3) != 0 && _strnicmp(base, "LPT", 3) != 0)) return false;
    // The digit may also be a superscript 1, 2 or 3 (code page 1252).
    unsigned char digit = (unsigned char)base[3];
    return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

static bool IsSafePart(const char* part, size_t length)
{
    for (size_t i = 0; i < length; i++) {
        unsigned char c = (unsigned char)part[i];
        if (c < 0x20 || strchr("<>:\"|?*", c)) return false;   // ":" also names drives and streams
    }
    // Windows drops trailing points and spaces: "..", ". ." and "x." would
    // name another file or folder than the one checked here.
    char last = part[length - 1];
    return last != '.' && last != ' ' && !IsDeviceName(part, length);
}

bool IsSafeEntryName(const char* name)
{
    size_t length = name ? strnlen(name, MAX_PATH) : 0;
    if (length == 0 || length >= MAX_PATH) return false;
    if (IsPathSeparator(name[0])) return false;   // a root, and every UNC and device prefix
    for (const char* p = name; *p;) {
        const char* end = p;
        while (*end && !IsPathSeparator(*end)) end++;
        if (end == p || !IsSafePart(p, (size_t)(end - p))) return false;
        if (!*end) break;
        p = end + 1;   // one separator may end the name: a folder entry
    }
    return true;
}

// Drops what would lead out of the extraction folder, repeated until nothing
// applies: a leading drive, a leading separator, and everything up to an inner
// ".." step. Whatever that leaves must pass IsSafeEntryName as it stands;
// nothing is dropped after the check, so no later step can expose a new drive
// or climb ("./C:/x").
void CleanEntryName(const char* stored, uint32_t storedLength, char* out)
{
    out[0] = '\0';
    // A name cut to fit, or with a zero inside, is not the name that was stored.
    if (storedLength >= MAX_PATH || strlen(stored) != storedLength) return;
    char work[MAX_PATH];
    CopyText(work, sizeof(work), stored);
    static const char* const kClimbs[] = {"\\..\\", "\\../", "/../", "/..\\"};
    for (bool changed = true; changed;) {
        changed = false;
        if (IsDriveLetter(work[0]) && work[1] == ':') {
            memmove(work, work + 2, strlen(work + 2) + 1);
            changed = true;
        }
        if (IsPathSeparator(work[0])) {
            memmove(work, work + 1, strlen(work + 1) + 1);
            changed = true;
        }
        for (const char* climb : kClimbs) {
            char* at = strstr(work, climb);
            if (at) {
                char* rest = at + 4;
                memmove(work, rest, strlen(rest) + 1);
                changed = true;
            }
        }
    }
    if (IsSafeEntryName(work)) CopyText(out, MAX_PATH, work);
}
