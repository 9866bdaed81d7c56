// SeamsProgram.cpp - linked into a copy of the program whose file dialogs,
// folder picker and shell opening are answered by the test, and which opens
// its About box and editors when the test asks.
//
// "<data folder>\TestSeams.txt" holds key=value lines, read at every call:
// "open" and "save" are the paths the open and save dialogs return, "folder"
// the folder the picker returns; a missing key cancels. Every call is
// appended to "<data folder>\TestSeamsCalls.txt" as one line: "open <initial
// name>", "save <initial name>", "folder <start folder>", "shell <target>".
//
// The registered message "PanelShepherdTestSeam", posted to any window of the
// program's UI thread, opens the About box: wParam 0 without an owner, 1 from
// a window of the program's own made the foreground window first. wParam 2
// opens the Command Editor on slot 0 of a rule holding the window in lParam
// (none for 0), with the script "<data folder>\TestSeamsScript.txt" holds;
// when it closes, "<data folder>\TestSeamsEditor.txt" gets its result on the
// first line and the slot after it.
//
// wParam 30 opens Edit Group over the main dialog (or none) on the current
// profile's group named by "group" in TestSeams.txt; after OK the main
// dialog's tree is refilled, as its Edit command does.
//
// "refreshdelay" in TestSeams.txt is how many ms each Window List refresh
// thread waits after reading its rows.
//
// The Profiles dialog's Profile Settings is answered too ("settings <name>"
// is recorded): "settings=ok" ends it with OK, anything else or none with
// Cancel; with OK, "settingsname" renames the profile and "settingshotkey"
// (hexadecimal) becomes its trigger hotkey, either marking it changed.
#include "engine/Engine.h"
#include "engine/LiveEdit.h"
#include "engine/ProductIds.h"
#include "engine/ProfileStore.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/TextUtil.h"
#include "framework/services/AboutBox.h"
#include "ui/CommandEditor.h"
#include "ui/EditGroup.h"
#include "ui/ProfilesDialog.h"
#include "ui/WindowList.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>

namespace {

std::string SeamPath(const char* name)
{
    return std::string(g_app.dataFolder) + "\\" + name;
}

std::map<std::string, std::string> ReadAnswers()
{
    std::map<std::string, std::string> answers;
    if (!g_app.dataFolder[0]) return answers;
    FILE* f = fopen(SeamPath("TestSeams.txt").c_str(), "rb");
    if (!f) return answers;
    char line[1024];
    while (fgets(line, sizeof(line), f)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        size_t eq = s.find('=');
        if (eq != std::string::npos) answers[s.substr(0, eq)] = s.substr(eq + 1);
    }
    fclose(f);
    return answers;
}

void RecordCall(const char* kind, const char* detail)
{
    if (!g_app.dataFolder[0]) return;
    FILE* f = fopen(SeamPath("TestSeamsCalls.txt").c_str(), "ab");
    if (!f) return;
    fprintf(f, "%s %s\n", kind, detail ? detail : "");
    fclose(f);
}

BOOL AnswerFileDialog(bool save, OPENFILENAMEA* ofn, DWORD* extendedError)
{
    *extendedError = 0;
    const char* kind = save ? "save" : "open";
    RecordCall(kind, ofn->lpstrFile);
    auto answers = ReadAnswers();
    auto it = answers.find(kind);
    if (it == answers.end()) return FALSE;
    return CopyText(ofn->lpstrFile, ofn->nMaxFile, it->second.c_str());
}

bool AnswerFolderDialog(const char*, char* folder)
{
    RecordCall("folder", folder);
    auto answers = ReadAnswers();
    auto it = answers.find("folder");
    return it != answers.end() && CopyText(folder, MAX_PATH, it->second.c_str());
}

// "refreshdelay" keeps each Window List refresh thread alive that many ms.
void SlowWindowListRefresh()
{
    auto answers = ReadAnswers();
    auto it = answers.find("refreshdelay");
    if (it != answers.end()) Sleep((DWORD)strtoul(it->second.c_str(), nullptr, 10));
}

INT_PTR AnswerProfileSettings(HWND, Profile* profile)
{
    RecordCall("settings", profile->szGenName);
    auto answers = ReadAnswers();
    if (answers["settings"] != "ok") return IDCANCEL;
    auto name = answers.find("settingsname");
    if (name != answers.end()) {
        CopyText(profile->szGenName, sizeof(profile->szGenName), name->second.c_str());
        profile->edited = 1;
    }
    auto hotkey = answers.find("settingshotkey");
    if (hotkey != answers.end()) {
        profile->bTrgHotKey = 1;
        profile->iTrgHotKey = (uint16_t)strtoul(hotkey->second.c_str(), nullptr, 16);
        profile->edited = 1;
    }
    return IDOK;
}

int RecordShellExecute(const char* file, const char*, const char*, int)
{
    RecordCall("shell", file);
    return 0;
}

//--- opening the About box and the editors

UINT g_openAboutMessage;
HHOOK g_hook;
WPARAM g_openMode;
LPARAM g_openWindow;

LRESULT CALLBACK OwnWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

// A visible window of the program's own in front, as the main dialog would be.
HWND ShowOwnWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = OwnWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PanelShepherdSeamOwner";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Seam owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                                  200, nullptr, nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(window);
    return window;
}

