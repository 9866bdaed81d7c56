// FileDialogs.cpp - the open and save dialogs and the folder picker.
#include "framework/core/DialogUtil.h"

#include "framework/core/TextUtil.h"

#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <string.h>

static char g_fileDialogPath[MAX_PATH];
static FileDialogRunner g_fileRunner;
static FolderDialogRunner g_folderRunner;

void SetFileDialogRunner(FileDialogRunner runner)
{
    g_fileRunner = runner;
}

void SetFolderDialogRunner(FolderDialogRunner runner)
{
    g_folderRunner = runner;
}

// The extension of the filter's first pattern ("*.rulexp" gives "rulexp"),
// which the save dialog appends to a name typed without one; empty for
// patterns such as "*.*".
static void DefaultExtension(const char* filter, char* ext, size_t cap)
{
    ext[0] = '\0';
    if (!filter) return;
    const char* pattern = filter + strlen(filter) + 1;
    if (strncmp(pattern, "*.", 2) != 0) return;
    pattern += 2;
    size_t n = strcspn(pattern, ";");
    if (n == 0 || strcspn(pattern, "*?") < n) return;
    CopyTextN(ext, cap, pattern, n);
}

static BOOL RunFileDialog(bool save, OPENFILENAMEA* ofn, DWORD* error)
{
    *error = 0;
    if (g_fileRunner) return g_fileRunner(save, ofn, error);
    BOOL ok = save ? GetSaveFileNameA(ofn) : GetOpenFileNameA(ofn);
    if (!ok) *error = CommDlgExtendedError();
    return ok;
}

const char* FileDialog(bool save, const char* filter, const char* initialName)
{
    g_fileDialogPath[0] = '\0';
    if (initialName) CopyText(g_fileDialogPath, sizeof(g_fileDialogPath), initialName);
    char ext[32];
    DefaultExtension(filter, ext, sizeof(ext));

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = g_fileDialogPath;
    ofn.nMaxFile = sizeof(g_fileDialogPath);
    ofn.lpstrDefExt = ext[0] ? ext : nullptr;
    ofn.Flags = save ? 0x88080E : 0x88100C;

    DWORD error = 0;
    BOOL ok = RunFileDialog(save, &ofn, &error);
    if (!ok && error == FNERR_INVALIDFILENAME) {
        // The dialog refuses to open on a name it cannot show: open it empty.
        g_fileDialogPath[0] = '\0';
        ok = RunFileDialog(save, &ofn, &error);
    }
    return ok ? g_fileDialogPath : nullptr;
}

//--- folder picker

static bool ToWide(const char* text, wchar_t* out, int cap)
{
    return MultiByteToWideChar(CP_ACP, 0, text, -1, out, cap) > 0;
}

// The folder as a shell item, resolved through the desktop folder.
static IShellItem* ShellItemFromPath(const wchar_t* path)
{
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
    PIDLIST_RELATIVE pidl = nullptr;
    IShellItem* item = nullptr;
    if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, (LPWSTR)path, nullptr, &pidl, nullptr))) {
        SHCreateItemFromIDList((PCIDLIST_ABSOLUTE)pidl, IID_IShellItem, (void**)&item);
        CoTaskMemFree(pidl);
    }
    desktop->Release();
    return item;
}

static bool RunFolderDialog(const char* title, char* folder)
{
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                (void**)&dialog)))
        return false;
    DWORD options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    wchar_t wide[MAX_PATH];
    if (title && ToWide(title, wide, MAX_PATH)) dialog->SetTitle(wide);
    if (folder[0] && ToWide(folder, wide, MAX_PATH)) {
        IShellItem* start = ShellItemFromPath(wide);
        if (start) {
            dialog->SetFolder(start);
            start->Release();
        }
    }
    bool chosen = false;
    IShellItem* result = nullptr;
    if (SUCCEEDED(dialog->Show(GetActiveWindow())) && SUCCEEDED(dialog->GetResult(&result))) {
        PWSTR path = nullptr;
        if (SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
            char ansi[MAX_PATH];
            if (WideCharToMultiByte(CP_ACP, 0, path, -1, ansi, sizeof(ansi), nullptr, nullptr) > 0) {
                CopyText(folder, MAX_PATH, ansi);
                chosen = true;
            }
            CoTaskMemFree(path);
        }
        result->Release();
    }
    dialog->Release();
    return chosen;
}

int BrowseForFolder(const char* title, char* folder)
{
    if (!folder) return 2;
    if (g_folderRunner) return g_folderRunner(title, folder) ? 1 : 2;
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    bool chosen = RunFolderDialog(title, folder);
    if (SUCCEEDED(com)) CoUninitialize();
    return chosen ? 1 : 2;
}
