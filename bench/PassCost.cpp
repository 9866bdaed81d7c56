// PassCost.cpp - the cost of one monitor pass by window and rule count.
//   bench_passcost
// A profile-applied pass sees every window as new and matches each against
// every rule; an incremental pass over unchanged windows only collects them.
#include "bench/BenchWindows.h"
#include "engine/Engine.h"
#include "engine/MonitorPass.h"
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "engine/Rules.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"

#include <stdio.h>

#include <vector>

static void AddRules(Profile* p, int count)
{
    Rule r;
    for (int i = 0; i < count; i++) {
        InitRule(&r);
        r.level = 1;
        FormatText(r.name, sizeof(r.name), "Rule %d", i);
        // Mixed compare modes, one rule in ten a regular expression; none matches.
        if (i % 10 == 9) {
            FormatText(r.caption, sizeof(r.caption), "Nothing [0-9]+ like %d", i);
            r.cmpcaption = CMP_REGEX;
        } else {
            FormatText(r.caption, sizeof(r.caption), "Nothing like %d", i);
            r.cmpcaption = (uint8_t)(CMP_EQUALS + i % 4);
        }
        r.captionlen = (int16_t)strlen(r.caption);
        r.cmpwndclss = CMP_ANY;
        r.cmpprogram = CMP_ANY;
        r.tretry = 0;
        ArrayAppend(p->pRules, &r);
    }
}

static double Median(std::vector<double> v)
{
    return Percentile(v, 0.5);
}

int main()
{
    AppConstruct(&g_app);
    InitTableLock();
    SerializeOptions(0);
    g_noExecute = 1;

    const int windowCounts[] = {100, 500, 2000};
    const int ruleCounts[] = {10, 200, 1000};
    std::vector<HWND> windows;
    printf("Monitor pass cost, median of 9 passes (ms)\n");
    printf("%8s %8s %14s %14s %14s\n", "windows", "rules", "applied pass", "unchanged pass", "matching only");
    for (int n : windowCounts) {
        while ((int)windows.size() < n) {
            char title[64];
            FormatText(title, sizeof(title), "Bench Title %d", (int)windows.size());
            int k = (int)windows.size();
            windows.push_back(CreateBenchWindow(title, 20 + (k % 40) * 10, 20 + (k / 40) * 5, 200, 150, true));
        }
        BenchPump();
        for (int rules : ruleCounts) {
            Profile p = {};
            InitProfile(&p, true);
            p.pTemplates->count = 0;
            AddRules(&p, rules);
            std::vector<double> applied, unchanged, matching;
            for (int i = 0; i < 9; i++) {
                double t0 = NowMs();
                MonitorPass(&p, 1, 0, 0);
                applied.push_back(NowMs() - t0);
                t0 = NowMs();
                MonitorPass(&p, 0, 0, 0);
                unchanged.push_back(NowMs() - t0);
                t0 = NowMs();
                for (int e = 0; e < g_windowCount; e++) FindRuleForWindow(&p, &g_windowTable[e], -1);
                matching.push_back(NowMs() - t0);
                BenchPump();
            }
            printf("%8d %8d %14.2f %14.2f %14.2f\n", n, rules, Median(applied), Median(unchanged),
                   Median(matching));
            fflush(stdout);
            FreeProfileLists(&p);
        }
    }
    for (HWND w : windows) DestroyWindow(w);
    return 0;
}
