// DialogResourceTest.cpp - dialogs opened and closed many times in the test's
// own process, with the program's icons and common controls, give back the
// GDI objects they took.
#include "engine/Engine.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileRecord.h"
#include "engine/ProfileStore.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/Theme.h"
#include "tests/support/TestEnv.h"
#include "tests/ui/InProcessDialogs.h"
#include "ui/MainDialog.h"

#include <gtest/gtest.h>
#include <winternl.h>

#include <map>
#include <string>

namespace {

// This process's GDI objects by kind. Wine answers GetGuiResources with
// nothing; its handle table, named by the PEB, has an entry per object with
// its kind (zero when free, bit 7 for a stock object).
std::map<int, long> GdiObjects()
{
    std::map<int, long> kinds;
    if (!IsWine()) {
        kinds[0] = (long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        return kinds;
    }
    typedef NTSTATUS(NTAPI * QueryProcess)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    QueryProcess query = (QueryProcess)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION info = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof(info), nullptr) != 0) return kinds;
    const unsigned char* peb = (const unsigned char*)info.PebBaseAddress;
    const unsigned char* table = *(const unsigned char* const*)(peb + 0xF8);   // GdiSharedHandleTable, x64
    if (!table) return kinds;
    for (size_t i = 0; i < 0x10000; i++) {
        const unsigned char* e = table + i * 24;
        USHORT unique = *(const USHORT*)(e + 12);
        if (e[14] != 0 && !(unique & 0x80)) kinds[unique & 0x7F]++;
    }
    return kinds;
}

const int kRounds = 20;

// The kinds that grew by kRounds / 4 or more: one object an opening, not a
// cache that fills once.
std::string Grown(const std::map<int, long>& before, const std::map<int, long>& after)
{
    std::string out;
    for (const auto& k : after) {
        auto b = before.find(k.first);
        long was = b == before.end() ? 0 : b->second;
        if (k.second - was >= kRounds / 4) out += "kind " + std::to_string(k.first) + ": " + std::to_string(was) + " -> " +
                                   std::to_string(k.second) + "\n";
    }
    return out;
}

LRESULT CALLBACK QuietProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(w, m, wp, lp);
}

class DialogResources : public testing::Test {
protected:
    void SetUp() override
    {
        SetUpDialogApp();
        MakeTestControlWindow("DialogResourcesControl", QuietProc);
        ClearProfileList(&g_profiles);
        Profile p = {};
        ASSERT_TRUE(InitProfile(&p, true));
        CopyText(p.szGenName, sizeof(p.szGenName), "Test");
        const char* names[] = {"Group", "Editor", "Browser", "Alone"};
        for (int i = 0; i < 4; i++) {
            Rule r;
            InitRule(&r);
            r.id = (uint32_t)p.nextRuleId++;
            CopyText(r.name, sizeof(r.name), names[i]);
            r.level = (uint8_t)(i == 0 || i == 3 ? 1 : 2);
            if (i == 0) r.item = RULE_ITEM_GROUP | RULE_ITEM_EXPANDED;
            ArrayAppend(p.pRules, &r);
        }
        ArrayAppend(&g_profiles, &p);
        Options.iCurProfile = 0;
    }
    void TearDown() override
    {
        if (g_mainDialog) DestroyWindow(g_mainDialog);
        ClearProfileList(&g_profiles);
        Options.iCurProfile = -1;
        if (g_app.controlWindow) DestroyWindow(g_app.controlWindow);
        g_app.controlWindow = nullptr;
    }
};

// Each opening loads the image buttons' icons and the closing lets them go.
TEST_F(DialogResources, TheMainDialogOpenedAndClosedManyTimesKeepsNoGdiObject)
{
    auto round = [] {
        HWND dialog = CreateMainDialog();
        ASSERT_NE(nullptr, dialog);
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
        PumpFor(50);
        PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 5000));
    };
    for (int i = 0; i < 3; i++) round();   // first-use caches
    std::map<int, long> before = GdiObjects();
    for (int i = 0; i < kRounds; i++) round();
    EXPECT_EQ("", Grown(before, GdiObjects()));
}

}  // namespace
