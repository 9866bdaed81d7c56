// CommandEditor.cpp - the Command Editor's dialog: the script box, the
// statement templates, the test on a thread of its own, OK's check and
// Cancel's question.
#include "ui/CommandEditor.h"

#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/HotkeyField.h"
#include "framework/ui/HotkeyKeys.h"
#include "framework/ui/MessageBox.h"
#include "ui/CommandEditorRes.h"
#include "ui/DialogSubclass.h"
#include "vdesktop/VirtualDesktop.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int kScriptChars = RULE_SCRIPT_SIZE - 1;
const int kTestPolls = 100;
const DWORD kTestPoll = 50;

// The open editor (one at a time: it is modal). UI thread.
HWND g_editor;
ScriptThreadContext* g_context;
char* g_openedScript;   // the slot as it was on opening; ours
HFONT g_editFont;       // ours
ResizableLayout g_layout;
bool g_testRunning;
bool g_closing;

struct ScriptTemplate {
    int id;
    const char* format;
    const char* command;
};

const ScriptTemplate kTemplates[] = {
    {IDB_CMDEDIT_TYPE, "%s( \"text\" )", "TYPE"},
    {IDB_CMDEDIT_ATTACH, "%s( 1 )", "ATTACH"},
    {IDB_CMDEDIT_WAIT, "%s( 50 )", "WAIT"},
    {IDB_CMDEDIT_CLOSE, "%s( )", "CLOSE"},
    {IDB_CMDEDIT_STATE, "%s( 0 )", "STATE"},
    {IDB_CMDEDIT_ENABLE, "%s( 1 )", "ENABLE"},
    {IDB_CMDEDIT_PROFILE, "%s( \"profile\" )", "PROFILE"},
    {IDB_CMDEDIT_DESKTOP, "%s( number )", "DESKTOP"},
    {IDB_CMDEDIT_RUN, "%s( \"program\" , \"parameters\" , 1 )", "RUN"},
};

const int kDragButtons[] = {IDB_CMDEDIT_WINDOW, IDB_CMDEDIT_CONTROL, IDB_CMDEDIT_CLICK, IDB_CMDEDIT_MOVE,
                            IDB_CMDEDIT_SIZE};
const int kCommandButtons[] = {IDB_CMDEDIT_WINDOW, IDB_CMDEDIT_CONTROL, IDB_CMDEDIT_ATTACH, IDB_CMDEDIT_CLICK,
                               IDB_CMDEDIT_TYPE,   IDB_CMDEDIT_KEY,     IDB_CMDEDIT_WAIT,   IDB_CMDEDIT_CLOSE,
                               IDB_CMDEDIT_MOVE,   IDB_CMDEDIT_SIZE,    IDB_CMDEDIT_STATE,  IDB_CMDEDIT_ENABLE,
                               IDB_CMDEDIT_PROFILE, IDB_CMDEDIT_DESKTOP, IDB_CMDEDIT_RUN};

// What a test thread works on: its own copy of the context, freed by
// whichever of the thread and the editor lets go of it last, so a thread
// that outlives the editor touches nothing the caller freed.
struct EditorTest {
    ScriptThreadContext context;
    volatile LONG holders;
    DWORD result;
};

void ReleaseTest(EditorTest* test)
{
    if (InterlockedDecrement(&test->holders) == 0) free(test);
}

DWORD WINAPI EditorTestThread(void* parameter)
{
    EditorTest* test = (EditorTest*)parameter;
    DWORD result = RunCommandScript(&test->context);
    test->result = result;
    ReleaseTest(test);
    return result;
}

HFONT CreateEditFont(HWND dialog)
{
    UINT dpi = GetWindowDpi(dialog);
    if (dpi < 96) dpi = 96;
    LOGFONTA lf = {};
    lf.lfHeight = -MulDiv(12, (int)dpi, 96);
    lf.lfWeight = FW_NORMAL;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    CopyText(lf.lfFaceName, sizeof(lf.lfFaceName), "MS Courier");
    return CreateFontIndirectA(&lf);
}

void SetEditFont(HWND dialog)
{
    HFONT font = CreateEditFont(dialog);
    if (!font) return;
    SendDlgItemMessageA(dialog, IDE_CMDEDIT_SCRIPT, WM_SETFONT, (WPARAM)font, TRUE);
    if (g_editFont) DeleteObject(g_editFont);
    g_editFont = font;
}

char* SlotText()
{
    uint8_t slot = g_context->slot < RULE_SCRIPT_SLOTS ? g_context->slot : 0;
    return g_context->rule.cmdtext[slot];
}

void StoreEditIntoSlot(HWND dialog)
{
    char* slot = SlotText();
    GetDlgItemTextA(dialog, IDE_CMDEDIT_SCRIPT, slot, RULE_SCRIPT_SIZE);
    slot[RULE_SCRIPT_SIZE - 1] = '\0';
}

bool ScriptChanged(HWND dialog)
{
    StoreEditIntoSlot(dialog);
    return strcmp(SlotText(), g_openedScript ? g_openedScript : "") != 0;
}

