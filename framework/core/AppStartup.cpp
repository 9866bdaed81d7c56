// AppStartup.cpp - AppInitialize: the framework's start-up, in its fixed order.
#include "framework/core/AppStartup.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/CommandLine.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <string.h>

void ShowStartupError(AppObject* app, int code)
{
    AppShowMessage(app, nullptr, app->productName, 0x111, AppText(0xF003), (unsigned)code);
}

static void ShowDataFolderError(AppObject* app, const char* folder)
{
    AppShowMessage(app, nullptr, app->productName, 0x111, AppText(0xF008), folder);
}

static void ReadProgramVersion(AppObject* app)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(app->modulePath, &ignored);
    if (!size) return;
    void* data = malloc(size);
    if (!data) return;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (GetFileVersionInfoA(app->modulePath, 0, size, data) &&
        VerQueryValueA(data, "\\", (void**)&info, &len) && info && len >= sizeof(*info)) {
        app->versionMajor = HIWORD(info->dwFileVersionMS);
        app->versionMinor = LOWORD(info->dwFileVersionMS);
        app->versionBuild = HIWORD(info->dwFileVersionLS);
    }
    free(data);
}

static uint32_t ReadWindowsVersion(AppObject* app)
{
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
    RtlGetVersionFn get =
        (RtlGetVersionFn)(void*)GetProcAddress(GetModuleHandleA("ntdll"), "RtlGetVersion");
    typedef BOOL(WINAPI * IsWow64Fn)(HANDLE, BOOL*);
    IsWow64Fn wow = (IsWow64Fn)(void*)GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process");
    BOOL isWow = FALSE;
    if (wow && wow(GetCurrentProcess(), &isWow)) app->isWow64 = isWow ? 1 : 0;
    if (!get) return 0;
    OSVERSIONINFOW v = {};
    v.dwOSVersionInfoSize = sizeof(v);
    if (get(&v) != 0) return 0;
    if (v.dwMajorVersion == 6) {
        static const uint32_t minor[] = {6, 7, 8, 8};
        return v.dwMinorVersion < 4 ? minor[v.dwMinorVersion] : 0;
    }
    if (v.dwMajorVersion == 10) return v.dwBuildNumber >= 22000 ? 11 : 10;
    return 0;
}

static int CheckCommonControls()
{
    HMODULE lib = LoadLibraryA("comctl32.dll");
    if (!lib) return ZRP_ERR_COMCTL;
    DLLGETVERSIONPROC get = (DLLGETVERSIONPROC)(void*)GetProcAddress(lib, "DllGetVersion");
    DLLVERSIONINFO v = {};
    v.cbSize = sizeof(v);
    if (!get || FAILED(get(&v)) || ((v.dwMajorVersion << 16) | v.dwMinorVersion) < 0x40047)
        return ZRP_ERR_COMCTL;
    INITCOMMONCONTROLSEX icc = {8, 0xFFFFFFFF};
    InitCommonControlsEx(&icc);
    return 0;
}

static void AllowMessageThroughFilter(UINT message)
{
    typedef BOOL(WINAPI * FilterFn)(UINT, DWORD);
    FilterFn filter =
        (FilterFn)(void*)GetProcAddress(GetModuleHandleA("user32"), "ChangeWindowMessageFilter");
    if (filter) filter(message, 1 /* MSGFLT_ADD */);
}

static bool CreateIconSurface(AppObject* app)
{
    HDC screen = GetDC(nullptr);
    app->iconDC = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!app->iconDC) return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = 16;
    bi.bmiHeader.biHeight = -16;   // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    app->iconBitmap = CreateDIBSection(app->iconDC, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!app->iconBitmap) return false;
    app->iconDCOldBitmap = SelectObject(app->iconDC, app->iconBitmap);
    return true;
}

