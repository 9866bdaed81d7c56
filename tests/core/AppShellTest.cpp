// AppShellTest.cpp - the help file and its topics, the wait for the data
// folder with its tray icon, and the elevation test.
#include "engine/FrameworkServices.h"
#include "engine/HelpTopics.h"
#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"
#include "tests/support/TestEnv.h"
#include "tests/support/WineTray.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

// The compiled help file's storage (itss.dll), which serves its pages as
// streams. Declared outside the anonymous namespace: a type only this file
// could derive from would let the compiler assume its calls never happen.
struct IITStorage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};

namespace {

const CLSID kClsidITStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID kIidITStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

std::wstring Wide(const std::string& text)
{
    WCHAR wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH * 2);
    return wide;
}

// The compiled help file, opened as its viewer opens it.
class HelpFile {
public:
    explicit HelpFile(const std::string& path)
    {
        CoInitialize(nullptr);
        IITStorage* its = nullptr;
        if (FAILED(CoCreateInstance(kClsidITStorage, nullptr, CLSCTX_INPROC_SERVER, kIidITStorage, (void**)&its)))
            return;
        its->StgOpenStorage(Wide(path).c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &storage_);
        its->Release();
    }
    ~HelpFile()
    {
        if (storage_) storage_->Release();
        CoUninitialize();
    }
    bool Opened() const { return storage_ != nullptr; }
    // A topic "Page" or "Page#anchor": the page exists, and holds the anchor.
    bool HasTopic(const std::string& topic)
    {
        size_t hash = topic.find('#');
        std::string page = topic.substr(0, hash), text;
        if (!ReadPage(page, &text)) return false;
        if (hash == std::string::npos) return true;
        std::string anchor = topic.substr(hash + 1);
        return text.find("name=\"" + anchor + "\"") != std::string::npos;
    }

private:
    bool ReadPage(const std::string& page, std::string* text)
    {
        IStream* stream = nullptr;
        if (!storage_ || FAILED(storage_->OpenStream(Wide(page).c_str(), nullptr, STGM_READ, 0, &stream)))
            return false;
        char buffer[4096];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof(buffer), &got)) && got > 0) text->append(buffer, got);
        stream->Release();
        return true;
    }
    IStorage* storage_ = nullptr;
};

std::vector<std::string> g_boxes;
int RecordBox(const char*, const char* text, uint32_t)
{
    g_boxes.push_back(text);
    return IDOK;
}

std::vector<std::string> g_viewerCalls;
HINSTANCE RecordViewer(const char* viewer, const char* argument)
{
    g_viewerCalls.push_back(std::string(viewer) + "|" + argument);
    return (HINSTANCE)42;
}
HINSTANCE FailViewer(const char*, const char*)
{
    return (HINSTANCE)SE_ERR_ACCESSDENIED;
}

int g_tokenAnswer;
int AnswerToken()
{
    return g_tokenAnswer;
}

}  // namespace

class AppShell : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        g_app.strings.productTables[0] = g_productStrings;
        g_app.strings.productCount = SortStringTable(g_productStrings);
        CopyText(g_app.productName, sizeof(g_app.productName), "PanelShepherd");
        g_app.instance = GetModuleHandleA(nullptr);
        g_boxes.clear();
        g_viewerCalls.clear();
        InstallFrameworkHooks();
        SetMessageBoxHook(RecordBox);
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        SetShellPlatform(nullptr);
    }
    void InstallFolder(const std::string& folder)
    {
        CopyText(g_app.installRecord.installFolder, sizeof(g_app.installRecord.installFolder), folder.c_str());
    }
    std::string ShortPath(const std::string& path)
    {
        char s[MAX_PATH] = {};
        GetShortPathNameA(path.c_str(), s, sizeof(s));
        return s;
    }
};

