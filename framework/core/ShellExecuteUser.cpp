// ShellExecuteUser.cpp - starting a program through the desktop's shell
// process, so that it does not inherit this process's (possibly raised) rights.
#include "framework/core/WindowUtil.h"

#include <exdisp.h>
#include <objbase.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shellapi.h>

namespace {

template <typename T>
void Release(T** p)
{
    if (*p) {
        (*p)->Release();
        *p = nullptr;
    }
}

VARIANT TextVariant(const wchar_t* text)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}

// The shell dispatch object of the desktop's folder view, or null (no shell
// windows, as under Wine, or a desktop without a view).
IShellDispatch2* DesktopShellDispatch()
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
    VARIANT none;
    VariantInit(&none);
    long found = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                   (void**)&windows)) &&
        windows->FindWindowSW(&none, &none, SWC_DESKTOP, &found, SWFO_NEEDDISPATCH, &desktop) == S_OK &&
        desktop && SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, (void**)&provider)) &&
        SUCCEEDED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, (void**)&browser)) &&
        SUCCEEDED(browser->QueryActiveShellView(&view)) &&
        SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, (void**)&background)) &&
        SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, (void**)&folderView)) &&
        SUCCEEDED(folderView->get_Application(&application)) && application)
        application->QueryInterface(IID_IShellDispatch2, (void**)&shell);
    Release(&application);
    Release(&folderView);
    Release(&background);
    Release(&view);
    Release(&browser);
    Release(&provider);
    Release(&desktop);
    Release(&windows);
    return shell;
}

bool ExecuteThroughDesktop(const wchar_t* file, const wchar_t* parameters, const wchar_t* verb, int show)
{
    IShellDispatch2* shell = DesktopShellDispatch();
    if (!shell) return false;
    BSTR name = SysAllocString(file);
    VARIANT args = TextVariant(parameters);
    VARIANT folder = TextVariant(L"");
    VARIANT operation = TextVariant(verb);
    VARIANT showCmd;
    VariantInit(&showCmd);
    showCmd.vt = VT_I4;
    showCmd.lVal = show;
    bool ok = name && SUCCEEDED(shell->ShellExecute(name, args, folder, operation, showCmd));
    SysFreeString(name);
    VariantClear(&args);
    VariantClear(&folder);
    VariantClear(&operation);
    shell->Release();
    return ok;
}

void Widen(const char* text, wchar_t* out, int capacity)
{
    out[0] = L'\0';
    if (text && !MultiByteToWideChar(CP_ACP, 0, text, -1, out, capacity)) out[0] = L'\0';
    out[capacity - 1] = L'\0';
}

}  // namespace

int ShellExecuteAsUser(const char* file, const char* parameters, int, const char* verb, int show)
{
    if (!file || !*file) return -1;
    // An MTA thread keeps its apartment (RPC_E_CHANGED_MODE): only a
    // successful initialisation of ours is undone.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t f[MAX_PATH], p[2 * MAX_PATH], v[MAX_PATH];
    Widen(file, f, MAX_PATH);
    Widen(parameters, p, 2 * MAX_PATH);
    Widen(verb, v, MAX_PATH);
    int result = 0;
    if (!ExecuteThroughDesktop(f, p, v, show)) {
        INT_PTR code = (INT_PTR)ShellExecuteA(nullptr, verb, file, parameters, nullptr, show);
        result = code > 32 ? 0 : (code > 0 ? -(int)code : -1);
    }
    if (com == S_OK || com == S_FALSE) CoUninitialize();
    return result;
}
