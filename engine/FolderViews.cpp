// FolderViews.cpp - the folder one Explorer window shows and its view: the
// folder criterion of matching and the view action of applying a rule.
#include "engine/ExplorerWindows.h"

#include "engine/ShellFolderViews.h"

#include <objbase.h>
#include <stdlib.h>
#include <string.h>

int GetExplorerFolderPath(HWND window, char* path, int size)
{
    if (!path || size <= 0) return 0;
    path[0] = '\0';
    FolderView* view = GetShellFolderViews()->OpenFolderView(window);
    if (!view) return 0;
    if (!view->GetFolderPath(path, (size_t)size)) path[0] = '\0';
    view->Release();
    path[size - 1] = '\0';
    return (int)strlen(path);
}

bool ReadFolderViewSettings(HWND window, Rule* rule)
{
    if (!rule) return false;
    FolderView* view = GetShellFolderViews()->OpenFolderView(window);
    if (!view) return false;
    int32_t mode = 0, size = 0;
    if (view->GetViewMode(&mode, &size)) {
        rule->viewmode = mode;
        rule->iconsize = size;
    } else {
        rule->viewmode = 0;
    }
    int32_t count = 0;
    rule->numsortcol = 0;
    if (view->GetSortColumnCount(&count)) {
        SortColumnState first = {};
        if (view->GetSortColumns(&first, 1)) {
            rule->sortcolumn = first;
            rule->numsortcol = 1;
        }
    }
    view->Release();
    return true;
}

bool StartApplyFolderViewThread(HWND window, const Rule* rule)
{
    if (!rule) return false;
    Rule* copy = (Rule*)malloc(sizeof(Rule));
    if (!copy) return false;
    memcpy(copy, rule, sizeof(Rule));
    copy->windows[0] = window;
    HANDLE thread = CreateThread(nullptr, 0, ApplyFolderViewThread, copy, 0, nullptr);
    if (!thread) {
        free(copy);
        return false;
    }
    CloseHandle(thread);
    return true;
}

DWORD WINAPI ApplyFolderViewThread(void* context)
{
    Rule* rule = (Rule*)context;
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    DWORD reached = 0;
    FolderView* view = GetShellFolderViews()->OpenFolderView(rule->windows[0]);
    if (view) {
        reached = 1;
        if (rule->viewmode != 0) view->SetViewMode(rule->viewmode, rule->iconsize);
        // The rule stores one sort column: a larger count from a file would
        // have the shell read past it.
        if (rule->numsortcol > 0) view->SetSortColumns(&rule->sortcolumn, 1);
        view->Release();
    }
    free(rule);
    if (SUCCEEDED(com)) CoUninitialize();
    return reached;
}
