// ScriptRun.cpp - the thread that runs a command script, and the statements
// that only set the script's modes, wait, or hand work to the main window.
#include "engine/Script.h"
#include "engine/ScriptInternal.h"

#include "engine/Engine.h"
#include "engine/Geometry.h"
#include "engine/ProductIds.h"
#include "engine/WindowBlink.h"
#include "framework/core/TextUtil.h"
#include "framework/core/DialogUtil.h"
#include "vdesktop/VirtualDesktop.h"

#include <objbase.h>
#include <stdlib.h>
#include <string.h>

//--- helpers the commands share

uint32_t StepOutcome(const ScriptRun* run, bool succeeded, uint32_t failure)
{
    switch (run->continueMode) {
    case CONTINUE_IGNORE:
        return 0;
    case CONTINUE_INVERT:
        return succeeded ? failure : 0;
    default:
        return succeeded ? 0 : failure;
    }
}

void ActivateCurrent(const ScriptRun* run)
{
    if (run->current) ForceForegroundWindow(run->current, run->attach != 0);
}

DWORD ScriptMilliseconds(int64_t ms)
{
    if (ms < 0) return 0;
    if (ms >= (int64_t)INFINITE) return INFINITE - 1;
    return (DWORD)ms;
}

int64_t ScriptRandom(int64_t range)
{
    return (int64_t)rand() * range / 32767;
}

POINT ScriptPointInRect(const RECT& rect, const ScriptArgument* x, const ScriptArgument* y, POINT keep)
{
    POINT p = keep;
    if (x->present)
        p.x = rect.left + (x->percent ? (LONG)(x->number * (rect.right - rect.left) / 100.0) : x->integer);
    if (y->present)
        p.y = rect.top + (y->percent ? (LONG)(y->number * (rect.bottom - rect.top) / 100.0) : y->integer);
    return p;
}

void ReadWindowText(HWND window, char* text, int size)
{
    text[0] = '\0';
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, (WPARAM)size, (LPARAM)text, SMTO_ABORTIFHUNG, 2000,
                             &copied))
        text[0] = '\0';
    text[size - 1] = '\0';
}

//--- statements that set the script's modes or wait

static uint32_t Wait(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    if (!a[0].present) return SCRIPT_SYNTAX_ERROR;
    if (!a[0].isNumber) return SCRIPT_BAD_TYPE;
    if (IsCheckOnly(run)) return 0;
    int64_t minimum = a[0].integer < 0 ? 0 : a[0].integer;
    int64_t ms = minimum;
    if (a[1].present && a[1].isNumber && a[1].integer > minimum)
        ms = minimum + ScriptRandom((int64_t)a[1].integer - minimum);
    Sleep(ScriptMilliseconds(ms));
    return 0;
}

static uint32_t Attach(ScriptRun* run, const ScriptStatement* s)
{
    if (!s->args[0].isNumber) return SCRIPT_SYNTAX_ERROR;
    run->attach = s->args[0].integer != 0;
    return 0;
}

static uint32_t Continue(ScriptRun* run, const ScriptStatement* s)
{
    if (!s->args[0].isNumber) return SCRIPT_SYNTAX_ERROR;
    int32_t mode = s->args[0].integer;
    if (mode < CONTINUE_STOP || mode > CONTINUE_INVERT) return SCRIPT_BAD_PARAMETER;
    run->continueMode = mode;
    return 0;
}

//--- statements on the current or top window

static uint32_t Title(ScriptRun* run, const ScriptStatement* s)
{
    if (!s->args[0].present) return SCRIPT_SYNTAX_ERROR;
    if (IsCheckOnly(run) || !run->current) return 0;
    // WM_SETTEXT with a time-out: a hung window must not hold the script.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(run->current, WM_SETTEXT, 0, (LPARAM)s->args[0].text, SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    return 0;
}

