// DialogCost.cpp - how long the user waits for the Window List and the main
// dialog: the Window List opening and refreshing with 500 and 2000 tracked
// windows of ten other processes (the refresh includes its 50 ms of
// gathering requests), and the main dialog opening on profiles of 1000 and
// 5000 rules, each beside one monitor pass over the same windows.
//   bench_dialogs
#include "bench/BenchHosts.h"
#include "bench/BenchWindows.h"
#include "engine/Log.h"
#include "engine/MonitorPass.h"
#include "engine/OptionsRecord.h"
#include "engine/ProfileStore.h"
#include "engine/Rules.h"
#include "tests/support/ProductUiSetup.h"
#include "ui/MainDialog.h"
#include "ui/WindowList.h"
#include "ui/WindowListInternal.h"

#include <stdio.h>

#include <vector>

static const int kHosts = 10;
static const int kRounds = 9;

static void PumpUntilRows(int rows, double limitMs)
{
    double end = NowMs() + limitMs;
    while (NowMs() < end && (!g_windowRows || GetListRowCount(g_windowRows) < rows)) BenchPump(), Sleep(1);
}

static Profile* MakeCurrentProfile(int rules)
{
    ClearProfileList(&g_profiles);
    Profile p = {};
    InitProfile(&p, true);
    CopyText(p.szGenName, sizeof(p.szGenName), "Bench");
    p.bGenEnabled = 1;
    p.pTemplates->count = 0;
    RuleTemplate t;
    InitRuleTemplate(&t);
    CopyText(t.match.name, sizeof(t.match.name), "Bench windows");
    SET_RULE_TEXT(&t.match, caption, "Bench Title");
    t.match.cmpcaption = CMP_STARTS_WITH;
    ArrayAppend(p.pTemplates, &t);
    Rule r;
    for (int i = 0; i < rules; i++) {
        InitRule(&r);
        r.id = (uint32_t)p.nextRuleId++;
        r.level = (uint8_t)(i % 50 == 0 ? 1 : 2);
        r.item = i % 50 == 0 ? (uint8_t)(RULE_ITEM_GROUP | RULE_ITEM_EXPANDED) : 0;
        FormatText(r.name, sizeof(r.name), "Rule %d", i);
        FormatText(r.caption, sizeof(r.caption), "Nothing like %d", i);
        r.captionlen = (int16_t)strlen(r.caption);
        r.cmpcaption = CMP_EQUALS;
        ArrayAppend(p.pRules, &r);
    }
    ArrayAppend(&g_profiles, &p);
    Options.iCurProfile = 0;
    return &g_profiles.data[0];
}

static void MeasureWindowList(int windows)
{
    BenchHosts hosts;
    if (!StartBenchHosts(&hosts, kHosts, (windows + kHosts - 1) / kHosts, "Bench Title")) {
        fprintf(stderr, "cannot start the window hosts\n");
        StopBenchHosts(&hosts);
        return;
    }
    Profile* p = MakeCurrentProfile(10);
    double settle = NowMs() + 1000;
    while (NowMs() < settle) BenchPump(), Sleep(10);
    MonitorPass(p, 1, 0, 0);
    std::vector<double> pass, open, refresh;
    for (int i = 0; i < kRounds; i++) {
        double t0 = NowMs();
        MonitorPass(p, 0, 0, 0);
        pass.push_back(NowMs() - t0);
    }
    int rows = 0;
    for (int e = 0; e < g_windowCount; e++) rows += strncmp(g_windowTable[e].title, "Bench Title", 11) == 0;
    for (int i = 0; i < kRounds; i++) {
        double t0 = NowMs();
        HWND list = OpenWindowList();
        PumpUntilRows(rows, 10000);
        open.push_back(NowMs() - t0);
        for (int k = 0; k < 3; k++) {
            ClearListRows(g_windowRows);
            t0 = NowMs();
            SendMessageA(g_logWindow, WM_LOGLINE, 0, (LPARAM) "00:00:00.000 bench\r\n");
            PumpUntilRows(rows, 10000);
            refresh.push_back(NowMs() - t0);
        }
        DestroyWindow(list);
        BenchPump();
    }
    printf("%8d %10.1f %14.1f %16.1f\n", windows, Percentile(pass, 0.5), Percentile(open, 0.5),
           Percentile(refresh, 0.5));
    fflush(stdout);
    StopBenchHosts(&hosts);
}

static void MeasureMainDialog(int rules)
{
    MakeCurrentProfile(rules);
    std::vector<double> open;
    for (int i = 0; i < kRounds; i++) {
        double t0 = NowMs();
        HWND dialog = CreateMainDialog();
        if (!dialog) break;
        UpdateWindow(dialog);
        open.push_back(NowMs() - t0);
        DestroyWindow(dialog);
        BenchPump();
    }
    printf("%8d %14.1f\n", rules, open.empty() ? -1.0 : Percentile(open, 0.5));
    fflush(stdout);
}

int main()
{
    SetUpApp(GetModuleHandleA(nullptr));
    RegisterTreeMenu();
    SerializeOptions(0);
    g_noExecute = 1;
    printf("Window List, median ms (refresh includes its 50 ms of gathering)\n");
    printf("%8s %10s %14s %16s\n", "windows", "one pass", "open to rows", "refresh to rows");
    for (int n : {500, 2000}) MeasureWindowList(n);
    printf("Main dialog opening, median ms\n");
    printf("%8s %14s\n", "rules", "open");
    for (int n : {1000, 5000}) MeasureMainDialog(n);
    return 0;
}