TEST_F(AppShell, EveryTopicTheProgramOpensIsInTheCompiledHelpFile)
{
    HelpFile help(BinPath(HELP_FILE_NAME));
    ASSERT_TRUE(help.Opened()) << BinPath(HELP_FILE_NAME);
    std::vector<std::string> topics(std::begin(kProductHelpTopics), std::end(kProductHelpTopics));
    topics.push_back(HELP_TOPIC_ABOUT);
    for (const std::string& topic : topics) EXPECT_TRUE(help.HasTopic(topic)) << topic;
    // The check itself: a page or an anchor that is not there is found missing.
    EXPECT_FALSE(help.HasTopic("NoSuchPage.htm"));
    EXPECT_FALSE(help.HasTopic("Options.htm#NoSuchAnchor"));
    EXPECT_TRUE(help.HasTopic("Commands.htm#TERMINATE"));
}

TEST_F(AppShell, HelpOpensTheViewerAtTheTopicOrItsStartPage)
{
    InstallFolder(BinFolder());
    ShellPlatform p = {RecordViewer, nullptr};
    SetShellPlatform(&p);
    std::string file = ShortPath(BinPath(HELP_FILE_NAME));
    EXPECT_EQ(HELP_SHOWN, ShowHelp(&g_app, HELP_OPTIONS_MINIMIZE));
    EXPECT_EQ(HELP_SHOWN, ShowHelp(&g_app, ""));
    EXPECT_EQ(HELP_SHOWN, ShowHelp(&g_app, nullptr));
    ASSERT_EQ(3u, g_viewerCalls.size());
    std::string viewer = g_viewerCalls[0].substr(0, g_viewerCalls[0].find('|'));
    EXPECT_NE(std::string::npos, viewer.find("hh.exe")) << viewer;
    EXPECT_EQ(viewer + "|\"" + file + "::/Options.htm#MinApp\"", g_viewerCalls[0]);
    EXPECT_EQ(viewer + "|\"" + file + "\"", g_viewerCalls[1]) << "no \"::/\" without a topic";
    EXPECT_EQ(g_viewerCalls[1], g_viewerCalls[2]);
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(AppShell, MissingHelpFileOrViewerIsReported)
{
    std::string empty = FreshFolderForThisTest();
    InstallFolder(empty);
    ShellPlatform p = {RecordViewer, nullptr};
    SetShellPlatform(&p);
    EXPECT_EQ(HELP_MISSING, ShowHelp(&g_app, HELP_COMMANDS));
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_NE(std::string::npos, g_boxes[0].find("Could not find the manual")) << g_boxes[0];
    EXPECT_NE(std::string::npos, g_boxes[0].find(empty + "\\PanelShepherd.chm")) << g_boxes[0];
    EXPECT_TRUE(g_viewerCalls.empty());

    InstallFolder(BinFolder());
    p = {FailViewer, nullptr};
    SetShellPlatform(&p);
    EXPECT_EQ(HELP_NOT_OPENED, ShowHelp(&g_app, HELP_COMMANDS));
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_NE(std::string::npos, g_boxes[1].find("Could not display the manual \"PanelShepherd.chm\"")) << g_boxes[1];
}

// Wine's HTML Help viewer opens the compiled file at the topic.
TEST_F(AppShell, HelpViewerShowsTheHelpFile)
{
    InstallFolder(BinFolder());
    auto viewerWindow = [] { return FindWindowA("HH Parent", "PanelShepherd Help"); };
    ASSERT_EQ(nullptr, viewerWindow()) << "a viewer is open already";
    ASSERT_EQ(HELP_SHOWN, ShowHelp(&g_app, HELP_COMMANDS));
    HWND viewer = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (viewer = viewerWindow()) != nullptr; }, 20000));
    if (viewer) {
        PostMessageA(viewer, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(viewer); }, 20000));
    }
}

TEST_F(AppShell, ElevationBeforeVistaAndFromTheToken)
{
    ShellPlatform p = {nullptr, AnswerToken};
    SetShellPlatform(&p);
    g_app.windowsVersion = 10;
    for (int answer : {1, 0, -1}) {
        g_tokenAnswer = answer;
        EXPECT_EQ(answer, IsProcessElevated());
    }
    g_tokenAnswer = 0;
    g_app.windowsVersion = 5;
    EXPECT_EQ(1, IsProcessElevated()) << "before Vista every process counts as elevated";
    SetShellPlatform(nullptr);
    g_app.windowsVersion = 10;
    EXPECT_EQ(1, IsProcessElevated()) << "Wine's token is always elevated";
}

