// HelperDesktop.cpp - a stand-in for the shell's desktop, which Wine lacks:
// "Progman" > "SHELLDLL_DefView" > "SysListView32" titled "FolderView", with
// the icons given as "--item <name> <x> <y>" at those list-view positions.
//
// Prints "ready <list view>", then answers one step per line on stdin:
// "report" gives "ok <n>" and a tab before each icon's name, x and y;
// "counts" gives "ok text=<t> set=<s> held=<h>": label requests from other
// processes, position changes, label requests waiting now; "hold" makes label
// requests wait until "release" (at most 20 s each); "close" ends.
//
// "--decoy" adds a folder window the way Windows builds one: its own
// "SHELLDLL_DefView" > "FolderView" list sits deeper down, holding one icon
// "Recycle Bin" at (900, 900). It is enumerated before the desktop.
//
// A list view that lies, to other processes only: "--count N" reports N
// icons; "--every" answers for any index with the icon at index modulo the
// icons it holds; "--delay MS" answers each label request MS late.
#include <windows.h>

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

struct Icon {
    std::string name;
    POINT at;
};

HANDLE g_out;
HWND g_top, g_list;
WNDPROC g_listProc;
HANDLE g_release;            // set: label requests are answered at once
volatile LONG g_reporting;   // the reader is reading the icons itself
volatile LONG g_textRequests, g_setRequests, g_held;
long g_claimedCount = -1;   // -1: the true count
bool g_every;
DWORD g_delayMs;

void WriteOut(const std::string& line)
{
    DWORD n = 0;
    WriteFile(g_out, line.data(), (DWORD)line.size(), &n, nullptr);
}

LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!g_reporting && message == LVM_GETITEMCOUNT && g_claimedCount >= 0) return g_claimedCount;
    if (!g_reporting && g_every && (message == LVM_GETITEMTEXTA || message == LVM_GETITEMPOSITION)) {
        WPARAM held = (WPARAM)CallWindowProcA(g_listProc, window, LVM_GETITEMCOUNT, 0, 0);
        if (held > 0) wParam %= held;
    }
    if (message == LVM_GETITEMTEXTA && !g_reporting) {
        InterlockedIncrement(&g_textRequests);
        InterlockedIncrement(&g_held);
        WaitForSingleObject(g_release, 20000);
        InterlockedDecrement(&g_held);
        if (g_delayMs) Sleep(g_delayMs);
    } else if (message == LVM_SETITEMPOSITION || message == LVM_SETITEMPOSITION32) {
        InterlockedIncrement(&g_setRequests);
    }
    return CallWindowProcA(g_listProc, window, message, wParam, lParam);
}

std::string Report()
{
    InterlockedExchange(&g_reporting, 1);
    int n = (int)SendMessageA(g_list, LVM_GETITEMCOUNT, 0, 0);
    std::string line = "ok " + std::to_string(n);
    for (int i = 0; i < n; i++) {
        char text[300] = "";
        LVITEMA item = {};
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(g_list, LVM_GETITEMTEXTA, (WPARAM)i, (LPARAM)&item);
        POINT at = {};
        SendMessageA(g_list, LVM_GETITEMPOSITION, (WPARAM)i, (LPARAM)&at);
        line += "\t" + std::string(text) + "\t" + std::to_string(at.x) + "\t" + std::to_string(at.y);
    }
    InterlockedExchange(&g_reporting, 0);
    return line + "\n";
}

