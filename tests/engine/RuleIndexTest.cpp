// RuleIndexTest.cpp - the indexed lookup of a pass against the walk over
// every rule, on randomised rules and windows: the same rule, and the same
// counters and window lists afterwards.
#include "tests/engine/RuleTestUtil.h"

#include <string>
#include <vector>

namespace {

// A small generator of our own, so that a failing case can be run again.
struct Random {
    uint64_t state;
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (uint32_t)(state >> 11);
    }
    int Below(int n) { return (int)(Next() % (uint32_t)n); }
    bool Chance(int percent) { return Below(100) < percent; }
};

// Few letters, so that texts and patterns meet often; separators and
// regular-expression characters among them.
std::string Text(Random* r, const char* alphabet, int maxLength)
{
    std::string s;
    int n = r->Below(maxLength + 1);
    size_t k = strlen(alphabet);
    for (int i = 0; i < n; i++) s += alphabet[r->Below((int)k)];
    return s;
}

const char kTextLetters[] = "abc|&.";
const char kPatternLetters[] = "abc|&";
const char kRegexLetters[] = "abc.*?|()[]";
const HWND kWindows[] = {(HWND)0x10010, (HWND)0x10020, (HWND)0x10030, (HWND)0x10040, (HWND)0x10050, (HWND)0x10060};

uint8_t Compare(Random* r, std::string* pattern)
{
    int mode = r->Below(7);   // 6: an unknown mode, which matches
    *pattern = mode == CMP_REGEX ? Text(r, kRegexLetters, 5) : Text(r, kPatternLetters, 5);
    return (uint8_t)(mode | (r->Chance(15) ? CMP_NEGATE : 0));
}

Rule RandomRule(Random* r, uint32_t id)
{
    Rule rule = AnyWindowRule(id);
    std::string p;
    rule.cmpcaption = Compare(r, &p);
    SetRuleText(rule.caption, sizeof(rule.caption), &rule.captionlen, p.c_str());
    // Class and program are mostly left open, as in most rules.
    if (r->Chance(40)) {
        rule.cmpwndclss = Compare(r, &p);
        SetRuleText(rule.wndclss, sizeof(rule.wndclss), &rule.wndclsslen, p.c_str());
    }
    if (r->Chance(30)) {
        rule.cmpprogram = Compare(r, &p);
        SetRuleText(rule.program, sizeof(rule.program), &rule.programlen, p.c_str());
    }
    const char seps[] = {0, '|', '&'};
    rule.sepor[0] = seps[r->Below(2)];
    rule.sepan[0] = seps[r->Below(3)];
    if (r->Chance(5)) rule.item |= RULE_ITEM_GROUP;
    if (r->Chance(5)) rule.item |= RULE_ITEM_DISABLED;
    if (r->Chance(10)) rule.assignonce = 1;
    if (r->Chance(10)) {
        rule.matchxnum = 1;
        rule.matchxnumnum = (int16_t)r->Below(3);
    }
    if (r->Chance(10)) {
        rule.ignxnum = 1;
        rule.ignxnumnum = (int16_t)r->Below(3);
    }
    if (r->Chance(10)) {
        rule.ignifex = 1;
        rule.ignifexnum = (int16_t)r->Below(3);
    }
    if (r->Chance(10)) {
        rule.matchstate = 1;
        rule.matchstatemode = (uint8_t)r->Below(3);
    }
    rule.titlex = (uint8_t)r->Chance(50);
    rule.titlextime = r->Chance(50) ? 0 : r->Below(2000);
    for (HWND w : kWindows)
        if (r->Chance(8)) AddWindowToRule(&rule, w);
    return rule;
}

