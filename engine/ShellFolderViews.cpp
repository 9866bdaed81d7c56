// ShellFolderViews.cpp - the shell's own chain for folder windows: the
// ShellWindows collection, each item's web browser, the top-level browser,
// its active shell view and the folder view.
#include "engine/ShellFolderViews.h"

#include <exdisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <new>

#include "framework/core/TextUtil.h"

static_assert(sizeof(SORTCOLUMN) == sizeof(SortColumnState), "a sort column is stored as the shell has it");

namespace {

template <typename T>
void ReleaseCom(T** p)
{
    if (*p) {
        (*p)->Release();
        *p = nullptr;
    }
}

// COM for the calling thread when it has none yet. A thread that already
// lives in another apartment keeps it (the call then fails and is not
// balanced).
struct ComUse {
    HRESULT hr = E_FAIL;
    void Begin() { hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    void End()
    {
        if (SUCCEEDED(hr)) CoUninitialize();
        hr = E_FAIL;
    }
};

IShellWindows* CreateShellWindows()
{
    IShellWindows* windows = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IShellWindows, (void**)&windows)))
        return nullptr;
    return windows;
}

// The collection's item at index as a web browser with its window handle.
// S_FALSE: no item there (the walk ends); another success with a null
// browser: an item that is no browser (the walk goes on).
HRESULT ItemAt(IShellWindows* windows, long index, IWebBrowser2** browser, HWND* window)
{
    *browser = nullptr;
    *window = nullptr;
    VARIANT at = {};
    at.vt = VT_I4;
    at.lVal = index;
    IDispatch* item = nullptr;
    HRESULT hr = windows->Item(at, &item);
    if (hr != S_OK || !item) {
        ReleaseCom(&item);
        return FAILED(hr) ? hr : S_FALSE;
    }
    if (SUCCEEDED(item->QueryInterface(IID_IWebBrowser2, (void**)browser)) && *browser) {
        SHANDLE_PTR handle = 0;
        if (SUCCEEDED((*browser)->get_HWND(&handle))) *window = (HWND)handle;
    }
    ReleaseCom(&item);
    return S_OK;
}

IShellView* ActiveShellView(IWebBrowser2* browser)
{
    IServiceProvider* services = nullptr;
    IShellBrowser* top = nullptr;
    IShellView* view = nullptr;
    if (SUCCEEDED(browser->QueryInterface(IID_IServiceProvider, (void**)&services)) && services &&
        SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, (void**)&top)) && top &&
        FAILED(top->QueryActiveShellView(&view)))
        view = nullptr;
    ReleaseCom(&top);
    ReleaseCom(&services);
    return view;
}

// The item list of the folder a view shows; the caller frees it with CoTaskMemFree.
PIDLIST_ABSOLUTE CurrentFolder(IShellView* view)
{
    IFolderView* folderView = nullptr;
    IPersistFolder2* folder = nullptr;
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(view->QueryInterface(IID_IFolderView, (void**)&folderView)) && folderView &&
        SUCCEEDED(folderView->GetFolder(IID_IPersistFolder2, (void**)&folder)) && folder &&
        FAILED(folder->GetCurFolder(&items)))
        items = nullptr;
    ReleaseCom(&folder);
    ReleaseCom(&folderView);
    return items;
}

