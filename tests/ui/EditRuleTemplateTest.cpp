// EditRuleTemplateTest.cpp - Edit Rule Template in the test's process,
// driven from a thread of the test as a user would: the match part's
// fields and the action part's editor into the template, "Ignore" turning
// the editor off, and the questions (answered through the box's hook).
#include "engine/ProductStrings.h"
#include "engine/TemplateRecord.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/Theme.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/TestEnv.h"
#include "tests/ui/InProcessDialogs.h"
#include "ui/EditRuleRes.h"
#include "ui/EditRuleTemplate.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::mutex g_boxLock;
std::vector<std::string> g_boxTexts;
int g_boxAnswer = IDYES;

int AnswerBox(const char*, const char* text, uint32_t)
{
    std::lock_guard<std::mutex> hold(g_boxLock);
    g_boxTexts.push_back(text ? text : "");
    return g_boxAnswer;
}

class EditRuleTemplateInProcess : public testing::Test {
protected:
    void SetUp() override
    {
        SetUpDialogApp();
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
        SetMessageBoxHook(AnswerBox);
        g_boxTexts.clear();
        g_boxAnswer = IDYES;
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }

    // Runs the dialog on the template here while drive works it from a
    // thread; the dialog's result.
    INT_PTR Run(RuleTemplate* t, const std::function<void(HWND)>& drive)
    {
        std::thread driver([&] {
            HWND dialog = WaitForDialog(GetCurrentProcessId(), "Edit Rule Template", 10000);
            if (dialog) drive(dialog);
            // Whatever happened, the dialog goes: the test must not hang.
            for (int i = 0; i < 3 && dialog && IsWindow(dialog); i++) {
                g_boxAnswer = IDYES;
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                WaitForWindowGone(dialog, 3000);
            }
        });
        INT_PTR result = EditRuleTemplate(nullptr, t);
        driver.join();
        return result;
    }
    std::vector<std::string> BoxTexts()
    {
        std::lock_guard<std::mutex> hold(g_boxLock);
        return g_boxTexts;
    }
};

// The dialog's own controls: the rule editor inside it repeats their ids.
HWND Own(HWND dialog, int id)
{
    return GetDlgItem(dialog, id);
}

std::string Text(HWND dialog, int id)
{
    return ReadControlText(Own(dialog, id));
}

void Click(HWND dialog, int id)
{
    SendMessageA(Own(dialog, id), BM_CLICK, 0, 0);
}

void Choose(HWND dialog, int id, int row)
{
    HWND combo = Own(dialog, id);
    SendMessageA(combo, CB_SETCURSEL, row, 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)combo);
}

HWND Editor(HWND dialog)
{
    HWND tab = DialogControl(dialog, IDTAB_RULE_EDITOR);
    return tab ? GetParent(tab) : nullptr;
}

RuleTemplate Sample()
{
    RuleTemplate t;
    InitRuleTemplate(&t);
    CopyText(t.match.name, sizeof(t.match.name), "Sample");
    SET_RULE_TEXT(&t.match, wndclss, "SampleClass");
    t.match.cmpwndclss = CMP_EQUALS;
    return t;
}