MonitoredWindow RandomWindow(Random* r)
{
    std::string title = Text(r, kTextLetters, 8), cls = Text(r, kTextLetters, 4), program = Text(r, kTextLetters, 4);
    MonitoredWindow e = MadeUpEntry(kWindows[r->Below(6)], title.c_str(), cls.c_str(), program.c_str());
    const uint32_t events[] = {WEV_NEW, WEV_UNCHANGED, WEV_TITLE, WEV_MOVED, WEV_CLOSED, WEV_STATE};
    e.event = events[r->Below(6)];
    e.state = r->Below(3);
    e.titleChangedAfter = (uint64_t)r->Below(3000);
    return e;
}

// The same change to both profiles; the indexed one is told of it when the
// change falls in the middle of a pass.
void ChangeRules(Random* r, TestProfile* walked, TestProfile* indexed, uint32_t* nextId, bool tell)
{
    int n = walked->rules.count;
    switch (r->Below(4)) {
    case 0: {   // a criterion edited in place
        if (n == 0) return;
        int at = r->Below(n);
        std::string p;
        uint8_t mode = Compare(r, &p);
        for (TestProfile* t : {walked, indexed}) {
            Rule* rule = &t->rules.data[at];
            rule->cmpcaption = mode;
            SetRuleText(rule->caption, sizeof(rule->caption), &rule->captionlen, p.c_str());
        }
        break;
    }
    case 1: {   // a rule added
        Rule rule = RandomRule(r, (*nextId)++);
        walked->Add(rule);
        indexed->Add(rule);
        break;
    }
    case 2:   // a rule removed
        if (n == 0) return;
        {
            int at = r->Below(n);
            ArrayRemoveAt(&walked->rules, at);
            ArrayRemoveAt(&indexed->rules, at);
        }
        break;
    default:   // window lists emptied, as a profile-applied pass does
        for (int i = 0; i < n; i++)
            if (r->Chance(50)) walked->rules.data[i].windowCount = indexed->rules.data[i].windowCount = 0;
        return;   // not a change of the rule list
    }
    if (tell) MarkRulesChanged(&indexed->profile);
}

int IndexOf(const TestProfile& t, const Rule* found)
{
    return found ? (int)(found - t.rules.data) : -1;
}

}  // namespace

// Ten thousand randomised cases: each a rule list and a few windows looked up
// in a row, in one or more passes, the rules sometimes changing in between.
TEST(RuleIndex, FindsWhatTheWalkFindsOnRandomCases)
{
    Random r = {0x9E3779B97F4A7C15ull};
    int lookups = 0, matched = 0;
    for (int c = 0; c < 10000; c++) {
        TestProfile walked, indexed;
        uint32_t nextId = 1;
        int count = r.Below(25);
        for (int i = 0; i < count; i++) {
            Rule rule = RandomRule(&r, nextId++);
            walked.Add(rule);
            indexed.Add(rule);
        }
        BeginRuleMatching(&indexed.profile);
        int steps = 1 + r.Below(6);
        for (int s = 0; s < steps; s++) {
            if (r.Chance(25)) {
                // Between passes the index is told nothing; inside one it is.
                bool newPass = r.Chance(50);
                if (newPass) EndRuleMatching();
                ChangeRules(&r, &walked, &indexed, &nextId, !newPass);
                if (newPass) BeginRuleMatching(&indexed.profile);
            }
            MonitoredWindow e = RandomWindow(&r);
            int64_t excluded = r.Chance(20) && walked.rules.count ? (int64_t)walked.rules.data[0].id : -1;
            MonitoredWindow e2 = e;
            int want = IndexOf(walked, FindRuleForWindow(&walked.profile, &e, excluded));
            int got = IndexOf(indexed, FindRuleForWindow(&indexed.profile, &e2, excluded));
            lookups++;
            matched += want >= 0;
            ASSERT_EQ(want, got) << "case " << c << ", lookup " << s << ": title '" << e.title << "' event "
                                 << e.event;
            ASSERT_EQ(walked.rules.count, indexed.rules.count);
            ASSERT_EQ(0, memcmp(walked.rules.data, indexed.rules.data, sizeof(Rule) * (size_t)walked.rules.count))
                << "case " << c << ", lookup " << s << ": counters or window lists differ";
        }
        EndRuleMatching();
    }
    // The cases meet: most lookups find a rule, many do not.
    EXPECT_GT(matched, lookups / 4);
    EXPECT_LT(matched, lookups - lookups / 10);
}

