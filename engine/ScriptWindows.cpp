// ScriptWindows.cpp - statements that find, close, end and start windows and
// programs: WINDOW, CONTROL, CLOSE, STOP, TERMINATE, RUN.
#include "engine/Script.h"
#include "engine/ScriptInternal.h"

#include "framework/core/GrowArray.h"
#include "framework/core/TextUtil.h"
#include "framework/core/DialogUtil.h"

#include <string.h>

#define SCRIPT_TEXT_MAX 1300      // window titles and class names read for matching
#define CLOSE_TIMEOUT_MS 3000     // WM_CLOSE to a window that may be hung or asking
#define TERMINATE_WAIT_MS 1000    // for a terminated process to go with its windows
#define TABLE_LOCK_TRIES 500      // 10 ms apart

namespace {

struct VisibleWindow {
    HWND window;
    int32_t x, y, width, height;
};

bool HasSize(HWND window, RECT* out)
{
    RECT r = {};
    if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) return false;
    if (out) *out = r;
    return true;
}

BOOL CALLBACK CollectVisibleProc(HWND window, LPARAM data)
{
    RECT r;
    if (IsWindowVisible(window) && HasSize(window, &r)) {
        VisibleWindow v = {window, r.left, r.top, r.right - r.left, r.bottom - r.top};
        ArrayAppend((GrowArray<VisibleWindow>*)data, &v);
    }
    return TRUE;
}

BOOL CALLBACK CollectChildProc(HWND window, LPARAM data)
{
    if (IsWindowVisible(window) && HasSize(window, nullptr)) ArrayAppend((GrowArray<HWND>*)data, &window);
    return TRUE;
}

bool Contains(const char* text, const char* part)
{
    return !part[0] || strstr(text, part) != nullptr;
}

// Case-insensitive, and an empty part matches even an empty text.
bool ContainsNoCase(const char* text, const char* part)
{
    return !part[0] || StrIStr(text, part) != nullptr;
}

bool ControlMatches(HWND window, int id, const char* text, const char* className)
{
    if (id != -1 && GetDlgCtrlID(window) != id) return false;
    char buffer[SCRIPT_TEXT_MAX];
    if (className[0]) {
        if (!GetClassNameA(window, buffer, sizeof(buffer)) || !Contains(buffer, className)) return false;
    }
    if (text[0]) {
        ReadWindowText(window, buffer, sizeof(buffer));
        if (!Contains(buffer, text)) return false;
    }
    return true;
}

// The top window itself when it qualifies, then its descendants in order.
HWND FindControl(HWND top, int id, const char* text, const char* className)
{
    if (!top || !IsWindow(top)) return nullptr;
    if (IsWindowVisible(top) && HasSize(top, nullptr) && ControlMatches(top, id, text, className)) return top;
    GrowArray<HWND> children;
    InitGrowArray(&children);
    EnumChildWindows(top, CollectChildProc, (LPARAM)&children);
    HWND found = nullptr;
    for (int i = 0; i < children.count && !found; i++)
        if (ControlMatches(children.data[i], id, text, className)) found = children.data[i];
    FreeGrowArray(&children);
    return found;
}

int64_t TimeoutOf(const ScriptArgument* a)
{
    return a->present ? a->integer : 0;
}

//--- STOP and TERMINATE

// Copies the live windows of the table that match, under the table lock, so
// that nothing is closed or ended while the lock is held.
void CollectTableWindows(const char* program, const char* title, bool skipOwnProcess, GrowArray<HWND>* out)
{
    if (!EnterTableLock(TABLE_LOCK_TRIES)) return;
    DWORD self = GetCurrentProcessId();
    for (int i = 0; i < g_windowCount; i++) {
        const MonitoredWindow* e = &g_windowTable[i];
        if (!e->hwnd || !ContainsNoCase(e->program, program) || !ContainsNoCase(e->title, title)) continue;
        if (!IsWindow(e->hwnd)) continue;
        DWORD pid = 0;
        GetWindowThreadProcessId(e->hwnd, &pid);
        if (skipOwnProcess && pid == self) continue;
        ArrayAppend(out, &e->hwnd);
    }
    LeaveTableLock();
}

void CloseWindows(const GrowArray<HWND>* windows)
{
    for (int i = 0; i < windows->count; i++) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(windows->data[i], WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, CLOSE_TIMEOUT_MS, &ignored);
    }
}

void TerminateOwners(const GrowArray<HWND>* windows)
{
    DWORD self = GetCurrentProcessId();
    GrowArray<DWORD> done;
    InitGrowArray(&done);
    for (int i = 0; i < windows->count; i++) {
        DWORD pid = 0;
        GetWindowThreadProcessId(windows->data[i], &pid);
        bool seen = pid == 0 || pid == self;
        for (int k = 0; k < done.count && !seen; k++) seen = done.data[k] == pid;
        if (seen) continue;
        ArrayAppend(&done, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!process) continue;
        if (TerminateProcess(process, 0)) WaitForSingleObject(process, TERMINATE_WAIT_MS);
        CloseHandle(process);
    }
    FreeGrowArray(&done);
}