TEST_F(EditRuleTemplateInProcess, TheFieldsAndTheActionPartGoIntoTheTemplateOnOk)
{
    RuleTemplate t = Sample();
    std::string shownName, shownClass, shownActionName;
    bool editorOn = false;
    INT_PTR result = Run(&t, [&](HWND d) {
        shownName = Text(d, IDE_TPL_NAME);
        shownClass = Text(d, IDE_MATCH_CLASS);
        shownActionName = ReadControlText(DialogControl(Editor(d), IDE_MATCH_NAME));
        editorOn = IsWindowEnabled(Editor(d)) != FALSE;
        SetControlText(Own(d, IDE_TPL_NAME), "Edited Template");
        Click(d, IDX_TPL_ENABLED);
        Click(d, IDX_TPL_AUTOCREATE);
        Choose(d, IDCB_MATCH_TITLECMP, 3);
        Click(d, IDX_MATCH_TITLENOT);
        SetControlText(Own(d, IDE_MATCH_TITLE), "Begin");
        SetControlText(Own(d, IDE_MATCH_CLASS), "OtherClass");
        Choose(d, IDCB_MATCH_PROGCMP, 2);
        SetControlText(Own(d, IDE_MATCH_PROGRAM), "tool.exe");
        SetControlText(Own(d, IDE_MATCH_AND), "+");
        SetControlText(Own(d, IDE_MATCH_OR), "|");
        HWND editor = Editor(d);
        SelectTab(DialogControl(editor, IDTAB_RULE_EDITOR), 1);
        SetControlText(DialogControl(editor, IDE_ACT_X), "123");
        SetControlText(DialogControl(editor, IDE_ACT_WIDTH), "456");
        Click(d, IDOK);
    });
    EXPECT_EQ("Sample", shownName);
    EXPECT_EQ("SampleClass", shownClass);
    EXPECT_EQ("#TITLE#", shownActionName) << "the editor shows the action part";
    EXPECT_TRUE(editorOn);
    ASSERT_EQ(1, result);
    EXPECT_STREQ("Edited Template", t.match.name);
    EXPECT_EQ(RULE_ITEM_DISABLED | RULE_ITEM_AUTOCREATE, t.match.item);
    EXPECT_EQ(CMP_STARTS_WITH | CMP_NEGATE, t.match.cmpcaption);
    EXPECT_STREQ("Begin", t.match.caption);
    EXPECT_EQ(5, t.match.captionlen);
    EXPECT_STREQ("OtherClass", t.match.wndclss);
    EXPECT_EQ(10, t.match.wndclsslen);
    EXPECT_EQ(CMP_CONTAINS, t.match.cmpprogram);
    EXPECT_STREQ("tool.exe", t.match.program);
    EXPECT_STREQ("+", t.match.sepan);
    EXPECT_STREQ("|", t.match.sepor);
    EXPECT_EQ(123, t.rule.x) << "the action part from the editor";
    EXPECT_EQ(456, t.rule.w);
    EXPECT_STREQ("#TITLE#", t.rule.name);
    EXPECT_EQ(1, t.uiFlag) << "marked as edited";
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(EditRuleTemplateInProcess, IgnoreTurnsTheRuleEditorOffAndIsStoredAsTheIgnoreFlag)
{
    RuleTemplate t = Sample();
    bool offAfterIgnore = false, onAfterCreate = false, titleOffWhenIgnored = false;
    INT_PTR result = Run(&t, [&](HWND d) {
        Click(d, IDR_TPL_IGNORE);
        offAfterIgnore = !IsWindowEnabled(Editor(d));
        Click(d, IDR_TPL_CREATE);
        onAfterCreate = IsWindowEnabled(Editor(d)) != FALSE;
        Click(d, IDR_TPL_IGNORE);
        Choose(d, IDCB_MATCH_TITLECMP, 0);
        titleOffWhenIgnored = !IsWindowEnabled(Own(d, IDE_MATCH_TITLE));
        Click(d, IDOK);
    });
    EXPECT_TRUE(offAfterIgnore) << "\"Ignore\" disables the editor";
    EXPECT_TRUE(onAfterCreate);
    EXPECT_TRUE(titleOffWhenIgnored) << "a criterion on \"Ignore\" is off";
    ASSERT_EQ(1, result);
    EXPECT_EQ(RULE_ITEM_KEEP, t.match.item & RULE_ITEM_KEEP);
    EXPECT_EQ(CMP_ANY, t.match.cmpcaption);
}

TEST_F(EditRuleTemplateInProcess, AnEmptyNameIsRefusedAndCancelAfterAChangeAsksAndLeavesTheTemplate)
{
    RuleTemplate t = Sample();
    RuleTemplate before = t;
    bool stayed = false;
    g_boxAnswer = IDOK;
    INT_PTR result = Run(&t, [&](HWND d) {
        SetControlText(Own(d, IDE_TPL_NAME), "");
        Click(d, IDOK);
        stayed = IsWindow(d) && IsWindowVisible(d);
        g_boxAnswer = IDNO;
        Click(d, IDCANCEL);
        stayed = stayed && IsWindow(d);
        g_boxAnswer = IDYES;
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(0, result);
    EXPECT_TRUE(stayed) << "the empty name and No keep the dialog";
    EXPECT_EQ((std::vector<std::string>{"Please select a name for the template!",
                                        "Are you sure you want to discard the changes?",
                                        "Are you sure you want to discard the changes?"}),
              BoxTexts());
    EXPECT_EQ(0, memcmp(&before, &t, sizeof(t))) << "Cancel leaves the template as it was";
}

}  // namespace