// The index answers only inside the bracket of a pass, for its profile, and
// files the rules again when they changed: between passes whether told or
// not, inside a pass when told.
TEST(RuleIndex, FilesTheRulesAgainWhenTheyChange)
{
    TestProfile a, b;
    Rule rule = AnyWindowRule(1);
    SET_CAPTION(&rule, "Editor", CMP_EQUALS);
    a.Add(rule);
    b.Add(rule);
    SET_CAPTION(&b.rules.data[0], "Other", CMP_EQUALS);
    MonitoredWindow editor = MadeUpEntry(kWindows[0], "Editor", "C", "P");
    MonitoredWindow other = MadeUpEntry(kWindows[1], "Other", "C", "P");
    MonitoredWindow third = MadeUpEntry(kWindows[2], "Third", "C", "P");

    BeginRuleMatching(&a.profile);
    EXPECT_NE(nullptr, FindRuleForWindow(&a.profile, &editor, -1));
    EXPECT_NE(nullptr, FindRuleForWindow(&b.profile, &other, -1)) << "another profile is not filed under a's index";
    EndRuleMatching();

    // Edited between passes, nobody told.
    SET_CAPTION(&a.rules.data[0], "Other", CMP_EQUALS);
    a.rules.data[0].windowCount = 0;
    BeginRuleMatching(&a.profile);
    EXPECT_EQ(nullptr, FindRuleForWindow(&a.profile, &editor, -1));
    EXPECT_NE(nullptr, FindRuleForWindow(&a.profile, &other, -1)) << "the next pass files the edited rule again";
    // Edited in the pass, and told.
    SET_CAPTION(&a.rules.data[0], "Third", CMP_EQUALS);
    MarkRulesChanged(&a.profile);
    EXPECT_NE(nullptr, FindRuleForWindow(&a.profile, &third, -1)) << "told of the edit in the pass";
    EndRuleMatching();
}

// Windows held by two rules each, the first disabled, the second not matching
// their titles: the sticky lookup keeps each window with its second rule, so
// the index must list every rule that holds a window, however many it files.
TEST(RuleIndex, EveryRuleThatHoldsAWindowIsListed)
{
    const int kGroups = 300, kPerGroup = 3;
    TestProfile walked, indexed;
    for (int g = 0; g < kGroups; g++) {
        Rule held = AnyWindowRule((uint32_t)(2 * g + 1)), keeper = AnyWindowRule((uint32_t)(2 * g + 2));
        held.item |= RULE_ITEM_DISABLED;
        SET_CAPTION(&keeper, "never shown", CMP_EQUALS);
        for (int k = 0; k < kPerGroup; k++) {
            HWND w = (HWND)(uintptr_t)(0x200000 + 0x10 * (g * kPerGroup + k));
            AddWindowToRule(&held, w);
            AddWindowToRule(&keeper, w);
        }
        for (TestProfile* t : {&walked, &indexed}) {
            t->Add(held);
            t->Add(keeper);
        }
    }
    BeginRuleMatching(&indexed.profile);
    int kept = 0;
    for (int i = 0; i < kGroups * kPerGroup; i++) {
        MonitoredWindow e = MadeUpEntry((HWND)(uintptr_t)(0x200000 + 0x10 * i), "Shown", "C", "P");
        MonitoredWindow e2 = e;
        int want = IndexOf(walked, FindRuleForWindow(&walked.profile, &e, -1));
        int got = IndexOf(indexed, FindRuleForWindow(&indexed.profile, &e2, -1));
        kept += want == 2 * (i / kPerGroup) + 1;
        EXPECT_EQ(want, got) << "window " << i;
    }
    EndRuleMatching();
    EXPECT_EQ(kGroups * kPerGroup, kept) << "the walk keeps every window with its second rule";
}
