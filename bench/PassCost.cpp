// PassCost.cpp - the cost of one monitor pass by window and rule count.
//   bench_passcost [window count ...]     (100 500 2000 when none)
// A profile-applied pass sees every window as new and matches each against
// every rule; an incremental pass over unchanged windows only collects them;
// matching alone finds the rule of every window as a pass does. The windows
// live in ten other processes, as the user's windows do, and the DPI
// functions are loaded as the program loads them; the second set of columns
// has the same windows in this process.
#include "bench/BenchHosts.h"
#include "bench/BenchWindows.h"
#include "engine/Engine.h"
#include "engine/MonitorPass.h"
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "engine/Rules.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"

#include <stdio.h>
#include <stdlib.h>

#include <vector>

// Builds of the engine before the rule index have no matching bracket.
#if __has_include("engine/RuleIndex.h")
#include "engine/RuleIndex.h"
#define BENCH_MATCHING_BRACKET 1
#endif

static const int kHosts = 10;

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

struct PassFigures {
    double applied, unchanged, matching;
};

static double Median(std::vector<double> v)
{
    return Percentile(v, 0.5);
}

static void MatchEveryWindow(Profile* p)
{
#ifdef BENCH_MATCHING_BRACKET
    BeginRuleMatching(p);
#endif
    for (int e = 0; e < g_windowCount; e++) FindRuleForWindow(p, &g_windowTable[e], -1);
#ifdef BENCH_MATCHING_BRACKET
    EndRuleMatching();
#endif
}

// New windows finish showing before anything is measured.
static void Settle()
{
    double end = NowMs() + 1000;
    while (NowMs() < end) BenchPump(), Sleep(10);
}

static PassFigures Measure(int rules)
{
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
        MatchEveryWindow(&p);
        matching.push_back(NowMs() - t0);
        BenchPump();
    }
    FreeProfileLists(&p);
    return {Median(applied), Median(unchanged), Median(matching)};
}

int main(int argc, char** argv)
{
    AppConstruct(&g_app);
    InitTableLock();
    SerializeOptions(0);
    g_noExecute = 1;
    LoadDpiFunctions();
    MakeProcessDpiAware();

    std::vector<int> windowCounts;
    for (int i = 1; i < argc; i++)
        if (atoi(argv[i]) > 0) windowCounts.push_back(atoi(argv[i]));
    if (windowCounts.empty()) windowCounts = {100, 500, 2000};
    const int ruleCounts[] = {10, 200, 1000};
    const int kRows = (int)(sizeof(ruleCounts) / sizeof(ruleCounts[0]));

    printf("Monitor pass cost, median of 9 passes (ms)\n");
    printf("%17s | %-32s | %s\n", "", "windows in ten other processes", "windows in this process");
    printf("%8s %8s | %10s %10s %10s | %10s %10s %10s\n", "windows", "rules", "applied", "unchanged", "matching",
           "applied", "unchanged", "matching");
    fflush(stdout);
    for (int n : windowCounts) {
        PassFigures other[kRows] = {}, own[kRows] = {};
        BenchHosts hosts;
        if (!StartBenchHosts(&hosts, kHosts, (n + kHosts - 1) / kHosts, "Bench Title")) {
            fprintf(stderr, "cannot start the window hosts\n");
            StopBenchHosts(&hosts);
            return 1;
        }
        Settle();
        for (int k = 0; k < kRows; k++) other[k] = Measure(ruleCounts[k]);
        StopBenchHosts(&hosts);

        std::vector<HWND> windows;
        for (int k = 0; k < n; k++) {
            char title[64];
            FormatText(title, sizeof(title), "Bench Title %d", k);
            windows.push_back(CreateBenchWindow(title, 20 + (k % 40) * 10, 20 + (k / 40 % 40) * 5, 200, 150, true));
        }
        Settle();
        for (int k = 0; k < kRows; k++) own[k] = Measure(ruleCounts[k]);
        for (HWND w : windows) DestroyWindow(w);
        BenchPump();

        for (int k = 0; k < kRows; k++)
            printf("%8d %8d | %10.2f %10.2f %10.2f | %10.2f %10.2f %10.2f\n", n, ruleCounts[k],
                   other[k].applied, other[k].unchanged, other[k].matching, own[k].applied, own[k].unchanged,
                   own[k].matching);
        fflush(stdout);
    }
    return 0;
}