// Waits for and tests one data folder. 0, or ZRP_END_DATA_FOLDER after the
// problem was shown (or the wait cancelled).
static int SettleOneFolder(AppObject* app, const char* folder, int retries)
{
    WaitContext wait = {};
    wait.instance = app->instance;
    char tip[MAX_PATH], menu[MAX_PATH];
    FormatText(tip, sizeof(tip), "%s: %s", app->productName, AppText(0xF008, 1));
    FormatText(menu, sizeof(menu), AppText(0xF008, 2), app->productName);
    int w = WaitForDataPath(&wait, folder, retries, tip, menu);
    if (w == 1) return ZRP_END_DATA_FOLDER;
    if (w == 2 || TestDataFolderWritable(folder) != 0) {
        ShowDataFolderError(app, folder);
        return ZRP_END_DATA_FOLDER;
    }
    return 0;
}

static void ReadAppRecord(AppObject* app)
{
    AppRecord stored = {};
    if (ReadRecordFile("(ZRP)App", nullptr, 0) == sizeof(AppRecord) &&
        ReadRecordFile("(ZRP)App", &stored, sizeof(stored)) == sizeof(AppRecord)) {
        app->appRecord = stored;
        // A face read from the file may fill its field: keep it terminated.
        app->appRecord.fontFace[sizeof(app->appRecord.fontFace) - 1] = '\0';
    }
    if (app->appRecord.initialised != 1) app->firstStart = 1;
    app->appRecord.initialised = 1;
    if (app->appRecord.language >= STRING_LANGUAGES) app->appRecord.language = 0;
    app->strings.language = app->appRecord.language;
}

static int CreateControlWindows(AppObject* app)
{
    WNDCLASSA item = {};
    WNDPROC itemProc = GetFrameworkHooks()->uiItemWndProc;
    item.lpfnWndProc = itemProc ? itemProc : DefWindowProcA;
    item.hInstance = app->instance;
    item.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    item.lpszClassName = "ZRPAppUIItem";
    RegisterClassA(&item);
    WNDCLASSA phantom = {};
    phantom.lpfnWndProc = PhantomWndProc;
    phantom.hInstance = app->instance;
    phantom.hIcon = LoadIconA(app->instance, MAKEINTRESOURCEA(1));
    phantom.lpszClassName = "ZRPPhantom";
    RegisterClassA(&phantom);
    app->controlWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "ZRPPhantom", app->productName,
                                         WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, app->instance,
                                         nullptr);
    if (!app->controlWindow) return ZRP_ERR_WINDOW;
    app->tooltipWindow = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0,
                                         0, 0, 0, nullptr, nullptr, app->instance, nullptr);
    if (app->tooltipWindow)
        SetWindowPos(app->tooltipWindow, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return 0;
}

