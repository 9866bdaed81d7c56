// ScriptMacros.cpp - the date and time macros of TYPE texts.
#include "engine/Script.h"

#include "framework/core/GrowArray.h"
#include "framework/core/TextUtil.h"

#include <windows.h>

#include <locale.h>
#include <string.h>
#include <time.h>

// Set by tests before any script runs; read by script threads.
static ScriptClockProc g_clock;

void SetScriptClock(ScriptClockProc clock)
{
    g_clock = clock;
}

static void ReadClock(struct tm* now)
{
    if (g_clock) {
        g_clock(now);
        return;
    }
    time_t t = time(nullptr);
    const struct tm* local = localtime(&t);   // msvcrt keeps one result per thread
    *now = local ? *local : tm{};
}

// In this order: "#YEAR#" is replaced before "#YEARSHORT#", which it does not touch.
static const struct {
    const char* macro;
    const char* format;
} kMacros[] = {
    {"#DATE#", "%x"},          {"#DAY#", "%d"},          {"#MONTH#", "%m"},
    {"#YEAR#", "%Y"},          {"#YEARSHORT#", "%y"},    {"#DAYNAME#", "%A"},
    {"#DAYNAMESHORT#", "%a"},  {"#MONTHNAME#", "%B"},    {"#MONTHNAMESHORT#", "%b"},
    {"#WEEKSUN#", "%U"},       {"#WEEKMON#", "%W"},      {"#TIME#", "%X"},
    {"#HOUR#", "%H"},          {"#MINUTE#", "%M"},       {"#SECOND#", "%S"},
    {"#HOUR12#", "%I"},        {"#AMPM#", "%p"},
};

// The wide form is the one this C library formats with a given locale.
static void FormatTime(char* value, int size, const char* format, const struct tm* now, _locale_t locale)
{
    value[0] = '\0';
    if (!locale) {
        if (!strftime(value, (size_t)size, format, now)) value[0] = '\0';
        return;
    }
    wchar_t wideFormat[16] = {}, wide[128] = {};
    MultiByteToWideChar(CP_ACP, 0, format, -1, wideFormat, 16);
    wideFormat[15] = L'\0';
    if (_wcsftime_l(wide, 128, wideFormat, now, locale) == 0) return;
    if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, value, size, nullptr, nullptr)) value[0] = '\0';
    value[size - 1] = '\0';
}

char* ExpandDateTimeMacros(const char* text)
{
    if (!text || !*text) return nullptr;
    GrowArray<char> buffer;
    InitGrowArray(&buffer);
    if (!SetGrowText(&buffer, text)) {
        FreeGrowArray(&buffer);
        return nullptr;
    }
    struct tm now = {};
    ReadClock(&now);
    // The user's locale for this call only: msvcrt's setlocale would change
    // the whole process, and it rejects the locale names Windows reports.
    _locale_t userLocale = _create_locale(LC_TIME, "");
    bool ok = true;
    for (const auto& m : kMacros) {
        if (!strstr(buffer.data, m.macro)) continue;
        char value[128];
        FormatTime(value, sizeof(value), m.format, &now, userLocale);
        if (ReplaceAll(&buffer, m.macro, value) < 0) {
            ok = false;
            break;
        }
    }
    if (userLocale) _free_locale(userLocale);
    if (!ok) {
        FreeGrowArray(&buffer);
        return nullptr;
    }
    return buffer.data;   // the caller frees it
}