static uint32_t Enable(ScriptRun* run, const ScriptStatement* s)
{
    if (!s->args[0].isNumber) return SCRIPT_BAD_TYPE;
    if (IsCheckOnly(run)) return 0;
    if (!run->current) return StepOutcome(run, false, SCRIPT_NO_WINDOW);
    LONG style = GetWindowLongA(run->current, GWL_STYLE);
    style = s->args[0].integer == 1 ? (style & ~WS_DISABLED) : (style | WS_DISABLED);
    SetWindowLongA(run->current, GWL_STYLE, style);
    RedrawWindow(run->current, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return StepOutcome(run, true, SCRIPT_NO_WINDOW);
}

static uint32_t State(ScriptRun* run, const ScriptStatement* s)
{
    if (!s->args[0].isNumber) return SCRIPT_BAD_TYPE;
    int32_t state = s->args[0].integer;
    if (state < 0 || state > 6) return SCRIPT_BAD_PARAMETER;
    if (IsCheckOnly(run)) return 0;
    if (state <= 2) {
        if (!run->current) return StepOutcome(run, false, SCRIPT_NO_WINDOW);
        if (state == WINSTATE_MAXIMISED) {
            WINDOWPLACEMENT wp = {};
            wp.length = sizeof(wp);
            GetWindowPlacement(run->current, &wp);
            if (wp.rcNormalPosition.left != 0 || wp.rcNormalPosition.top != 0)
                ShowWindow(run->current, SW_RESTORE);
        }
        SetWindowGeometry(run->current, GEO_KEEP, GEO_KEEP, GEO_KEEP, GEO_KEEP, state, GEO_STATE);
        return StepOutcome(run, true, SCRIPT_NO_WINDOW);
    }
    if (!run->top) return StepOutcome(run, false, SCRIPT_NO_WINDOW);
    if (state == 3 || state == 4) {
        SetWindowPos(run->top, state == 3 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE);
    } else if (g_mainWindow) {
        // The tray belongs to the UI thread: ask it.
        if (state == 5)
            PostMessageA(g_mainWindow, WM_TRAY_MINIMIZE, 0, (LPARAM)run->top);
        else
            PostMessageA(g_mainWindow, WM_SCRIPTREQUEST, SCRIPT_REQUEST_FROM_TRAY, (LPARAM)run->top);
    }
    return StepOutcome(run, true, SCRIPT_NO_WINDOW);
}

static uint32_t Blink(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    int count = a[0].isNumber ? a[0].integer : 3;
    int interval = a[1].isNumber ? a[1].integer : 100;
    if (!IsCheckOnly(run) && run->current) BlinkWindow(run->current, count, interval);
    return 0;
}

//--- statements the main window carries out

static uint32_t Profile(ScriptRun* run, const ScriptStatement* s)
{
    if (!s->args[0].present) return SCRIPT_SYNTAX_ERROR;
    if (IsCheckOnly(run) || !g_mainWindow) return 0;
    ScriptProfileRequest* request = (ScriptProfileRequest*)calloc(1, sizeof(ScriptProfileRequest));
    if (!request) return 0;
    CopyText(request->name, sizeof(request->name), s->args[0].text);
    uint8_t chain = run->context->switchChain;
    request->switchChain = chain < 255 ? chain + 1 : 255;
    if (!PostMessageA(g_mainWindow, WM_SCRIPTREQUEST, SCRIPT_REQUEST_PROFILE, (LPARAM)request))
        free(request);
    return 0;
}

static uint32_t Desktop(ScriptRun* run, const ScriptStatement* s)
{
    if (!s->args[0].isNumber) return SCRIPT_BAD_TYPE;
    if (IsCheckOnly(run) || !g_virtualDesktop || !g_mainWindow) return 0;
    PostMessageA(g_mainWindow, WM_SCRIPTREQUEST, SCRIPT_REQUEST_DESKTOP, (LPARAM)(s->args[0].integer - 1));
    return 0;
}

//--- the run loop

static const ScriptCommandProc kCommands[SCMD_COUNT] = {
    nullptr,         ScriptWindow, ScriptControl, ScriptClick,        ScriptType,   ScriptKey,
    Wait,            ScriptRunProgram, ScriptStop, ScriptClose,       ScriptMove,   ScriptSize,
    State,           Enable,       Profile,       Desktop,            Attach,       Title,
    Blink,           ScriptDrag,   ScriptSetReference, Continue,      ScriptTerminate};

DWORD WINAPI RunCommandScript(void* param)
{
    ScriptThreadContext* c = (ScriptThreadContext*)param;
    if (!c) return SCRIPT_NO_COMMAND;
    srand((unsigned)GetTickCount64());
    rand();
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);

    // A private terminated copy: the slot of a damaged record may lack its end.
    char script[RULE_SCRIPT_SIZE + 1];
    uint8_t slot = c->slot < RULE_SCRIPT_SLOTS ? c->slot : 0;
    CopyTextN(script, sizeof(script), c->rule.cmdtext[slot], RULE_SCRIPT_SIZE);
    size_t length = strlen(script);
    const char* begin = script + (c->scriptPosition < length ? c->scriptPosition : length);
    const char* end = script + length;
    if (c->scriptLength && (size_t)(end - begin) > c->scriptLength) end = begin + c->scriptLength;

    ScriptRun run = {};
    run.context = c;
    run.mode = c->mode;
    run.current = run.top = c->window.hwnd;
    ScriptStatement statement;
    uint32_t result = 0;
    const char* p = begin;
    while (p < end) {
        c->scriptPosition = (uint32_t)(p - script);
        if (p != script && !IsScriptBlank(p[-1])) {
            p++;
            continue;
        }
        uint32_t parsed = ParseCommandStatement(&p, &statement);
        if (SCRIPT_RESULT_CODE(parsed)) {
            result = parsed;
            break;
        }
        int number = (int)SCRIPT_RESULT_COMMAND(parsed);
        if (number == SCMD_NONE) {
            if (*p) p++;
            continue;
        }
        uint32_t code = kCommands[number](&run, &statement);
        run.statementsRun++;
        if (code) {
            result = SCRIPT_RESULT(number, code);
            break;
        }
    }
    c->scriptLength = (uint32_t)(p - script);
    if (result == 0 && run.statementsRun == 0) result = SCRIPT_NO_COMMAND;
    if (c->mode == SCRIPT_RUN_FREE) free(c);
    if (com == S_OK || com == S_FALSE) CoUninitialize();
    return result;
}
