// RecordLoad.cpp - the time to load a profile record by its rule count, when
// the rules lack most keys and when they have every key.
//   bench_records [rule count ...]     (500 1000 5000 when none)
// Files go to a folder beside the program and are removed at the end.
#include "bench/BenchWindows.h"
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "framework/core/AppObject.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/TextUtil.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

static std::string BenchFolder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path, n);
    folder = folder.substr(0, folder.find_last_of('\\')) + "\\bench-records";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

static void Put(ConfigRecord* r, const std::string& key, const std::string& value)
{
    AppendRecordLineN(r, key.c_str(), value.data(), value.size());
}

// A profile whose rules hold only their kind, name and title criterion;
// extra goes into the first rule's name (a value of line feeds).
static bool WriteSparseProfile(const std::string& path, int rules, const std::string& extra)
{
    ConfigRecord r;
    InitConfigRecord(&r, 1, "");
    Put(&r, "szGenName", "Sparse");
    Put(&r, "iNumRules", std::to_string(rules));
    for (int i = 0; i < rules; i++) {
        std::string prefix = "Rule[" + std::to_string(i) + "].";
        Put(&r, prefix + "item", "00");
        Put(&r, prefix + "name", i == 0 ? extra : "Rule " + std::to_string(i));
        Put(&r, prefix + "caption", "Nobody " + std::to_string(i));
        Put(&r, prefix + "cmpcaption", "01");
    }
    bool ok = SaveRecordArchive(&r, path.c_str()) > 0;
    ClearConfigRecord(&r);
    return ok;
}

static bool WriteCompleteProfile(const std::string& path, int rules)
{
    Profile p = {};
    if (!InitProfile(&p, true)) return false;
    Rule rule;
    for (int i = 0; i < rules; i++) {
        InitRule(&rule);
        FormatText(rule.name, sizeof(rule.name), "Rule %d", i);
        FormatText(rule.caption, sizeof(rule.caption), "Nobody %d", i);
        ArrayAppend(p.pRules, &rule);
    }
    bool ok = SerializeProfile(1, path.c_str(), &p, false);
    FreeProfileLists(&p);
    return ok;
}

// Median time of loading the file (ms), and the rules it held.
static double LoadTime(const std::string& path, int runs, int* rules)
{
    std::vector<double> times;
    for (int i = 0; i < runs; i++) {
        Profile p = {};
        double t0 = NowMs();
        SerializeProfile(0, path.c_str(), &p, false);
        times.push_back(NowMs() - t0);
        *rules = p.pRules ? p.pRules->count : -1;
        FreeProfileLists(&p);
    }
    return Percentile(times, 0.5);
}

int main(int argc, char** argv)
{
    AppConstruct(&g_app);
    std::string folder = BenchFolder();
    std::string path = folder + "\\Profile0.zpx";
    std::vector<int> counts;
    for (int i = 1; i < argc; i++) counts.push_back(atoi(argv[i]));
    if (counts.empty()) counts = {500, 1000, 5000};
    printf("Loading a profile record, median of 5 loads (ms)\n");
    printf("%-34s %8s %10s %12s\n", "record", "rules", "load", "per rule");
    for (int n : counts) {
        struct Kind {
            const char* name;
            bool complete;
            std::string extra;
        } kinds[] = {
            {"rules lacking most keys", false, "Rule 0"},
            {"lacking most keys + 61 KB of LF", false, std::string(61 * 1024, '\n')},
            {"rules with every key", true, ""},
        };
        for (const Kind& k : kinds) {
            bool ok = k.complete ? WriteCompleteProfile(path, n) : WriteSparseProfile(path, n, k.extra);
            int loaded = 0;
            double ms = ok ? LoadTime(path, 5, &loaded) : -1;
            printf("%-34s %8d %10.2f %12.4f\n", k.name, loaded, ms, ms / n);
            fflush(stdout);
        }
    }
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