// The rule's last held window that still exists, or none.
HWND TestWindow()
{
    for (int i = RULE_MAX_WINDOWS - 1; i >= 0; i--) {
        HWND w = g_context->rule.windows[i];
        if (w) return IsWindow(w) ? w : nullptr;
    }
    return nullptr;
}

void ShowError(HWND dialog, const char* text, uint32_t flags)
{
    AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), text, flags, 0);
}

// The result of the test thread, or false when it did not end in time (or
// the editor closed meanwhile).
bool WaitForTest(HANDLE thread)
{
    for (int i = 0; i < kTestPolls && !g_closing; i++) {
        if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) return true;
        PumpMessagesFor(&g_app, kTestPoll);
    }
    return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

// "Test" (and OK's check): 0 without an error, 1 with one (reported).
int RunTest(HWND dialog, bool checkOnly)
{
    if (g_testRunning) return 1;
    HWND window = TestWindow();
    g_context->window.hwnd = window;
    g_context->mode = checkOnly ? SCRIPT_CHECK_ONLY : SCRIPT_RUN;
    DWORD start = 0, end = 0;
    SendDlgItemMessageA(dialog, IDE_CMDEDIT_SCRIPT, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    if (checkOnly || start == end) start = end = 0;
    g_context->scriptPosition = start;
    g_context->scriptLength = end - start;
    StoreEditIntoSlot(dialog);

    EditorTest* test = (EditorTest*)calloc(1, sizeof(EditorTest));
    if (!test) {
        ShowError(dialog, AppText(5030, 4), 0x111);
        return 1;
    }
    test->context = *g_context;
    test->holders = 2;
    HANDLE thread = CreateThread(nullptr, 0, EditorTestThread, test, 0, nullptr);
    if (!thread) {
        // A test that never ran has not completed: never report success.
        free(test);
        ShowError(dialog, AppText(5030, 4), 0x111);
        return 1;
    }
    g_testRunning = true;
    bool ended = WaitForTest(thread);
    g_testRunning = false;
    CloseHandle(thread);
    if (g_closing) {
        ReleaseTest(test);
        return 1;
    }
    if (!ended) {
        ReleaseTest(test);
        ShowError(dialog, AppText(5030, 4), 0x111);
        return 1;
    }
    uint32_t result = test->result;
    uint32_t failedAt = test->context.scriptPosition, reached = test->context.scriptLength;
    ReleaseTest(test);
    g_context->scriptPosition = failedAt;
    g_context->scriptLength = reached;

    uint32_t code = SCRIPT_RESULT_CODE(result);
    if (checkOnly && code == SCRIPT_NO_COMMAND) code = 0;
    if (code) {
        int number = (int)SCRIPT_RESULT_COMMAND(result);
        const char* name = ScriptCommandName(number < SCMD_COUNT ? number : 0);
        char text[1024];
        FormatText(text, sizeof(text), AppText(5030, 1), name, AppText((uint16_t)(code & 0xFF), (int)(code >> 8)));
        ShowError(dialog, text, 0x111);
        SendDlgItemMessageA(dialog, IDE_CMDEDIT_SCRIPT, EM_SETSEL, failedAt, reached);
        SetFocus(GetDlgItem(dialog, IDE_CMDEDIT_SCRIPT));
        return 1;
    }
    if (!checkOnly) ShowError(dialog, AppText(5030, 2), 0x114);
    return 0;
}

// "S+C+A+W+" in this order, then the key's constant name.
void InsertKeyStatement(HWND dialog)
{
    HotkeyField field = {};
    InitHotkeyField(&field);
    INT_PTR answer = ShowKeyCombinationDialog(&field, dialog);
    uint16_t combination = field.combination;
    FreeHotkeyField(&field);
    if (answer != IDOK) return;
    char keys[64] = "";
    if (combination & HOTKEY_SHIFT) AppendText(keys, sizeof(keys), "S+");
    if (combination & HOTKEY_CTRL) AppendText(keys, sizeof(keys), "C+");
    if (combination & HOTKEY_ALT) AppendText(keys, sizeof(keys), "A+");
    if (combination & HOTKEY_WIN) AppendText(keys, sizeof(keys), "W+");
    uint8_t code = (uint8_t)(combination & 0xFF);
    if (code < 255) AppendText(keys, sizeof(keys), GetKeyNameTable()[code].constantName);
    AppendEditorOutput("%s( %s )", "KEY", keys);
}

void RecordLayout(HWND dialog)
{
    DialogLayoutInit(&g_layout.layout, dialog, IDOK);
    DialogLayoutAdd(&g_layout.layout, GetDlgItem(dialog, IDG_CMDEDIT_SCRIPT), LAYOUT_STRETCH_WIDTH | LAYOUT_STRETCH_HEIGHT);
    DialogLayoutAdd(&g_layout.layout, GetDlgItem(dialog, IDE_CMDEDIT_SCRIPT), LAYOUT_STRETCH_WIDTH | LAYOUT_STRETCH_HEIGHT);
    for (int id : kCommandButtons) DialogLayoutAdd(&g_layout.layout, GetDlgItem(dialog, id), LAYOUT_KEEP_RIGHT);
    DialogLayoutAdd(&g_layout.layout, GetDlgItem(dialog, IDB_CMDEDIT_HELP), LAYOUT_KEEP_BOTTOM);
    const int kClosing[] = {IDOK, IDCANCEL, IDB_CMDEDIT_TEST};
    for (int id : kClosing)
        DialogLayoutAdd(&g_layout.layout, GetDlgItem(dialog, id), LAYOUT_KEEP_BOTTOM | LAYOUT_KEEP_RIGHT);
    g_layout.recorded = true;
}

BOOL OnInitDialog(HWND dialog, ScriptThreadContext* context)
{
    g_editor = dialog;
    g_context = context;
    g_closing = false;
    InitDialogDefaults(&g_app, dialog);
    SetEditFont(dialog);
    for (int id : kDragButtons) SubclassCommandPicker(GetDlgItem(dialog, id));
    RecordLayout(dialog);
    if (!g_virtualDesktop) EnableWindow(GetDlgItem(dialog, IDB_CMDEDIT_DESKTOP), FALSE);
    HWND edit = GetDlgItem(dialog, IDE_CMDEDIT_SCRIPT);
    SendMessageA(edit, EM_SETLIMITTEXT, kScriptChars, 0);
    char* slot = SlotText();
    slot[RULE_SCRIPT_SIZE - 1] = '\0';
    g_openedScript = _strdup(slot);
    SetWindowTextA(edit, slot);
    int length = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, length, length);
    SetFocus(edit);
    return FALSE;
}

