// ScriptParse.cpp - the command and keyword tables and the statement parser.
#include "engine/Script.h"
#include "engine/ScriptInternal.h"

#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

static const char* const kCommandNames[SCMD_COUNT] = {
    "",        "WINDOW", "CONTROL", "CLICK",   "TYPE",   "KEY",    "WAIT",      "RUN",
    "STOP",    "CLOSE",  "MOVE",    "SIZE",    "STATE",  "ENABLE", "PROFILE",   "DESKTOP",
    "ATTACH",  "TITLE",  "BLINK",   "DRAG",    "SETREF", "CONTINUE", "TERMINATE"};

const char* const kAlignments[ALIGN_COUNT] = {"LEFT-LEFT",  "LEFT-RIGHT", "RIGHT-LEFT",
                                              "RIGHT-RIGHT", "TOP-TOP",   "TOP-BOTTOM",
                                              "BOTTOM-TOP", "BOTTOM-BOTTOM", "CENTER"};
const char* const kSizeModes[SIZEMODE_COUNT] = {"ABSOLUTE", "RELATIVE"};
const char* const kReferenceKinds[REF_COUNT] = {"WINDOW", "MONITOR", "DESKTOP", "MOUSE"};

const char* ScriptCommandName(int number)
{
    return number > 0 && number < SCMD_COUNT ? kCommandNames[number] : "";
}

const char* ScriptResultMessage(uint32_t result)
{
    uint32_t code = SCRIPT_RESULT_CODE(result);
    if (code == 0) return "";
    const char* text = AppText((uint16_t)(code & 0xFF), (int)(code >> 8));
    return text ? text : "";
}

int FindScriptKeyword(const char* const* table, int count, const char* text)
{
    for (int i = 0; i < count; i++)
        if (lstrcmpiA(table[i], text) == 0) return i;
    return -1;
}

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsScriptBlank(char c)
{
    return IsBlank(c);
}

static const char* SkipBlanks(const char* p, const char* end)
{
    while (p < end && IsBlank(*p)) p++;
    return p;
}

// strtol with base 0 would read "08" as octal 0: only 0x selects another base.
static long ParseInteger(const char* text, char** end)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t') p++;
    const char* digits = (*p == '+' || *p == '-') ? p + 1 : p;
    int base = (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) ? 16 : 10;
    long value = strtol(text, end, base);
    if (*end == text && base == 16) value = strtol(text, end, 10);   // "0x" alone reads as 0
    return value;
}

static void FillArgument(ScriptArgument* a, const char* from, const char* to)
{
    CopyTextN(a->raw, sizeof(a->raw), from, (size_t)(to - from));
    a->present = a->raw[0] != '\0';
    CopyText(a->text, sizeof(a->text), a->raw);
    TrimChars(a->text, " \t\r\n\"");
    char* intEnd = a->text;
    char* numEnd = a->text;
    a->integer = (int32_t)ParseInteger(a->text, &intEnd);
    a->number = strtod(a->text, &numEnd);
    a->isNumber = (intEnd != a->text || numEnd != a->text) ? 1 : 0;
    a->percent = (numEnd != a->text && strchr(numEnd, '%')) ? 1 : 0;
}

uint32_t ParseCommandStatement(const char** cursor, ScriptStatement* s)
{
    const char* p = *cursor;
    if (*p == ';') {
        while (*p && *p != '\r' && *p != '\n') p++;
        *cursor = p;
        return 0;
    }
    memset(s, 0, sizeof(*s));
    if (!*p) return SCRIPT_RESULT(SCMD_WINDOW, SCRIPT_SYNTAX_ERROR);
    int number = 0;
    size_t nameLength = 0;
    for (int i = 1; i < SCMD_COUNT; i++) {
        size_t n = strlen(kCommandNames[i]);
        if (strncmp(p, kCommandNames[i], n) != 0) continue;
        if (p[n] == '(' || IsBlank(p[n])) {
            number = i;
            nameLength = n;
            break;
        }
    }
    if (!number) return 0;
    s->command = number;

    p += nameLength;
    while (*p && *p != '(') p++;
    if (!*p) {
        *cursor = p;
        return SCRIPT_RESULT(number, SCRIPT_SYNTAX_ERROR);
    }
    const char* list = p + 1;
    const char* close = list;
    if (!FindCharOutsideQuotes(&close, ')', true)) {
        *cursor = close;
        return SCRIPT_RESULT(number, SCRIPT_SYNTAX_ERROR);
    }
    *cursor = close + 1;

    const char* q = SkipBlanks(list, close);
    int slot = 0;
    while (q < close) {
        if (slot == SCRIPT_ARGUMENTS) return SCRIPT_RESULT(number, SCRIPT_SYNTAX_ERROR);
        const char* end = q;
        // A quote left open inside the list runs to the list's end.
        if (!FindCharOutsideQuotes(&end, ',', true) || end > close) end = close;
        FillArgument(&s->args[slot++], q, end);
        q = end < close ? end + 1 : close;
        q = SkipBlanks(q, close);
    }
    return SCRIPT_RESULT(number, 0);
}
