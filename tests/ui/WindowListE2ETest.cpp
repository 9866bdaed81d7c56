// WindowListE2ETest.cpp - the running program's Window List driven as a user
// drives it: the tracked windows and the live log, a flood of log lines that
// leaves one refresh thread, the rows' sort order, the blink frame, Create
// Rule, the finder, the column widths kept in "MonitorLV", and Edit Window
// Properties.
#include "engine/ProductIds.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ListRowReader.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestEnv.h"
#include "ui/EditWindowRes.h"
#include "ui/MainDialogRes.h"
#include "ui/WindowListRes.h"

#include <tlhelp32.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

POINT Centre(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

int ThreadCount(DWORD pid)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 t = {};
    t.dwSize = sizeof(t);
    int n = 0;
    for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t)) n += t.th32OwnerProcessID == pid;
    CloseHandle(snap);
    return n;
}

std::string LongText(HWND control)
{
    DWORD_PTR length = 0;
    SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::string text(length + 1, '\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, length + 1, (LPARAM)&text[0], SMTO_ABORTIFHUNG, 5000, &got);
    text.resize(got);
    return text;
}

// Two pixels of the screen as it shows now: copied out at once, so a frame
// that is shown for a moment is caught whole.
bool ScreenPixels(POINT a, POINT b, COLORREF* atA, COLORREF* atB)
{
    int left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    int w = std::abs(a.x - b.x) + 1, h = std::abs(a.y - b.y) + 1;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool ok = BitBlt(memory, 0, 0, w, h, screen, left, top, SRCCOPY) != 0;
    *atA = GetPixel(memory, a.x - left, a.y - top);
    *atB = GetPixel(memory, b.x - left, b.y - top);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

class WindowListE2E : public ProgramTest {
protected:
    // Templates: "WL " titles make rules, "WLI " titles are ignored.
    // With seams, the program that reads them.
    bool StartWithTemplates(const std::function<void(OptionsRecord&)>& options = nullptr,
                            const std::string& seams = "")
    {
        if (!WriteProfile({}, [](Profile& p) {
                p.pTemplates->count = 0;
                RuleTemplate skip = TitleTemplate("Skip", RULE_ITEM_KEEP, "WLI ", CMP_STARTS_WITH);
                RuleTemplate listed = TitleTemplate("Listed", 0, "WL ", CMP_STARTS_WITH);
                ArrayAppend(p.pTemplates, &skip);
                ArrayAppend(p.pTemplates, &listed);
            }))
            return false;
        if (options && !WriteOptions(options)) return false;
        if (!seams.empty() && !WriteWholeFileText(Data("TestSeams.txt"), seams)) return false;
        return Start("-MINIMIZE", seams.empty() ? "PanelShepherd.exe" : SEAMS_PROGRAM);
    }
    // The main dialog, then its List... button.
    bool OpenList()
    {
        long code = -1;
        for (int attempt = 0; attempt < 3 && code != 0; attempt++) code = RunProgramToEnd("");
        main = WaitForDialog(run.child.pid, "PanelShepherd", 15000);
        if (!main || !ClickControl(main, IDB_MAIN_LIST)) return false;
        list = WaitForDialog(run.child.pid, "Window List", 15000);
        rows = list ? DialogControl(list, IDL_WLIST_WINDOWS) : nullptr;
        // Out of the way of the test windows, which stand right of x 1000.
        if (list) SetWindowPos(list, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (main) SetWindowPos(main, nullptr, 0, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return rows && ListRowBox(rows);
    }
    // Log lines as the log sends them: texts in the program's memory.
    bool SendLogLine(RemoteBuffer* buffer, const std::string& line)
    {
        DWORD_PTR answer = 0;
        return buffer->Write(line.c_str(), line.size() + 1) &&
               SendMessageTimeoutA(list, WM_LOGLINE, 0, (LPARAM)buffer->address(), SMTO_ABORTIFHUNG, 5000, &answer);
    }
    bool CloseList()
    {
        HWND shown = list;
        return ClickControl(list, IDCANCEL) && WaitForWindowGone(shown);
    }
    std::vector<RemoteListRecord<MonitoredWindow>> Rows() const { return ReadListRecords<MonitoredWindow>(rows); }
    int RowOf(HWND window, const char* title = nullptr) const
    {
        std::vector<RemoteListRecord<MonitoredWindow>> all = Rows();
        for (size_t i = 0; i < all.size(); i++)
            if (all[i].record.hwnd == window && (!title || strcmp(all[i].record.title, title) == 0)) return (int)i;
        return -1;
    }
    bool WaitForRow(HWND window, const char* title = nullptr, DWORD ms = 5000) const
    {
        return PumpUntil([&] { return RowOf(window, title) >= 0; }, ms);
    }
    bool SelectRow(HWND window)
    {
        int row = RowOf(window);
        HWND box = ListRowBox(rows);
        return row >= 0 && SendMessageA(box, LB_SETSEL, FALSE, -1) != LB_ERR &&
               SendMessageA(box, LB_SETSEL, TRUE, row) != LB_ERR;
    }
    // The row's rectangle on the screen.
    bool RowRect(int row, RECT* screen) const
    {
        HWND box = ListRowBox(rows);
        RemoteBuffer buffer(box, sizeof(RECT));
        if (!buffer.ok() || SendMessageA(box, LB_GETITEMRECT, row, (LPARAM)buffer.address()) == LB_ERR ||
            !buffer.Read(screen, sizeof(RECT)))
            return false;
        MapWindowPoints(box, nullptr, (POINT*)screen, 2);
        return true;
    }
    HWND Frame() const
    {
        HWND frame = FindProcessWindow(run.child.pid, "PanelShepherdCaptureOverlay");
        return frame && IsWindowVisible(frame) ? frame : nullptr;
    }
    // The header's column widths over the list's width.
    std::vector<double> ColumnFractions() const
    {
        std::vector<double> out;
        HWND header = FindWindowExA(rows, nullptr, "SysHeader32", nullptr);
        RECT host;
        GetClientRect(rows, &host);
        RemoteBuffer buffer(header, sizeof(RECT));
        for (int i = 0; header && buffer.ok() && i < 3; i++) {
            RECT r = {};
            if (SendMessageA(header, HDM_GETITEMRECT, i, (LPARAM)buffer.address()) && buffer.Read(&r, sizeof(r)))
                out.push_back((double)(r.right - r.left) / (host.right - host.left));
        }
        return out;
    }

    HWND main = nullptr;
    HWND list = nullptr;
    HWND rows = nullptr;
};

TEST_F(WindowListE2E, ListsTrackedWindowsAndShowsANewOneAndItsLogLineWithinTwoSeconds)
{
    ASSERT_TRUE(StartWithTemplates());
    TestWindow* before = Open("--title \"WL Before\" --rect 40,40,300,200");
    ASSERT_TRUE(OpenList());
    EXPECT_TRUE(WaitForRow(before->hwnd)) << "a window there before the list opened";
    EXPECT_TRUE(ControlEnabled(main, IDB_MAIN_LIST));
    HWND log = DialogControl(list, IDE_WLIST_LOG);

    TestWindow* fresh = Open("--title \"WL Fresh\" --rect 80,80,300,200");
    ULONGLONG shown = GetTickCount64();
    std::string tag = WindowTag("NEW", fresh->hwnd);
    EXPECT_TRUE(PumpUntil([&] { return RowOf(fresh->hwnd) >= 0 && LongText(log).find(tag) != std::string::npos; },
                          2000))
        << "within 2 s of its show: " << GetTickCount64() - shown << " ms";
    // Only windows a template makes rules for, and those of titles shown.
    TestWindow* ignored = Open("--title \"WLI Ignored\" --rect 120,120,300,200");
    ASSERT_NE(std::string::npos, WaitForWindowLine("NEW", ignored->hwnd, 0));
    PumpFor(300);
    EXPECT_LT(RowOf(ignored->hwnd), 0) << "only an Ignore template takes it";
    ASSERT_TRUE(ClickControl(list, IDX_WLIST_CHECKTEMPL));
    EXPECT_TRUE(WaitForRow(ignored->hwnd)) << "Check templates off lists it";
}

TEST_F(WindowListE2E, AFloodOfLogLinesLeavesOneRefreshThreadAndACorrectList)
{
    // Each refresh thread outlives several lines, so refreshes not gathered
    // into one would run side by side.
    ASSERT_TRUE(StartWithTemplates(nullptr, "refreshdelay=150\n"));
    TestWindow* target = Open("--title \"WL Flood\" --rect 40,40,300,200");
    ASSERT_TRUE(OpenList());
    ASSERT_TRUE(WaitForRow(target->hwnd));
    PumpFor(500);
    int idle = ThreadCount(run.child.pid);
    ASSERT_GT(idle, 0);
    int most = idle;
    RemoteBuffer buffer(list, 256);
    ASSERT_TRUE(buffer.ok());
    // 300 lines in 3 s, each asking for a refresh.
    ULONGLONG began = GetTickCount64();
    for (int i = 0; i < 300; i++) {
        ASSERT_TRUE(SendLogLine(&buffer, "12:00:00.000 TRG: flood line " + std::to_string(i) + "\r\n"));
        most = std::max(most, ThreadCount(run.child.pid));
        ULONGLONG due = began + 10 * (ULONGLONG)(i + 1);
        while (GetTickCount64() < due) most = std::max(most, ThreadCount(run.child.pid));
    }
    ULONGLONG took = GetTickCount64() - began;
    ASSERT_TRUE(TestWindowStep(target, "title WL Flood After"));
    EXPECT_LE(most, idle + 1) << "one refresh at a time (300 lines in " << took << " ms)";
    EXPECT_TRUE(WaitForRow(target->hwnd, "WL Flood After", 5000)) << "the list shows the window as it is";
    EXPECT_NE(std::string::npos, LongText(DialogControl(list, IDE_WLIST_LOG)).find("flood line 299\r\n"));
    std::vector<RemoteListRecord<MonitoredWindow>> all = Rows();
    EXPECT_EQ(1, (int)std::count_if(all.begin(), all.end(), [&](const RemoteListRecord<MonitoredWindow>& r) {
                  return r.record.hwnd == target->hwnd;
              }));
}

TEST_F(WindowListE2E, RowsStandInTheSortOrderOnOpeningAndAfterARefresh)
{
    // Title, descending, compared without regard to case; shown in another order.
    ASSERT_TRUE(StartWithTemplates([](OptionsRecord& o) {
        o.iMonListSortCol = 0;
        o.iMonListSortDir = -1;
    }));
    std::vector<TestWindow*> ours;
    const char* args[] = {
        "--title \"WL banana\" --rect 40,40,300,200",  "--title \"WL Cherry\" --rect 60,60,300,200",
        "--title \"WL apple\" --rect 80,80,300,200",   "--title \"WL Twin\" --class WLTwinA --rect 100,100,300,200",
        "--title \"WL Twin\" --class WLTwinB --rect 120,120,300,200",
    };
    for (const char* a : args) ours.push_back(Open(a));
    ASSERT_TRUE(OpenList());
    auto titles = [&] {
        std::vector<std::string> out;
        for (const RemoteListRecord<MonitoredWindow>& r : Rows())
            for (TestWindow* w : ours)
                if (r.record.hwnd == w->hwnd) out.push_back(r.record.title);
        return out;
    };
    std::vector<std::string> want = {"WL Twin", "WL Twin", "WL Cherry", "WL banana", "WL apple"};
    std::vector<std::string> got;
    EXPECT_TRUE(PumpUntil([&] { return (got = titles()) == want; }, 5000))
        << "on opening: " << ::testing::PrintToString(got);

    ASSERT_TRUE(TestWindowStep(ours[2], "title WL zebra"));
    want = {"WL zebra", "WL Twin", "WL Twin", "WL Cherry", "WL banana"};
    EXPECT_TRUE(PumpUntil([&] { return (got = titles()) == want; }, 5000))
        << "after the refresh: " << ::testing::PrintToString(got);
}

TEST_F(WindowListE2E, TheLogBoxDropsItsOldestLinesWhenFull)
{
    ASSERT_TRUE(StartWithTemplates());
    ASSERT_TRUE(OpenList());
    HWND log = DialogControl(list, IDE_WLIST_LOG);
    // Filled to a few characters below its limit with long numbered old lines
    // (few of them: Wine's edit box is slow to append to a large text).
    const size_t kLine = 65000;
    RemoteBuffer buffer(list, kLine + 1);
    ASSERT_TRUE(buffer.ok());
    size_t filled = 0;
    for (int i = 0; filled < WINDOW_LIST_LOG_LIMIT - 40; i++) {
        char head[16];
        snprintf(head, sizeof(head), "old %04d ", i);
        size_t size = std::min(kLine, WINDOW_LIST_LOG_LIMIT - 40 - filled);
        std::string line = head + std::string(size - strlen(head) - 2, 'x') + "\r\n";
        ASSERT_TRUE(SendLogLine(&buffer, line));
        filled += line.size();
    }
    ASSERT_GE(LongText(log).size(), filled) << "with the program's own lines among them";
    TestWindow* fresh = Open("--title \"WL Full\" --rect 80,80,300,200");
    std::string tag = WindowTag("NEW", fresh->hwnd);
    std::string text;
    ASSERT_TRUE(PumpUntil(
        [&] {
            text = LongText(log);
            return text.find(tag) != std::string::npos;
        },
        5000))
        << "the newest line is there";
    EXPECT_LE(text.size(), (size_t)WINDOW_LIST_LOG_LIMIT);
    EXPECT_NE(0u, text.find("old 0000 ")) << "the oldest line went";
    EXPECT_EQ(0u, text.find("old 0001 ")) << "only as many whole lines as needed";
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
}

TEST_F(WindowListE2E, ASelectedRowWithBlinkOnIsFramedInRedAndStaysVisibleInside)
{
    ASSERT_TRUE(StartWithTemplates([](OptionsRecord& o) { o.bMonBlinkRect = 1; }));
    TestWindow* target = Open("--title \"WL Blink\" --rect 1200,300,300,220");
    ASSERT_TRUE(OpenList());
    ASSERT_TRUE(WaitForRow(target->hwnd));
    ASSERT_TRUE(TestWindowStep(target, "activate"));
    RECT row, window;
    ASSERT_TRUE(RowRect(RowOf(target->hwnd), &row));
    ASSERT_TRUE(GetWindowRect(target->hwnd, &window));
    ASSERT_TRUE(MoveMouseTo(Centre(row)) && MouseButton(true) && MouseButton(false));
    COLORREF edge = 0, inside = 0;
    POINT onEdge = {window.left + 2, (window.top + window.bottom) / 2};
    POINT middle = Centre(window);
    bool framed = PumpUntil(
        [&] {
            HWND frame = Frame();
            RECT r;
            if (!frame || !GetWindowRect(frame, &r) || !EqualRect(&r, &window)) return false;
            return ScreenPixels(onEdge, middle, &edge, &inside) && edge == RGB(255, 0, 0);
        },
        5000);
    EXPECT_TRUE(framed) << "a red frame over the window: edge pixel " << std::hex << edge;
    EXPECT_NE(RGB(255, 0, 0), inside) << "the window inside stays visible";
    EXPECT_TRUE(PumpUntil([&] { return !Frame(); }, 5000)) << "the blink ends";
}

TEST_F(WindowListE2E, CreateRuleMakesARuleOrSaysNoTemplateAndTheFinderSelectsTheRow)
{
    ASSERT_TRUE(StartWithTemplates());
    TestWindow* target = Open("--title \"WL Rule\" --rect 1100,200,300,200");
    TestWindow* ignored = Open("--title \"WLI Rule\" --rect 1100,500,300,200");
    ASSERT_TRUE(OpenList());
    ASSERT_TRUE(WaitForRow(target->hwnd));
    ASSERT_TRUE(SelectRow(target->hwnd));
    ASSERT_TRUE(ClickControl(list, IDB_WLIST_CREATERULE));
    Profile saved = {};
    EXPECT_TRUE(WaitForSave(
        [&] {
            FreeProfileLists(&saved);
            return ReadProfile(0, &saved) && saved.pRules && saved.pRules->count == 1 &&
                   strcmp(saved.pRules->data[0].caption, "WL Rule") == 0;
        },
        10000))
        << "a rule for the selected window";
    FreeProfileLists(&saved);

    ASSERT_TRUE(ClickControl(list, IDX_WLIST_CHECKTEMPL));
    ASSERT_TRUE(WaitForRow(ignored->hwnd));
    ASSERT_TRUE(SelectRow(ignored->hwnd));
    ASSERT_TRUE(ClickControl(list, IDB_WLIST_CREATERULE));
    HWND box = WaitForMessageBox(run.child.pid, "PanelShepherd");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("No matching template found for creating a rule!", ReadMessageBoxText(box));
    AnswerMessageBox(box, IDOK);

    // The finder dragged onto a window selects its row, and only it.
    RECT finder, window;
    ASSERT_TRUE(GetWindowRect(DialogControl(list, IDB_WLIST_PICK), &finder));
    ASSERT_TRUE(GetWindowRect(target->hwnd, &window));
    auto selectedOnly = [&] {
        std::vector<RemoteListRecord<MonitoredWindow>> all = Rows();
        int selected = 0, it = 0;
        for (const auto& r : all) {
            selected += r.selected;
            it += r.selected && r.record.hwnd == target->hwnd;
        }
        return selected == 1 && it == 1;
    };
    ASSERT_TRUE(SelectRow(ignored->hwnd));
    EXPECT_TRUE(DragMouse(Centre(finder), Centre(window), selectedOnly)) << "its row alone is selected";
}

TEST_F(WindowListE2E, ColumnWidthsAreKeptInMonitorLVAndADamagedRecordGivesTheDefaults)
{
    ASSERT_TRUE(StartWithTemplates());
    ASSERT_TRUE(OpenList());
    std::vector<double> fresh = ColumnFractions();
    ASSERT_EQ(3u, fresh.size());
    ASSERT_TRUE(CloseList());
    std::string stored = ReadWholeFile(Data("MonitorLV.zpx"));
    ASSERT_EQ(24u, stored.size()) << "three doubles";
    double widths[3];
    memcpy(widths, stored.data(), sizeof(widths));
    EXPECT_EQ(0.5, widths[0]);
    EXPECT_EQ(0.25, widths[1]);
    EXPECT_EQ(0.2, widths[2]);

    struct Case {
        std::string record;
        bool kept;
        const char* why;
    };
    auto doubles = [](double a, double b, double c) {
        double d[3] = {a, b, c};
        return std::string((const char*)d, sizeof(d));
    };
    const Case kCases[] = {
        {doubles(0.3, 0.3, 0.3), true, "sound: used"},
        {doubles(0.3, 0.3, 0.3).substr(0, 16), false, "16 bytes"},
        {doubles(0.3, NAN, 0.3), false, "not a number"},
        {doubles(0.3, 0.3, INFINITY), false, "infinite"},
        {doubles(0.0, 0.3, 0.3), false, "zero"},
        {doubles(0.3, 1.5, 0.3), false, "above 1"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(WriteWholeFileText(Data("MonitorLV.zpx"), c.record));
        ASSERT_TRUE(ClickControl(main, IDB_MAIN_LIST));
        list = WaitForDialog(run.child.pid, "Window List", 15000);
        rows = list ? DialogControl(list, IDL_WLIST_WINDOWS) : nullptr;
        ASSERT_NE(nullptr, rows);
        std::vector<double> got = ColumnFractions();
        ASSERT_EQ(3u, got.size());
        const double want[3] = {c.kept ? 0.3 : 0.5, c.kept ? 0.3 : 0.25, c.kept ? 0.3 : 0.2};
        for (int i = 0; i < 3; i++) EXPECT_NEAR(want[i], got[i], 0.02) << "column " << i;
        ASSERT_TRUE(CloseList());
    }
}

TEST_F(WindowListE2E, EditWindowPropertiesGetsSetsCentresPicksAndCancelPutsItBack)
{
    ASSERT_TRUE(StartWithTemplates());
    TestWindow* target = Open("--title \"WL Edit\" --rect 1100,120,320,240");
    TestWindow* other = Open("--title \"WL Other\" --rect 1300,600,280,180");
    ASSERT_TRUE(OpenList());
    ASSERT_TRUE(WaitForRow(target->hwnd));
    ASSERT_TRUE(SelectRow(target->hwnd));
    ASSERT_TRUE(ClickControl(list, IDB_WLIST_EDIT));
    HWND edit = WaitForDialog(run.child.pid, "Edit Window Properties");
    ASSERT_NE(nullptr, edit);
    auto field = [&](int id) { return ReadControlText(DialogControl(edit, id)); };
    auto fields = [&] {
        return field(IDE_EDITWIN_X) + "," + field(IDE_EDITWIN_Y) + "," + field(IDE_EDITWIN_WIDTH) + "," +
               field(IDE_EDITWIN_HEIGHT);
    };
    TestWindowReport report;
    ASSERT_TRUE(TestWindowStep(target, "report", &report));
    auto place = [](const RECT& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) + "," +
               std::to_string(r.bottom - r.top);
    };
    std::string opened = place(report.normal);
    EXPECT_EQ(opened, fields()) << "Get reads the live window";
    EXPECT_EQ(3, ComboSelection(DialogControl(edit, IDCB_EDITWIN_ORDER))) << "not topmost: OK leaves the order";

    auto at = [&](const std::string& want) {
        return WaitForReport(target, [&](const TestWindowReport& r) { return place(r.normal) == want; }, &report);
    };
    SetControlText(DialogControl(edit, IDE_EDITWIN_X), "200");
    SetControlText(DialogControl(edit, IDE_EDITWIN_Y), "150");
    SetControlText(DialogControl(edit, IDE_EDITWIN_WIDTH), "400");
    SetControlText(DialogControl(edit, IDE_EDITWIN_HEIGHT), "300");
    ASSERT_TRUE(ClickControl(edit, IDB_EDITWIN_SET));
    EXPECT_TRUE(at("200,150,400,300")) << place(report.normal);

    RECT work;
    HMONITOR monitor = MonitorFromPoint({400, 300}, MONITOR_DEFAULTTONEAREST);   // where 200,150,400,300 is
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ASSERT_TRUE(GetMonitorInfoA(monitor, &mi));
    work = mi.rcWork;
    ASSERT_TRUE(ClickControl(edit, IDB_EDITWIN_CENTER));
    std::string centred = std::to_string(work.left + (work.right - work.left - 400) / 2) + "," +
                          std::to_string(work.top + (work.bottom - work.top - 300) / 2) + ",400,300";
    EXPECT_TRUE(at(centred)) << "centred on its monitor's work area: " << place(report.normal);
    EXPECT_TRUE(PumpUntil([&] { return fields() == centred; }, 5000)) << "and read back: " << fields();

    // The finder fills the four fields from the window it is dropped on.
    RECT finder, second;
    ASSERT_TRUE(GetWindowRect(DialogControl(edit, IDB_EDITWIN_PICK), &finder));
    ASSERT_TRUE(GetWindowRect(other->hwnd, &second));
    TestWindowReport otherReport;
    ASSERT_TRUE(TestWindowStep(other, "report", &otherReport));
    EXPECT_TRUE(DragMouse(Centre(finder), Centre(second), [&] { return fields() == place(otherReport.normal); }))
        << fields();

    ASSERT_TRUE(ClickControl(edit, IDCANCEL));
    EXPECT_TRUE(WaitForWindowGone(edit));
    EXPECT_TRUE(at(opened)) << "Cancel puts the window back: " << place(report.normal);
}

}  // namespace
