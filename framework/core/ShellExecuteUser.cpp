// ShellExecuteUser.cpp - starting a program through the desktop's own shell, so
// that it runs as the desktop user and not with this process's rights.
#include "framework/core/DialogUtil.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shellapi.h>
#include <stdlib.h>

// Releases a COM pointer and clears it; safe on null.
template <typename T>
static void ReleaseCom(T** p)
{
    if (*p) {
        (*p)->Release();
        *p = nullptr;
    }
}

// The shell dispatch object of the desktop's view, or null.
static IShellDispatch2* DesktopShellDispatch()
{
    IShellWindows* windows = nullptr;
    IDispatch* desktop = nullptr;
    IServiceProvider* provider = nullptr;
    IShellBrowser* browser = nullptr;
    IShellView* view = nullptr;
    IDispatch* background = nullptr;
    IShellFolderViewDual* folderView = nullptr;
    IDispatch* application = nullptr;
    IShellDispatch2* shell = nullptr;

    VARIANT empty;
    VariantInit(&empty);
    long hwnd = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                   (void**)&windows)) &&
        windows->FindWindowSW(&empty, &empty, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, &desktop) == S_OK &&
        desktop && SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, (void**)&provider)) &&
        SUCCEEDED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, (void**)&browser)) &&
        SUCCEEDED(browser->QueryActiveShellView(&view)) &&
        SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, (void**)&background)) &&
        SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, (void**)&folderView)) &&
        SUCCEEDED(folderView->get_Application(&application)) && application)
        application->QueryInterface(IID_IShellDispatch2, (void**)&shell);

    ReleaseCom(&application);
    ReleaseCom(&folderView);
    ReleaseCom(&background);
    ReleaseCom(&view);
    ReleaseCom(&browser);
    ReleaseCom(&provider);
    ReleaseCom(&desktop);
    ReleaseCom(&windows);
    return shell;
}

static BSTR NewBstr(const char* text, int cap)
{
    wchar_t* wide = (wchar_t*)calloc((size_t)cap, sizeof(wchar_t));
    if (!wide) return nullptr;
    if (text) MultiByteToWideChar(CP_ACP, 0, text, -1, wide, cap);
    wide[cap - 1] = L'\0';
    BSTR b = SysAllocString(wide);
    free(wide);
    return b;
}

static bool ShellExecuteThroughDesktop(const char* file, const char* parameters, const char* verb, int show)
{
    IShellDispatch2* shell = DesktopShellDispatch();
    if (!shell) return false;
    BSTR bfile = NewBstr(file, MAX_PATH);
    VARIANT args, dir, operation, showCmd;
    VariantInit(&args);
    VariantInit(&dir);
    VariantInit(&operation);
    VariantInit(&showCmd);
    args.vt = VT_BSTR;
    args.bstrVal = NewBstr(parameters, 520);
    dir.vt = VT_BSTR;
    dir.bstrVal = SysAllocString(L"");
    operation.vt = VT_BSTR;
    operation.bstrVal = NewBstr(verb, MAX_PATH);
    showCmd.vt = VT_I4;
    showCmd.lVal = show;
    bool ok = bfile && SUCCEEDED(shell->ShellExecute(bfile, args, dir, operation, showCmd));
    SysFreeString(bfile);
    VariantClear(&args);
    VariantClear(&dir);
    VariantClear(&operation);
    shell->Release();
    return ok;
}

static ShellExecuteRunner g_shellRunner;

void SetShellExecuteRunner(ShellExecuteRunner runner)
{
    g_shellRunner = runner;
}

int ShellExecuteAsUser(const char* file, const char* parameters, uint16_t, const char* verb, int show)
{
    if (g_shellRunner) return g_shellRunner(file, parameters, verb, show);
    // A thread already in another apartment keeps it: only a successful
    // initialisation here is undone here.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool started = ShellExecuteThroughDesktop(file, parameters, verb, show) ||
                   (INT_PTR)ShellExecuteA(nullptr, verb, file, parameters, nullptr, show) > 32;
    if (SUCCEEDED(com)) CoUninitialize();
    return started ? 0 : -1;
}