void EndEditor(HWND dialog, INT_PTR result)
{
    g_closing = true;
    EndDialog(dialog, result);
}

void OnCancel(HWND dialog)
{
    if (ScriptChanged(dialog) &&
        AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_DISCARD_CHANGES), 0x1048, 0) != IDYES)
        return;
    EndEditor(dialog, 2);
}

void OnCommand(HWND dialog, int id, LPARAM lParam)
{
    switch (id) {
    case IDOK:
        if (g_testRunning || RunTest(dialog, true) != 0) return;
        EndEditor(dialog, 1);
        return;
    case IDCANCEL:
        OnCancel(dialog);
        return;
    case IDB_CMDEDIT_TEST:
        RunTest(dialog, lParam == 1);
        return;
    case IDB_CMDEDIT_HELP:
        ShowHelp(&g_app, "Commands.htm");
        return;
    case IDB_CMDEDIT_KEY:
        InsertKeyStatement(dialog);
        return;
    default:
        break;
    }
    for (const ScriptTemplate& t : kTemplates)
        if (t.id == id) AppendEditorOutput(t.format, t.command);
}

void OnDestroy()
{
    FreeResizableLayout(&g_layout);
    free(g_openedScript);
    g_openedScript = nullptr;
    if (g_editFont) DeleteObject(g_editFont);
    g_editFont = nullptr;
    g_editor = nullptr;
    g_context = nullptr;
    g_closing = true;
}

}  // namespace

bool AppendEditorOutput(const char* format, ...)
{
    if (!g_editor) return false;
    char statement[1300];
    va_list args;
    va_start(args, format);
    FormatTextV(statement, sizeof(statement), format, args);
    va_end(args);
    AppendText(statement, sizeof(statement), "\r\n");
    HWND edit = GetDlgItem(g_editor, IDE_CMDEDIT_SCRIPT);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    size_t kept = (size_t)GetWindowTextLengthA(edit) - (end - start);
    // The box would cut it silently at the slot's size: the whole statement or nothing.
    if (kept + strlen(statement) > (size_t)kScriptChars) {
        MessageBeep(MB_ICONWARNING);
        return false;
    }
    SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)statement);
    SetFocus(edit);
    return true;
}

void CopyQuotableText(char* out, size_t cap, const char* text)
{
    const char* best = text;
    size_t bestLength = 0;
    for (const char* run = text; *run;) {
        size_t length = strcspn(run, "\"");
        if (length > bestLength) {
            best = run;
            bestLength = length;
        }
        run += length;
        if (*run) run++;
    }
    CopyTextN(out, cap, best, bestLength);
}

INT_PTR ShowCommandEditor(HWND owner, ScriptThreadContext* context)
{
    if (!context || g_editor) return 2;
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_COMMAND_EDITOR), owner,
                           CommandEditorDlgProc, (LPARAM)context);
}

INT_PTR CALLBACK CommandEditorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandleDialogSizing(&g_layout, dialog, message, lParam, IDOK, 8, 22)) return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, (ScriptThreadContext*)lParam);
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, HIWORD(wParam));
        SetEditFont(dialog);
        return TRUE;
    case WM_HELP:
        ShowHelp(&g_app, "Commands.htm");
        return TRUE;
    case WM_CMDEDIT_CHANGED:
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, ScriptChanged(dialog) ? 1 : 0);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnCommand(dialog, LOWORD(wParam), lParam);
        return TRUE;
    default:
        return FALSE;
    }
}