class ShellFolderView : public FolderView {
public:
    ShellFolderView(IShellView* view, const ComUse& com) : view_(view), com_(com)
    {
        if (FAILED(view_->QueryInterface(IID_IFolderView2, (void**)&view2_))) view2_ = nullptr;
    }
    void Release() override
    {
        ReleaseCom(&view2_);
        ReleaseCom(&view_);
        com_.End();
        delete this;
    }
    bool GetViewMode(int32_t* viewMode, int32_t* iconSize) override
    {
        FOLDERVIEWMODE mode = FVM_AUTO;
        int size = 0;
        if (!view2_ || FAILED(view2_->GetViewModeAndIconSize(&mode, &size))) return false;
        *viewMode = (int32_t)mode;
        *iconSize = size;
        return true;
    }
    bool SetViewMode(int32_t viewMode, int32_t iconSize) override
    {
        return view2_ && SUCCEEDED(view2_->SetViewModeAndIconSize((FOLDERVIEWMODE)viewMode, iconSize));
    }
    bool GetSortColumnCount(int32_t* count) override
    {
        int n = 0;
        if (!view2_ || FAILED(view2_->GetSortColumnCount(&n))) return false;
        *count = n;
        return true;
    }
    bool GetSortColumns(SortColumnState* columns, int32_t count) override
    {
        return view2_ && count > 0 && SUCCEEDED(view2_->GetSortColumns((SORTCOLUMN*)columns, count));
    }
    bool SetSortColumns(const SortColumnState* columns, int32_t count) override
    {
        return view2_ && count > 0 && SUCCEEDED(view2_->SetSortColumns((const SORTCOLUMN*)columns, count));
    }
    bool GetFolderPath(char* path, size_t size) override
    {
        if (size) path[0] = '\0';
        PIDLIST_ABSOLUTE items = CurrentFolder(view_);
        if (!items) return false;
        char full[MAX_PATH] = "";
        BOOL ok = SHGetPathFromIDListA(items, full);
        CoTaskMemFree(items);
        return ok && full[0] && size && CopyText(path, size, full);
    }

private:
    ~ShellFolderView() override {}
    IShellView* view_;
    IFolderView2* view2_ = nullptr;
    ComUse com_;
};

class ShellWindowsChain : public ShellFolderViews {
public:
    bool ForEachFolderWindow(FolderNameVisitor visit, void* context) override
    {
        ComUse com;
        com.Begin();
        bool whole = false;
        IShellWindows* windows = CreateShellWindows();
        long count = 0;
        if (windows && SUCCEEDED(windows->get_Count(&count)) && count >= 0) {
            whole = true;
            for (long i = 0; i < count; i++) {
                IWebBrowser2* browser = nullptr;
                HWND window = nullptr;
                // A list that ends early has changed under the walk.
                if (ItemAt(windows, i, &browser, &window) != S_OK) {
                    whole = false;
                    break;
                }
                if (browser) VisitFolder(browser, visit, context);
                ReleaseCom(&browser);
            }
        }
        ReleaseCom(&windows);
        com.End();
        return whole;
    }

    FolderView* OpenFolderView(HWND window) override
    {
        if (!window) return nullptr;
        ComUse com;
        com.Begin();
        IShellView* view = nullptr;
        IShellWindows* windows = CreateShellWindows();
        for (long i = 0; windows; i++) {
            IWebBrowser2* browser = nullptr;
            HWND handle = nullptr;
            if (ItemAt(windows, i, &browser, &handle) != S_OK) break;
            bool sought = browser && handle == window;
            if (sought) view = ActiveShellView(browser);
            ReleaseCom(&browser);
            if (sought) break;
        }
        ReleaseCom(&windows);
        if (!view) {
            com.End();
            return nullptr;
        }
        FolderView* out = new (std::nothrow) ShellFolderView(view, com);
        if (!out) {
            view->Release();
            com.End();
        }
        return out;
    }

private:
    static void VisitFolder(IWebBrowser2* browser, FolderNameVisitor visit, void* context)
    {
        IShellView* view = ActiveShellView(browser);
        if (!view) return;
        PIDLIST_ABSOLUTE items = CurrentFolder(view);
        ReleaseCom(&view);
        if (!items) return;
        PWSTR name = nullptr;
        if (SUCCEEDED(SHGetNameFromIDList(items, SIGDN_DESKTOPABSOLUTEPARSING, &name)) && name) visit(context, name);
        CoTaskMemFree(name);
        CoTaskMemFree(items);
    }
};

ShellWindowsChain g_shellChain;
ShellFolderViews* g_installedViews = nullptr;

}  // namespace

ShellFolderViews* GetShellFolderViews()
{
    return g_installedViews ? g_installedViews : &g_shellChain;
}

void SetShellFolderViews(ShellFolderViews* views)
{
    g_installedViews = views;
}
