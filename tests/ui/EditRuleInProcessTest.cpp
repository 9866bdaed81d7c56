// EditRuleInProcessTest.cpp - Edit Rule over the live profile set of the
// test's own process, driven from a thread: a rule that goes while the
// dialog is open is not written back, and the dialog says so.
#include "engine/LiveEdit.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileRecord.h"
#include "engine/ProfileStore.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/Theme.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/TestEnv.h"
#include "tests/ui/InProcessDialogs.h"
#include "ui/EditRule.h"
#include "ui/EditRuleRes.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::mutex g_lock;
std::vector<std::string> g_texts;

int AnswerOk(const char*, const char* text, uint32_t)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_texts.push_back(text ? text : "");
    return IDOK;
}

class EditRuleInProcess : public testing::Test {
protected:
    void SetUp() override
    {
        SetUpDialogApp();
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
        SetMessageBoxHook(AnswerOk);
        g_texts.clear();
        Profile p = {};
        ASSERT_TRUE(InitProfile(&p, true));
        CopyText(p.szGenName, sizeof(p.szGenName), "Live");
        Rule r;
        InitRule(&r);
        CopyText(r.name, sizeof(r.name), "Going");
        SET_RULE_TEXT(&r, caption, "Going");
        r.id = (uint32_t)p.nextRuleId++;
        ruleId = r.id;
        ArrayAppend(p.pRules, &r);
        ArrayAppend(&g_profiles, &p);
        Options.iCurProfile = 0;
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        ClearProfileList(&g_profiles);
    }
    uint32_t ruleId = 0;
};

TEST_F(EditRuleInProcess, ARuleThatWentWhileTheDialogWasOpenIsNotWrittenAndTheDialogSaysSo)
{
    LiveProfileRef where = NoteLiveProfile(&g_profiles.data[0]);
    std::thread driver([&] {
        HWND dialog = WaitForDialog(GetCurrentProcessId(), "Edit Rule", 10000);
        if (!dialog) return;
        SetControlText(DialogControl(dialog, IDE_MATCH_NAME), "Changed");
        // The worker's side: the rule goes, under the lock.
        if (EnterTableLock(100)) {
            ArrayRemoveAt(g_profiles.data[0].pRules, 0);
            LeaveTableLock();
        }
        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        if (!WaitForWindowGone(dialog, 5000)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    INT_PTR result = ShowEditRule(nullptr, &where, ruleId);
    driver.join();
    EXPECT_EQ(IDCANCEL, result);
    std::lock_guard<std::mutex> hold(g_lock);
    ASSERT_EQ(1u, g_texts.size());
    EXPECT_EQ(AppText(IDS_RULE_GONE), g_texts[0]);
    EXPECT_EQ(0, g_profiles.data[0].pRules->count) << "nothing was written into the profile";
    EXPECT_EQ(0, g_profiles.data[0].edited);
}

TEST_F(EditRuleInProcess, OkWritesOnlyTheEditedFieldsIntoTheLiveRuleByItsId)
{
    LiveProfileRef where = NoteLiveProfile(&g_profiles.data[0]);
    HWND held = GetDesktopWindow();
    std::thread driver([&] {
        HWND dialog = WaitForDialog(GetCurrentProcessId(), "Edit Rule", 10000);
        if (!dialog) return;
        SetControlText(DialogControl(dialog, IDE_MATCH_NAME), "Renamed");
        // Meanwhile the pass gives the rule a window and counts a match; the tree moves it.
        if (EnterTableLock(100)) {
            Rule* live = &g_profiles.data[0].pRules->data[0];
            live->windows[0] = held;
            live->windowCount = 1;
            live->matchxnumcount = 7;
            live->level = 3;
            live->time = 1234;
            LeaveTableLock();
        }
        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        if (!WaitForWindowGone(dialog, 5000)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    INT_PTR result = ShowEditRule(nullptr, &where, ruleId);
    driver.join();
    EXPECT_EQ(IDOK, result);
    const Rule& r = g_profiles.data[0].pRules->data[0];
    EXPECT_STREQ("Renamed", r.name);
    EXPECT_EQ(1, r.windowCount) << "the windows stay the pass's";
    EXPECT_EQ(held, r.windows[0]);
    EXPECT_EQ(7, r.matchxnumcount);
    EXPECT_EQ(1234, r.time);
    EXPECT_EQ(3, r.level) << "the tree's part stays the tree's";
    EXPECT_EQ(1, g_profiles.data[0].edited);
}

}  // namespace
