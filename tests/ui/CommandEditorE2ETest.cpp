// CommandEditorE2ETest.cpp - the running program's Command Editor driven as a
// user drives it: statement buttons at the caret, drag buttons onto a test
// window's controls, Test with its error and success boxes, OK's check that
// runs nothing, and a closing editor while its test still waits.
#include "engine/WindowTable.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestEnv.h"
#include "ui/CommandEditorRes.h"

#include <string>

namespace {

const char kCaption[] = "Command Editor";

POINT Centre(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class CommandEditorE2E : public ProgramTest {
protected:
    // The editor of the seams program on this script, for a rule holding window.
    bool OpenEditor(const std::string& script, HWND window = nullptr)
    {
        if (!WriteOptions() || !WriteWholeFileText(Data("TestSeamsScript.txt"), script)) return false;
        DeleteFileA(Data("TestSeamsEditor.txt").c_str());
        if (!Running() && !Start("-MINIMIZE", SEAMS_PROGRAM)) return false;
        PostMessageA(run.control, RegisterWindowMessageA("PanelShepherdTestSeam"), 2, (LPARAM)window);
        editor = WaitForDialog(run.child.pid, kCaption, 15000);
        edit = editor ? DialogControl(editor, IDE_CMDEDIT_SCRIPT) : nullptr;
        return edit != nullptr;
    }
    std::string Script() const { return ReadControlText(edit); }
    bool WaitForScript(const std::string& want) const
    {
        return PumpUntil([&] { return Script() == want; }, 5000);
    }
    void Select(int from, int to) const { SendMessageA(edit, EM_SETSEL, from, to); }
    // "result\nslot" once the editor closed.
    std::string Closed() const
    {
        std::string text;
        PumpUntil(
            [&] {
                text = ReadWholeFile(Data("TestSeamsEditor.txt"));
                return !text.empty();
            },
            10000);
        return text;
    }
    std::string AnswerBox(int button = IDOK)
    {
        HWND box = WaitForMessageBox(run.child.pid, "PanelShepherd");
        if (!box) return "(no box)";
        std::string text = ReadMessageBoxText(box);
        AnswerMessageBox(box, button);
        WaitForWindowGone(box);
        return text;
    }
    // Drags the button onto the point and lets go once the frame is shown
    // around framed (the window the statement is for).
    bool DragButtonTo(int id, POINT to, HWND framed)
    {
        RECT button, want;
        if (!GetWindowRect(DialogControl(editor, id), &button) || !GetWindowRect(framed, &want)) return false;
        return DragMouse(Centre(button), to, [&] {
            HWND frame = FindProcessWindow(run.child.pid, "PanelShepherdCaptureOverlay");
            RECT r;
            return frame && IsWindowVisible(frame) && GetWindowRect(frame, &r) && EqualRect(&r, &want);
        });
    }

    HWND editor = nullptr;
    HWND edit = nullptr;
};

TEST_F(CommandEditorE2E, EachTemplateButtonInsertsItsStatementAtTheCaret)
{
    ASSERT_TRUE(OpenEditor("; first\r\n"));
    EXPECT_EQ("; first\r\n", Script());
    struct Row {
        int id;
        const char* statement;
    };
    const Row kRows[] = {
        {IDB_CMDEDIT_TYPE, "TYPE( \"text\" )"},       {IDB_CMDEDIT_ATTACH, "ATTACH( 1 )"},
        {IDB_CMDEDIT_WAIT, "WAIT( 50 )"},             {IDB_CMDEDIT_CLOSE, "CLOSE( )"},
        {IDB_CMDEDIT_STATE, "STATE( 0 )"},            {IDB_CMDEDIT_ENABLE, "ENABLE( 1 )"},
        {IDB_CMDEDIT_PROFILE, "PROFILE( \"profile\" )"},
        {IDB_CMDEDIT_RUN, "RUN( \"program\" , \"parameters\" , 1 )"},
    };
    // Each at the start, before what is there: the caret decides, not the end.
    std::string want = "; first\r\n";
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.statement);
        Select(0, 0);
        ASSERT_TRUE(ClickControl(editor, r.id));
        want = std::string(r.statement) + "\r\n" + want;
        EXPECT_TRUE(WaitForScript(want)) << Script();
    }
    // A selection is replaced.
    std::string first = std::string(kRows[7].statement) + "\r\n";
    Select(0, (int)first.size());
    ASSERT_TRUE(ClickControl(editor, IDB_CMDEDIT_WAIT));
    EXPECT_TRUE(WaitForScript("WAIT( 50 )\r\n" + want.substr(first.size()))) << Script();
    EXPECT_FALSE(ControlEnabled(editor, IDB_CMDEDIT_DESKTOP)) << "no virtual desktops under Wine";
}