std::string ReadSeamFile(const char* name)
{
    std::string text;
    FILE* f = fopen(SeamPath(name).c_str(), "rb");
    if (!f) return text;
    char chunk[512];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) text.append(chunk, n);
    fclose(f);
    return text;
}

void OpenCommandEditor(HWND window)
{
    ScriptThreadContext* context = (ScriptThreadContext*)calloc(1, sizeof(ScriptThreadContext));
    if (!context) return;
    context->rule.windows[0] = window;
    CopyText(context->rule.cmdtext[0], sizeof(context->rule.cmdtext[0]), ReadSeamFile("TestSeamsScript.txt").c_str());
    INT_PTR result = ShowCommandEditor(nullptr, context);
    std::string out = std::to_string((long long)result) + "\n" + context->rule.cmdtext[0];
    free(context);
    std::string path = SeamPath("TestSeamsEditor.txt");
    FILE* f = fopen((path + ".tmp").c_str(), "wb");
    if (!f) return;
    fwrite(out.data(), 1, out.size(), f);
    fclose(f);
    MoveFileExA((path + ".tmp").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void OpenEditGroup()
{
    std::string name = ReadAnswers()["group"];
    LiveProfileRef ref;
    uint32_t id = 0;
    bool found = false;
    if (!EnterTableLock(100)) return;
    Profile* p = NoteCurrentProfile(&ref) ? FindLiveProfile(&ref) : nullptr;
    for (int i = 0; p && i < p->pRules->count && !found; i++) {
        const Rule* r = &p->pRules->data[i];
        found = (r->item & RULE_ITEM_GROUP) && name == r->name;
        id = r->id;
    }
    LeaveTableLock();
    if (found && ShowEditGroup(g_mainDialog, &ref, id) == IDOK && g_mainDialog)
        PostMessageA(g_mainDialog, WM_PROFILE_RULESCHANGED, 1, (LPARAM)id);
}

// Runs from the message loop's dispatch, never from inside the hook.
void CALLBACK OpenAskedDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    // A user reaches these dialogs only once the program has started; an ask
    // delivered by a pumping wait of the start (no profiles yet) waits for it.
    if (ProfileCount() == 0 || TableLockWaitPumping()) {
        SetTimer(nullptr, 0, 50, OpenAskedDialog);
        return;
    }
    if (g_openMode == 2) {
        OpenCommandEditor((HWND)g_openWindow);
        return;
    }
    if (g_openMode == 30) {
        OpenEditGroup();
        return;
    }
    HWND own = g_openMode == 1 ? ShowOwnWindow() : nullptr;
    ShowAboutBox(nullptr, 0);
    if (own) DestroyWindow(own);
}

LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam)
{
    MSG* msg = (MSG*)lParam;
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == g_openAboutMessage) {
        g_openMode = msg->wParam;
        g_openWindow = msg->lParam;
        msg->message = WM_NULL;
        SetTimer(nullptr, 0, 0, OpenAskedDialog);
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

struct InstallSeams {
    InstallSeams()
    {
        SetFileDialogRunner(AnswerFileDialog);
        SetFolderDialogRunner(AnswerFolderDialog);
        SetShellExecuteRunner(RecordShellExecute);
        SetWindowListRefreshHook(SlowWindowListRefresh);
        SetProfileSettingsRunner(AnswerProfileSettings);
        g_openAboutMessage = RegisterWindowMessageA("PanelShepherdTestSeam");
        g_hook = SetWindowsHookExA(WH_GETMESSAGE, WatchMessages, nullptr, GetCurrentThreadId());
    }
} g_installSeams;

}  // namespace