//--- waiting for the data folder

class DataFolderWait : public AppShell {
protected:
    void SetUp() override
    {
        AppShell::SetUp();
        root = FreshFolderForThisTest();
        wait = WaitContext{};
        wait.instance = GetModuleHandleA(nullptr);
    }
    // A folder that cannot be made while the file "blocker" stands in its path.
    std::string Blocked()
    {
        EXPECT_TRUE(WriteWholeFileText(root + "\\blocker", "x"));
        return root + "\\blocker\\data";
    }
    std::string root;
    WaitContext wait;
};

TEST_F(DataFolderWait, MissingLevelsAreMadeAtOnceWithoutWindowOrIcon)
{
    int icons = CountTrayIcons();
    std::string folder = root + "\\one\\two";
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(0, WaitForDataPath(&wait, folder.c_str(), 1, "tip", "menu"));
    EXPECT_LT(GetTickCount64() - start, 900u) << "no retry was needed";
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_EQ(nullptr, FindWindowA("ZRPWaitForDataPath", nullptr));
    EXPECT_EQ(icons, CountTrayIcons());
}

TEST_F(DataFolderWait, OneRetryOnAFolderThatCannotBeMadeFailsAndLeavesNoIcon)
{
    int icons = CountTrayIcons();
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(2, WaitForDataPath(&wait, Blocked().c_str(), 1, "tip", "menu"));
    EXPECT_GE(GetTickCount64() - start, 900u) << "one retry a second later";
    EXPECT_EQ(icons, CountTrayIcons());
    EXPECT_EQ(nullptr, FindWindowA("ZRPWaitForDataPath", nullptr));
    EXPECT_EQ(2, WaitForDataPath(&wait, "", -1, "tip", "menu")) << "an empty name fails at once";
}

// A timer of this thread plays the user: it checks the wait's icon and
// either frees the path or picks the cancel item.
struct WaitScript {
    std::string blocker;
    bool cancel = false;
    int iconsBefore = 0;
    int iconsSeen = 0;
    HWND waitWindow = nullptr;
};
WaitScript g_waitScript;

void CALLBACK PlayWaitScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND window = FindWindowA("ZRPWaitForDataPath", nullptr);
    if (!window || CountTrayIcons() <= g_waitScript.iconsBefore) return;
    KillTimer(nullptr, timer);
    g_waitScript.waitWindow = window;
    g_waitScript.iconsSeen = CountTrayIcons();
    if (g_waitScript.cancel)
        PostMessageA(window, WM_COMMAND, 1, 0);
    else
        DeleteFileA(g_waitScript.blocker.c_str());
}

TEST_F(DataFolderWait, UnlimitedWaitEndsWhenThePathCanBeMadeOrOnCancel)
{
    for (bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "path freed");
        std::string folder = Blocked();
        g_waitScript = WaitScript{root + "\\blocker", cancel, CountTrayIcons(), 0, nullptr};
        SetTimer(nullptr, 0, 50, PlayWaitScript);
        int result = WaitForDataPath(&wait, folder.c_str(), -1, "PanelShepherd: Waiting", "Quit");
        EXPECT_EQ(cancel ? 1 : 0, result);
        EXPECT_EQ(g_waitScript.iconsBefore + 1, g_waitScript.iconsSeen) << "the wait showed its icon";
        EXPECT_EQ(g_waitScript.iconsBefore, CountTrayIcons()) << "and removed it";
        EXPECT_FALSE(IsWindow(g_waitScript.waitWindow));
        EXPECT_EQ(!cancel, FolderExists(folder));
        DeleteFileA((root + "\\blocker").c_str());
        RemoveTree(root + "\\blocker");
    }
}