TEST_F(CommandEditorE2E, AStatementThatWouldNotFitTheSlotIsRefusedWhole)
{
    std::string nearlyFull = "; " + std::string(1015, 'x') + "\r\n";   // 1019 of 1023 characters
    ASSERT_TRUE(OpenEditor(nearlyFull));
    ASSERT_EQ(nearlyFull, Script());
    ASSERT_TRUE(ClickControl(editor, IDB_CMDEDIT_WAIT));
    ASSERT_TRUE(ClickControl(editor, IDB_CMDEDIT_CLOSE));   // "CLOSE( )\r\n" is 10: neither fits
    // The clicks are taken in order: a later change of the text would show by now.
    SendMessageA(edit, WM_NULL, 0, 0);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(nearlyFull, Script()) << "nothing cut in, nothing appended";
}

TEST_F(CommandEditorE2E, TestReportsTheFailingStatementAndSelectsIt)
{
    std::string script = "; a note\r\nWAIT( 1 )\r\nWINDOW( \"No Such Window 7c1\" )\r\n";
    ASSERT_TRUE(OpenEditor(script));
    ASSERT_TRUE(ClickControl(editor, IDB_CMDEDIT_TEST));
    EXPECT_EQ("Command error!\n\nCommand: WINDOW\nError: Window not found", AnswerBox());
    DWORD from = 0, to = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            SendMessageA(edit, EM_GETSEL, (WPARAM)&from, (LPARAM)&to);
            return from != to;
        },
        5000));
    EXPECT_EQ(script.find("WINDOW"), (size_t)from) << "the failing statement is selected";

    // A selection without a statement in it.
    Select(0, (int)strlen("; a note"));
    ASSERT_TRUE(ClickControl(editor, IDB_CMDEDIT_TEST));
    std::string text = AnswerBox();
    EXPECT_NE(std::string::npos, text.find("No command found in selection.")) << text;

    // Only the selection runs: the WAIT alone succeeds.
    Select((int)script.find("WAIT"), (int)(script.find("WAIT") + strlen("WAIT( 1 )")));
    ASSERT_TRUE(ClickControl(editor, IDB_CMDEDIT_TEST));
    EXPECT_EQ("The test completed successsfully!", AnswerBox());
}

TEST_F(CommandEditorE2E, OkChecksTheScriptWithoutRunningIt)
{
    TestWindow* target = Open("--title \"Editor Target\" --rect 60,60,300,200");
    ASSERT_TRUE(OpenEditor("TITLE( \"Renamed By Run\" )\r\nWAIT( 50\r\n", target->hwnd));
    ASSERT_TRUE(ClickControl(editor, IDOK));
    EXPECT_EQ("Command error!\n\nCommand: WAIT\nError: Syntax error", AnswerBox());
    EXPECT_TRUE(IsWindowVisible(editor)) << "a script with an error is refused";

    SetControlText(edit, "TITLE( \"Renamed By Run\" )\r\n");
    ASSERT_TRUE(ClickControl(editor, IDOK));
    EXPECT_EQ("1\nTITLE( \"Renamed By Run\" )\r\n", Closed());
    EXPECT_EQ("Editor Target", ReadControlText(target->hwnd)) << "checked, not run";

    // Test runs it against the rule's window.
    ASSERT_TRUE(OpenEditor("TITLE( \"Renamed By Run\" )\r\n", target->hwnd));
    ASSERT_TRUE(ClickControl(editor, IDB_CMDEDIT_TEST));
    EXPECT_EQ("The test completed successsfully!", AnswerBox());
    EXPECT_EQ("Renamed By Run", ReadControlText(target->hwnd));
}