uint32_t Sweep(ScriptRun* run, const ScriptStatement* s, bool terminate)
{
    const ScriptArgument* a = s->args;
    if (!a[0].present && !a[1].present) return SCRIPT_SYNTAX_ERROR;
    if (IsCheckOnly(run)) return 0;
    int32_t repetitions = a[2].isNumber ? a[2].integer : 0;
    if (repetitions == 0) repetitions = 100;
    for (int32_t i = 0; i < repetitions; i++) {
        GrowArray<HWND> found;
        InitGrowArray(&found);
        CollectTableWindows(a[0].text, a[1].text, terminate, &found);
        int count = found.count;
        if (terminate)
            TerminateOwners(&found);
        else
            CloseWindows(&found);
        FreeGrowArray(&found);
        if (count == 0) break;
    }
    return 0;
}

}  // namespace

HWND FindScriptWindow(const char* title, const char* className, const char* program)
{
    title = title ? title : "";
    className = className ? className : "";
    program = program ? program : "";
    GrowArray<VisibleWindow> windows;
    InitGrowArray(&windows);
    EnumWindows(CollectVisibleProc, (LPARAM)&windows);
    HWND found = nullptr;
    char text[SCRIPT_TEXT_MAX];
    for (int i = 0; i < windows.count && !found; i++) {
        HWND w = windows.data[i].window;
        if (title[0]) {
            text[0] = '\0';
            GetWindowTextA(w, text, sizeof(text));
            if (!Contains(text, title)) continue;
        }
        if (className[0] && (!GetClassNameA(w, text, sizeof(text)) || !Contains(text, className))) continue;
        if (program[0] && (!GetWindowProgramPath(w, text, sizeof(text)) || !Contains(text, program))) continue;
        found = w;
    }
    FreeGrowArray(&windows);
    return found;
}

uint32_t ScriptWindow(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    if (!a[0].present && !a[1].present && !a[2].present) return SCRIPT_SYNTAX_ERROR;
    if (a[3].present && !a[3].isNumber) return SCRIPT_BAD_TYPE;
    if (IsCheckOnly(run)) return 0;
    int64_t timeout = TimeoutOf(&a[3]);
    HWND found = FindScriptWindow(a[0].text, a[1].text, a[2].text);
    while (!found && timeout > 0) {
        Sleep(10);
        timeout -= 10;
        found = FindScriptWindow(a[0].text, a[1].text, a[2].text);
    }
    run->current = run->top = found;
    if (found) ActivateCurrent(run);
    return StepOutcome(run, found != nullptr, SCRIPT_NO_WINDOW);
}

uint32_t ScriptControl(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    if (a[0].present && !a[0].isNumber) return SCRIPT_BAD_TYPE;
    if (a[3].present && !a[3].isNumber) return SCRIPT_SYNTAX_ERROR;
    if (IsCheckOnly(run)) return 0;
    int id = a[0].present ? a[0].integer : -1;
    int64_t timeout = TimeoutOf(&a[3]);
    HWND found = FindControl(run->top, id, a[1].text, a[2].text);
    while (!found && timeout > 0) {
        Sleep(10);
        timeout -= 10;
        found = FindControl(run->top, id, a[1].text, a[2].text);
    }
    run->current = found;
    if (found) ActivateCurrent(run);
    return StepOutcome(run, found != nullptr, SCRIPT_NO_ITEM);
}

uint32_t ScriptClose(ScriptRun* run, const ScriptStatement*)
{
    if (IsCheckOnly(run)) return 0;
    if (!run->top) return StepOutcome(run, false, SCRIPT_NO_WINDOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(run->top, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, CLOSE_TIMEOUT_MS, &ignored);
    return StepOutcome(run, true, SCRIPT_NO_WINDOW);
}

uint32_t ScriptStop(ScriptRun* run, const ScriptStatement* s)
{
    return Sweep(run, s, false);
}

uint32_t ScriptTerminate(ScriptRun* run, const ScriptStatement* s)
{
    return Sweep(run, s, true);
}

uint32_t ScriptRunProgram(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    if (!a[0].present || !a[2].present) return SCRIPT_SYNTAX_ERROR;
    if (!a[2].isNumber) return SCRIPT_BAD_TYPE;
    if (IsCheckOnly(run)) return 0;
    if (a[3].isNumber && a[3].integer == 1 && FindScriptWindow("", "", a[0].text)) return 0;
    int32_t show = a[2].integer;
    const char* parameters = (show & 0x100) ? a[1].text : a[1].raw;
    int started = ShellExecuteAsUser(a[0].text, parameters, 0, "open", show & 0xFF);
    return StepOutcome(run, started >= 0, SCRIPT_RUN_FAILED);
}