DWORD WINAPI ReaderThread(void*)
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buf[1024];
    DWORD n = 0;
    while (ReadFile(in, buf, sizeof(buf), &n, nullptr) && n > 0) {
        pending.append(buf, n);
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            while (!line.empty() && line.back() == '\r') line.pop_back();
            if (line == "report") {
                WriteOut(Report());
            } else if (line == "counts") {
                char text[128];
                snprintf(text, sizeof(text), "ok text=%ld set=%ld held=%ld\n", (long)g_textRequests,
                         (long)g_setRequests, (long)g_held);
                WriteOut(text);
            } else if (line == "hold") {
                ResetEvent(g_release);
                WriteOut("ok\n");
            } else if (line == "release") {
                SetEvent(g_release);
                WriteOut("ok\n");
            } else if (line == "close") {
                SetEvent(g_release);
                PostMessageA(g_top, WM_CLOSE, 0, 0);
                return 0;
            } else {
                WriteOut("error " + line + "\n");
            }
        }
    }
    SetEvent(g_release);
    PostMessageA(g_top, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CALLBACK TopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_out = GetStdHandle(STD_OUTPUT_HANDLE);
    std::vector<Icon> icons;
    bool decoy = false;
    for (int i = 1; i < __argc;) {
        const char* option = __argv[i];
        bool hasValue = i + 1 < __argc;
        if (!strcmp(option, "--decoy")) {
            decoy = true;
        } else if (!strcmp(option, "--every")) {
            g_every = true;
        } else if (!strcmp(option, "--count") && hasValue) {
            g_claimedCount = atol(__argv[++i]);
        } else if (!strcmp(option, "--delay") && hasValue) {
            g_delayMs = (DWORD)atol(__argv[++i]);
        } else {
            if (i + 3 >= __argc || strcmp(option, "--item") != 0) return 1;
            icons.push_back(Icon{__argv[i + 1], POINT{atol(__argv[i + 2]), atol(__argv[i + 3])}});
            i += 3;
        }
        i++;
    }
    g_release = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    INITCOMMONCONTROLSEX cc = {sizeof(cc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&cc);

    WNDCLASSA top = {};
    top.lpfnWndProc = TopProc;
    top.hInstance = instance;
    top.lpszClassName = "Progman";
    WNDCLASSA view = {};
    view.lpfnWndProc = DefWindowProcA;
    view.hInstance = instance;
    view.lpszClassName = "SHELLDLL_DefView";
    WNDCLASSA folder = view;
    folder.lpszClassName = "CabinetWClass";
    WNDCLASSA tab = view;
    tab.lpszClassName = "ShellTabWindowClass";
    if (!RegisterClassA(&top) || !RegisterClassA(&view) || !RegisterClassA(&folder) || !RegisterClassA(&tab))
        return 2;
    g_top = CreateWindowExA(WS_EX_TOOLWINDOW, "Progman", "Program Manager", WS_POPUP, 0, 0, 1600, 1200, nullptr,
                            nullptr, instance, nullptr);
    HWND defView = CreateWindowExA(0, "SHELLDLL_DefView", "", WS_CHILD | WS_VISIBLE, 0, 0, 1600, 1200, g_top,
                                   nullptr, instance, nullptr);
    g_list = CreateWindowExA(0, WC_LISTVIEWA, "FolderView", WS_CHILD | WS_VISIBLE | LVS_ICON, 0, 0, 1600, 1200,
                             defView, nullptr, instance, nullptr);
    if (!g_top || !defView || !g_list) return 3;
    for (size_t i = 0; i < icons.size(); i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = (int)i;
        item.pszText = &icons[i].name[0];
        int at = (int)SendMessageA(g_list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        SendMessageA(g_list, LVM_SETITEMPOSITION32, (WPARAM)at, (LPARAM)&icons[i].at);
    }
    g_listProc = (WNDPROC)SetWindowLongPtrA(g_list, GWLP_WNDPROC, (LONG_PTR)ListProc);
    if (decoy) {
        // Made after the desktop, so it stands above it in the window order.
        HWND window = CreateWindowExA(0, "CabinetWClass", "Decoy", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                      instance, nullptr);
        HWND tabWindow = CreateWindowExA(0, "ShellTabWindowClass", "Decoy", WS_CHILD | WS_VISIBLE, 0, 0, 800, 600,
                                         window, nullptr, instance, nullptr);
        HWND inner = CreateWindowExA(0, "SHELLDLL_DefView", "", WS_CHILD | WS_VISIBLE, 0, 0, 800, 600, tabWindow,
                                     nullptr, instance, nullptr);
        HWND list = CreateWindowExA(0, WC_LISTVIEWA, "FolderView", WS_CHILD | WS_VISIBLE | LVS_ICON, 0, 0, 800, 600,
                                    inner, nullptr, instance, nullptr);
        if (!window || !tabWindow || !inner || !list) return 4;
        char name[] = "Recycle Bin";
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.pszText = name;
        int at = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        POINT place = {900, 900};
        SendMessageA(list, LVM_SETITEMPOSITION32, (WPARAM)at, (LPARAM)&place);
    }

    char ready[64];
    snprintf(ready, sizeof(ready), "ready %llx\n", (unsigned long long)(ULONG_PTR)g_list);
    WriteOut(ready);
    HANDLE reader = CreateThread(nullptr, 0, ReaderThread, nullptr, 0, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // The reader may be blocked in ReadFile; the process ends regardless.
    if (reader) CloseHandle(reader);
    ExitProcess(0);
}