TEST_F(CommandEditorE2E, ClosingWhileAWaitTestRunsLeavesTheProgramHealthy)
{
    ASSERT_TRUE(OpenEditor("WAIT( 2500 )\r\n"));
    ASSERT_TRUE(ClickControl(editor, IDB_CMDEDIT_TEST));
    PumpUntil([] { return false; }, 300);
    ASSERT_TRUE(ClickControl(editor, IDCANCEL));
    EXPECT_EQ("2\nWAIT( 2500 )\r\n", Closed()) << "unchanged: closed without a question";
    // The thread ends on a copy of its own; nothing reports it and the
    // program goes on answering and opens the editor again.
    PumpUntil([] { return false; }, 3000);
    EXPECT_EQ(nullptr, FindDialog(run.child.pid, "PanelShepherd")) << "no late box";
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutA(run.main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    ASSERT_TRUE(OpenEditor("WAIT( 1 )\r\n"));
    ASSERT_TRUE(ClickControl(editor, IDB_CMDEDIT_TEST));
    EXPECT_EQ("The test completed successsfully!", AnswerBox());
    EXPECT_TRUE(Running());
}

TEST_F(CommandEditorE2E, EachDragButtonWritesItsStatementForTheWindowUnderTheMouse)
{
    TestWindow* target = Open("--title \"Drag (Target)\" --rect 480,120,320,240 --controls 1");
    ASSERT_TRUE(OpenEditor(""));
    HWND button = GetDlgItem(target->hwnd, kTestButtonId);
    ASSERT_TRUE(button);
    RECT b, w;
    ASSERT_TRUE(GetWindowRect(button, &b) && GetWindowRect(target->hwnd, &w));
    POINT onButton = {b.left + (b.right - b.left) / 4, b.top + (b.bottom - b.top) / 2};
    POINT onWindow = {w.right - 40, w.bottom - 40};   // the client area, no control there
    char cls[128] = {};
    GetClassNameA(target->hwnd, cls, sizeof(cls));
    char program[MAX_PATH] = {};
    GetWindowProgramPath(target->hwnd, program, sizeof(program));
    TestWindowReport report;
    ASSERT_TRUE(TestWindowStep(target, "report", &report));
    int px = (onButton.x - b.left) * 100 / (b.right - b.left), py = (onButton.y - b.top) * 100 / (b.bottom - b.top);

    struct Row {
        int id;
        POINT at;
        HWND framed;
        std::string statement;
    };
    const Row kRows[] = {
        // Onto a control, the window statement is for its top-level window.
        {IDB_CMDEDIT_WINDOW, onButton, target->hwnd,
         "WINDOW( \"Drag (Target)\" , \"" + std::string(cls) + "\" , \"" + program + "\" )"},
        {IDB_CMDEDIT_CONTROL, onButton, button, "CONTROL( 1002 , \"Press\" , \"Button\" )"},
        {IDB_CMDEDIT_CLICK, onButton, button,
         "CLICK( 0 , " + std::to_string(px) + "% , " + std::to_string(py) + "% )"},
        // The others take the deepest window: here the test window itself.
        {IDB_CMDEDIT_MOVE, onWindow, target->hwnd,
         "MOVE( " + std::to_string(report.normal.left) + " , " + std::to_string(report.normal.top) + " )"},
        {IDB_CMDEDIT_SIZE, onWindow, target->hwnd,
         "SIZE( " + std::to_string(report.normal.right - report.normal.left) + " , " +
             std::to_string(report.normal.bottom - report.normal.top) + " )"},
        // A top-level window gets pixels. (Ctrl held swaps the two; Wine
        // drops a held key that SendInput pressed once the mouse moves.)
        {IDB_CMDEDIT_CLICK, onWindow, target->hwnd,
         "CLICK( 0 , " + std::to_string(onWindow.x - w.left) + " , " + std::to_string(onWindow.y - w.top) + " )"},
    };
    std::string want;
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.statement);
        ASSERT_TRUE(DragButtonTo(r.id, r.at, r.framed)) << "the frame shows what the statement is for";
        want += r.statement + "\r\n";
        EXPECT_TRUE(WaitForScript(want)) << Script();
    }
}

}  // namespace