int AppInitialize(AppObject* app, HINSTANCE instance, StringTableEntry* productTable,
                  const char* commandLine)
{
    LoadDpiFunctions();
    MakeProcessDpiAware();

    app->instance = instance;
    app->productNameId = 0;
    CopyText(app->commandLine, sizeof(app->commandLine), commandLine);

    if (!app->strings.productTables[0] && productTable) {
        app->strings.productTables[0] = productTable;
        app->strings.productCount = SortStringTable(productTable);
    }
    CopyText(app->productName, sizeof(app->productName), AppText(app->productNameId));
    app->processId = GetCurrentProcessId();
    app->controlMsg = RegisterWindowMessageA("ZRPMSG_ZRPCONTROL");
    app->instanceToken = Crc32(app->productName, -1);

    RefreshMonitors();
    app->doubleClickTime = GetDoubleClickTime();
    const FrameworkHooks* hooks = GetFrameworkHooks();
    if (hooks->fillKeyTable) hooks->fillKeyTable();
    if (!CreateIconSurface(app)) {
        ShowStartupError(app, 1);
        return 1;
    }
    NONCLIENTMETRICSA ncm = {};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    const char* face = ncm.lfMessageFont.lfFaceName[0] ? ncm.lfMessageFont.lfFaceName : "MS Shell Dlg";
    CopyText(app->uiFontFace, sizeof(app->uiFontFace), face);
    CopyText(app->messageFontFace, sizeof(app->messageFontFace), face);

    int r = ParseCommandLine(app, app->commandLine);

    GetModuleFileNameA(nullptr, app->modulePath, sizeof(app->modulePath));
    ReadProgramVersion(app);
    CopyText(app->programFolder, sizeof(app->programFolder), app->modulePath);
    char* slash = strrchr(app->programFolder, '\\');
    if (slash) *slash = '\0';

    // Exactly the record's size: a shorter or longer value is somebody else's.
    uint8_t record[sizeof(InstallRecord) + 1];
    if (ReadInstallRecord(app->productName, record, sizeof(record)) != sizeof(InstallRecord)) {
        ShowStartupError(app, ZRP_ERR_INSTALL);
        return ZRP_ERR_INSTALL;
    }
    memcpy(&app->installRecord, record, sizeof(InstallRecord));

    // The folders become the application's only once they are usable, so a
    // start that fails here leaves no record anywhere.
    char dataFolder[MAX_PATH], commonFolder[MAX_PATH];
    SettleDataFolders(app, dataFolder, commonFolder);
    int retries = r == 1 ? -1 : 1;
    int rc = SettleOneFolder(app, dataFolder, retries);
    if (rc == 0 && _stricmp(commonFolder, dataFolder) != 0) rc = SettleOneFolder(app, commonFolder, retries);
    if (rc != 0) return rc;
    CopyText(app->dataFolder, sizeof(app->dataFolder), dataFolder);
    CopyText(app->commonDataFolder, sizeof(app->commonDataFolder), commonFolder);

    CopyFirstRunFiles(app);
    // Only the start that becomes the instance may replace the data folder:
    // a running instance would save its own state over what was imported.
    bool runsAlone = ClaimSingleInstance(app, r == -1);
    if (runsAlone) ImportConfigArchive(app);
    ReadAppRecord(app);

    // "-QUIT" never needs the record: it only tells the running instance.
    if (r != -1) SaveRecord("(ZRP)Cmd", -1, app->commandLine, (uint32_t)strlen(app->commandLine) + 1);

    rc = hooks->initTheme ? hooks->initTheme(app) : 0;
    if (rc == ZRP_END_HANDED_OVER || rc == ZRP_END_DATA_FOLDER) return rc;
    if (rc != 0) {
        ShowStartupError(app, rc);
        return rc;
    }
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (hooks->createBaseFonts) hooks->createBaseFonts(app, app->appRecord.fontFace, app->appRecord.fontSize, dpi);

    rc = CheckCommonControls();
    if (rc != 0) {
        ShowStartupError(app, rc);
        return rc;
    }
    app->taskbarCreatedMsg = RegisterWindowMessageA("TaskbarCreated");
    AllowMessageThroughFilter(app->taskbarCreatedMsg);
    AllowMessageThroughFilter(app->controlMsg);
    app->windowsVersion = ReadWindowsVersion(app);

    if (FindRunningInstance(app->productName)) {
        PostMessageA(HWND_BROADCAST, app->controlMsg, r == -1 ? ZRPMSG_QUIT : ZRPMSG_NEWCOMMANDLINE,
                     (LPARAM)app->instanceToken);
        app->handedOver = 1;
        return ZRP_END_HANDED_OVER;
    }
    if (r == -1 || !runsAlone) {
        app->handedOver = 1;
        return ZRP_END_HANDED_OVER;
    }

    rc = CreateControlWindows(app);
    if (rc == 0) rc = RegisterFrameworkCommands(app);
    if (rc != 0) {
        ShowStartupError(app, rc);
        return rc;
    }
    if (hooks->runScheduledJobs) hooks->runScheduledJobs(app);
    return 0;
}
