// RuleCreateTest.cpp - rules made from templates and updated from windows in
// this process: which template answers, what the new rule holds and where it
// lands, what an update re-captures, and the thread that waits for a title.
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/RuleCreate.h"
#include "framework/core/AppObject.h"
#include "tests/engine/EngineAppSetup.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/FakeVirtualDesktop.h"

#include <string>
#include <vector>

namespace {

HWND MakeStyled(DWORD style, const char* title = "probe", HWND parent = nullptr)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RuleCreateProbe";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "RuleCreateProbe", title, style, 0, 0, 200, 100, parent, nullptr, wc.hInstance,
                           nullptr);
}

RuleTemplate Template(const char* name, uint8_t item, const char* caption, uint8_t compare)
{
    RuleTemplate t;
    InitRuleTemplate(&t);
    CopyText(t.match.name, sizeof(t.match.name), name);
    t.match.item = item;
    SET_CAPTION(&t.match, caption, compare);
    CopyText(t.rule.name, sizeof(t.rule.name), name);   // tells the action parts apart
    return t;
}

Rule Group(const char* name, uint8_t level, uint8_t kind, const char* caption, const char* program,
           const char* tmpname)
{
    Rule g;
    InitRule(&g);
    g.item = RULE_ITEM_GROUP;
    g.level = level;
    CopyText(g.name, sizeof(g.name), name);
    SET_RULE_TEXT(&g, caption, caption);
    SET_RULE_TEXT(&g, program, program);
    SET_RULE_TEXT(&g, tmpname, tmpname);
    g.cmpcaption = kind;
    return g;
}

Rule Member(const char* name, uint8_t level)
{
    Rule r = AnyWindowRule(0);
    CopyText(r.name, sizeof(r.name), name);
    r.level = level;
    r.cmpcaption = CMP_EQUALS;   // matches no window of these tests
    SET_CAPTION(&r, "member only", CMP_EQUALS);
    return r;
}

// A profile with its four lists, the templates and rules given.
class CreateProfile : public testing::Test {
protected:
    void SetUp() override
    {
        SetUpEngineApp();
        ASSERT_TRUE(InitProfile(&profile, true));
        profile.pTemplates->count = 0;
        profile.bGenEnabled = 1;
        CopyText(profile.szGenName, sizeof(profile.szGenName), "Create");
        g_virtualDesktop = nullptr;
    }
    void TearDown() override
    {
        g_virtualDesktop = nullptr;
        FreeProfileLists(&profile);
        for (HWND w : windows) DestroyWindow(w);
        g_windowCount = 0;
    }
    void AddTemplate(const RuleTemplate& t) { ArrayAppend(profile.pTemplates, &t); }
    void AddRule(const Rule& r)
    {
        Rule copy = r;
        copy.id = (uint32_t)profile.nextRuleId++;
        ArrayAppend(profile.pRules, &copy);
    }
    HWND Window(DWORD style = WS_OVERLAPPEDWINDOW, const char* title = "probe")
    {
        windows.push_back(MakeStyled(style, title));
        return windows.back();
    }
    Rule* At(int i) { return &profile.pRules->data[i]; }
    // The new rule made from an action part named name for the entry.
    int Create(MonitoredWindow* e, Rule action, const char* templateName, uint32_t mask, int fromMonitor)
    {
        if (!EnterTableLock(10)) return -2;
        int at = CreateRuleFromTemplate(&profile, e, &action, templateName, mask, fromMonitor);
        LeaveTableLock();
        return at;
    }

    Profile profile = {};
    std::vector<HWND> windows;
};

Rule ActionPart()
{
    RuleTemplate t;
    InitRuleTemplate(&t);
    t.rule.titlex = 0;   // no title-settle thread unless a test wants one
    return t.rule;
}

}  // namespace

//--- the rule list

// Rules are added and deleted only under the table lock: while another
// thread holds it, neither happens.
TEST_F(CreateProfile, RulesChangeOnlyUnderTheTableLock)
{
    AddRule(Member("first", 1));
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr), release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE events[2] = {held, release};
    HANDLE holder = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            HANDLE* e = (HANDLE*)p;
            EnterTableLock(0);
            SetEvent(e[0]);
            WaitForSingleObject(e[1], 30000);
            LeaveTableLock();
            return 0;
        },
        events, 0, nullptr);
    ASSERT_NE(nullptr, holder);
    ASSERT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(held, 30000));
    Rule r = Member("second", 1);
    EXPECT_EQ(-1, InsertProfileRule(&profile, 0, &r));
    EXPECT_FALSE(DeleteProfileRule(&profile, 0));
    EXPECT_EQ(1, profile.pRules->count);
    SetEvent(release);
    WaitForSingleObject(holder, 30000);
    CloseHandle(holder);
    CloseHandle(held);
    CloseHandle(release);
    EXPECT_EQ(0, InsertProfileRule(&profile, 0, &r));
    EXPECT_STREQ("second", At(0)->name);
    EXPECT_TRUE(DeleteProfileRule(&profile, 1));
    EXPECT_EQ(1, profile.pRules->count);
    EXPECT_FALSE(DeleteProfileRule(&profile, 1)) << "no rule there";
}

//--- FindTemplateForWindow

// The first enabled template that takes the window answers; "Ignore" ends
// the search, also for automatic creation; automatic creation passes over
// templates without "Auto-create rules".
TEST_F(CreateProfile, TheFirstEnabledTemplateAnswersAndIgnoreEndsTheSearch)
{
    AddTemplate(Template("Off", RULE_ITEM_DISABLED | RULE_ITEM_AUTOCREATE, "Doc", CMP_CONTAINS));
    AddTemplate(Template("Skip", RULE_ITEM_KEEP, "Skip", CMP_STARTS_WITH));
    AddTemplate(Template("By hand", 0, "Doc", CMP_CONTAINS));
    AddTemplate(Template("Auto", RULE_ITEM_AUTOCREATE, "Doc", CMP_CONTAINS));
    static const struct {
        const char* title;
        bool autoOnly;
        int want;
        const char* why;
    } kCases[] = {
        {"Doc 1", false, 2, "the disabled template is passed over"},
        {"Doc 1", true, 3, "automatic: only templates that create automatically"},
        {"Skip Doc", false, -1, "ignored"},
        {"Skip Doc", true, -1, "ignored before any automatic template"},
        {"Other", false, -1, "no template takes it"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        MonitoredWindow e = MadeUpEntry(nullptr, c.title, "Cls", "C:\\doc.exe");
        Rule action;
        InitRule(&action);
        EXPECT_EQ(c.want, FindTemplateForWindow(&profile, &action, &e, c.autoOnly));
        if (c.want >= 0) {
            EXPECT_STREQ(profile.pTemplates->data[c.want].rule.name, action.name);
        }
        EXPECT_EQ(c.want, FindTemplateForWindow(&profile, nullptr, &e, c.autoOnly)) << "without a copy";
    }
}

//--- CreateRuleFromTemplate

// The new rule lands in the first group that takes it: its patterns admit
// the rule's texts, its template name begins the template's, and it collects
// this kind of rule; after the rules directly below it, one level deeper.
TEST_F(CreateProfile, ANewRuleLandsInTheFirstGroupThatTakesIt)
{
    static const struct {
        const char* title;
        const char* program;
        const char* templateName;
        int fromMonitor;
        int wantAt, wantLevel, wantGroup;   // wantGroup: index of the group opened, -1 none
        const char* why;
    } kCases[] = {
        {"Report Doc", "C:\\apps\\doc.exe", "Auto Docs", 1, 4, 2, 1, "made automatically: the automatic group"},
        {"Report Doc", "C:\\apps\\doc.exe", "Auto Docs", 0, 1, 2, 0, "made by hand: the hand-made group"},
        {"Report Doc", "C:\\apps\\doc.exe", "Manual", 1, 7, 2, 5, "another template: the group for any rule"},
        {"Unrelated", "C:\\x.bin", "Auto Docs", 1, 8, 1, -1, "no group takes it: at the end"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        FreeGrowArray(profile.pRules);
        AddRule(Group("Hand", 1, 1, "*Doc*", "", ""));
        AddRule(Group("Auto", 1, 2, "*Doc*", "", "Auto"));
        AddRule(Member("a1", 2));
        AddRule(Member("a2", 2));
        AddRule(Group("Deeper", 2, 0, "Nothing*", "", ""));   // a group below ends the run
        AddRule(Group("Any", 1, 0, "", "*\\doc.exe", ""));
        AddRule(Member("b1", 2));
        AddRule(Group("Other", 1, 0, "Zzz*", "", ""));
        MonitoredWindow e = MadeUpEntry(Window(), c.title, "Cls", c.program);
        int at = Create(&e, ActionPart(), c.templateName, 0, c.fromMonitor);
        ASSERT_EQ(c.wantAt, at);
        EXPECT_STREQ(c.title, At(at)->name);
        EXPECT_EQ(c.wantLevel, At(at)->level);
        EXPECT_EQ(9, profile.pRules->count);
        for (int i = 0; i < profile.pRules->count; i++) {
            const Rule* r = At(i);
            if (!(r->item & RULE_ITEM_GROUP)) continue;
            int original = i < at ? i : i - 1;
            EXPECT_EQ(original == c.wantGroup, (r->item & RULE_ITEM_EXPANDED) != 0) << r->name;
        }
    }
}

// Placeholders are replaced once, in name, caption, class and program, with
// their lengths; a name that comes out empty is "(Empty Name)"; a long title
// is cut to each field and never overruns it.
TEST_F(CreateProfile, PlaceholdersAreReplacedOnceAndCutToTheirFields)
{
    std::string longTitle(1023, 'x');
    static const struct {
        const char* namePattern;
        const char* title;
        const char* wantName;
        const char* wantCaption;
        const char* why;
    } kCases[] = {
        {"#TITLE# - #CLASS# (#PROGRAM#)", "Report", "Report - Cls (C:\\p.exe)", "Report", "each placeholder"},
        {"#TITLE#", "#CLASS#", "#CLASS#", "#CLASS#", "a title that looks like a placeholder stays"},
        {"#TITLE#", "", "(Empty Name)", "", "nothing left of the name"},
        {"#TITLE##TITLE#", nullptr, nullptr, nullptr, "1023 characters into 260"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        const char* title = c.title ? c.title : longTitle.c_str();
        MonitoredWindow e = MadeUpEntry(Window(), title, "Cls", "C:\\p.exe");
        Rule action = ActionPart();
        CopyText(action.name, sizeof(action.name), c.namePattern);
        int at = Create(&e, action, "Tpl", 0, 0);
        ASSERT_GE(at, 0);
        const Rule* r = At(at);
        std::string wantName = c.wantName ? c.wantName : std::string(259, 'x');
        std::string wantCaption = c.wantCaption ? c.wantCaption : std::string(259, 'x');
        EXPECT_EQ(wantName, r->name);
        EXPECT_EQ(wantCaption, r->caption);
        EXPECT_EQ((int)wantCaption.size(), r->captionlen);
        EXPECT_STREQ("Cls", r->wndclss) << "the field after the caption is intact";
        EXPECT_EQ(3, r->wndclsslen);
        EXPECT_STREQ("C:\\p.exe", r->program);
        EXPECT_EQ(8, r->programlen);
        EXPECT_STREQ("Tpl", r->tmpname);
    }
}

// The new rule is numbered, holds the window, and takes its placement: from
// the monitor pass only the fields still unset, otherwise by the mask.
TEST_F(CreateProfile, TheNewRuleIsNumberedHoldsItsWindowAndTakesItsPlacement)
{
    HWND w = Window();
    MonitoredWindow e = MadeUpEntry(w, "Doc", "Cls", "C:\\p.exe");
    e.x = 10, e.y = 20, e.width = 300, e.height = 200, e.state = 0;
    profile.nextRuleId = 41;
    Rule action = ActionPart();
    action.x = 5;   // set by the template
    int at = Create(&e, action, "Tpl", 0, 1);
    ASSERT_GE(at, 0);
    const Rule* r = At(at);
    EXPECT_EQ(41u, r->id);
    EXPECT_EQ(42, profile.nextRuleId);
    EXPECT_TRUE(RuleHolds(r, w));
    EXPECT_EQ(1, r->windowCount);
    EXPECT_EQ(5, r->x) << "the template's value stays";
    EXPECT_EQ(20, r->y);
    EXPECT_EQ(300, r->w);
    EXPECT_EQ(200, r->h);
    EXPECT_EQ(0, r->state);
    EXPECT_GT(r->time, 0);

    action.state = RULE_STATE_NORMAL;   // position and size only for a normal state
    at = Create(&e, action, "Tpl", CAPTURE_Y | CAPTURE_W, 0);
    r = At(at);
    EXPECT_EQ(42u, r->id);
    EXPECT_EQ(5, r->x);
    EXPECT_EQ(20, r->y);
    EXPECT_EQ(300, r->w);
    EXPECT_EQ(VALUE_ANY, r->h) << "not in the mask";
    EXPECT_EQ(0, r->state);
}

// The rule's desktop: the window's when made by hand; from the monitor pass
// only when the rule follows the window's desktop or has none yet.
TEST_F(CreateProfile, TheRuleTakesTheWindowsDesktopWhenItShould)
{
    FakeVirtualDesktop desktops;
    static const struct {
        bool object;
        int fromMonitor;
        uint8_t mode, desktop;
        uint8_t want;
        const char* why;
    } kCases[] = {
        {true, 0, 0, 1, 2, "made by hand"},
        {true, 1, 0, 1, 1, "from the pass, the template's desktop stays"},
        {true, 1, 1, 1, 2, "from the pass, following the window's desktop"},
        {true, 1, 0, RULE_DESKTOP_NONE, 2, "from the pass, no desktop yet"},
        {false, 0, 1, 1, 1, "no desktop object"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        g_virtualDesktop = c.object ? &desktops : nullptr;
        MonitoredWindow e = MadeUpEntry(Window(), "Doc", "Cls", "C:\\p.exe");
        e.desktop = 2;
        Rule action = ActionPart();
        action.desktoptomode = c.mode;
        action.desktop = c.desktop;
        int at = Create(&e, action, "Tpl", 0, c.fromMonitor);
        ASSERT_GE(at, 0);
        EXPECT_EQ(c.want, At(at)->desktop);
    }
}

// "Decide from the window": the first main-window mode the style meets, and
// whether the window meets the mode kept.
TEST_F(CreateProfile, TheMainWindowConditionIsDecidedFromTheWindow)
{
    HWND parent = Window();
    static const struct {
        DWORD style;
        bool child;
        uint8_t wantMode, wantOn;
        const char* why;
    } kCases[] = {
        {WS_OVERLAPPEDWINDOW, false, 0, 1, "caption and system menu"},
        {WS_POPUP | WS_CAPTION, false, 1, 1, "a border: mode 1 comes first"},
        {WS_POPUP | WS_SYSMENU, false, 1, 1, "system menu only: mode 1 comes first"},
        {WS_POPUP, false, 3, 0, "no mode fits: the mode stays"},
        {WS_CHILD | WS_CAPTION | WS_SYSMENU, true, 3, 0, "a child window: the mode stays"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        HWND w = MakeStyled(c.style, "probe", c.child ? parent : nullptr);
        if (!c.child) windows.push_back(w);
        MonitoredWindow e = MadeUpEntry(w, "Doc", "Cls", "C:\\p.exe");
        Rule action = ActionPart();
        action.ignnonmain = 2;
        action.ignnonmainmode = 3;
        int at = Create(&e, action, "Tpl", 0, 0);
        ASSERT_GE(at, 0);
        EXPECT_EQ(c.wantMode, At(at)->ignnonmainmode);
        EXPECT_EQ(c.wantOn, At(at)->ignnonmain);
    }
}

//--- CreateOrUpdateRuleForWindow and UpdateProfileFromWindows

// A new rule from an update takes every placement field the template does
// not set for good.
TEST_F(CreateProfile, AnUpdateCapturesWhatTheTemplateLeavesOpen)
{
    AddTemplate(Template("Docs", 0, "Doc", CMP_CONTAINS));
    static const struct {
        void (*set)(Rule*);
        int x, y, w, h, state;
        const char* why;
    } kCases[] = {
        {[](Rule*) {}, 10, 20, 300, 200, 0, "nothing set: all five"},
        {[](Rule* a) { a->x = 7; }, 7, 20, 300, 200, 0, "\"This position\" with x set keeps x"},
        {[](Rule* a) { a->x = 7, a->movetomode = 1; }, 10, 20, 300, 200, 0, "\"Last position\" takes it"},
        {[](Rule* a) { a->w = 9, a->h = 8; }, 10, 20, 9, 8, 0, "\"This size\" with a size keeps it"},
        {[](Rule* a) { a->state = 2; }, 10, 20, 300, 200, 2, "a set state stays"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        c.set(&profile.pTemplates->data[0].rule);
        MonitoredWindow e = MadeUpEntry(Window(), "Doc", "Cls", "C:\\p.exe");
        e.x = 10, e.y = 20, e.width = 300, e.height = 200, e.state = 0;
        int64_t id = CreateOrUpdateRuleForWindow(&profile, &e, 0, 1);
        ASSERT_GE(id, 0);
        const Rule* r = At(profile.pRules->count - 1);
        EXPECT_EQ(id, (int64_t)r->id);
        if (c.state == 0) {
            EXPECT_EQ(c.x, r->x);
            EXPECT_EQ(c.y, r->y);
            EXPECT_EQ(c.w, r->w);
            EXPECT_EQ(c.h, r->h);
        }
        EXPECT_EQ(c.state, r->state);
        FreeGrowArray(profile.pRules);
        profile.pTemplates->data[0] = Template("Docs", 0, "Doc", CMP_CONTAINS);
    }
}

// An existing rule is re-captured whole or by its "Last ..." modes, or left
// alone when excluded; update-only makes nothing; a disabled profile and a
// window no template takes give -1.
TEST_F(CreateProfile, AnUpdateRecapturesOrLeavesAloneAndMakesOnlyWhatItMay)
{
    AddTemplate(Template("Docs", 0, "Doc", CMP_CONTAINS));
    Rule existing = AnyWindowRule(0);
    SET_CAPTION(&existing, "Kept", CMP_EQUALS);
    AddRule(existing);
    MonitoredWindow kept = MadeUpEntry(Window(), "Kept", "Cls", "C:\\p.exe");
    kept.x = 33;
    static const struct {
        int updateOnly, recapture;
        uint8_t excluded;
        int wantX;
        const char* why;
    } kCases[] = {
        {1, 1, 0, 33, "re-captured whole"},
        {1, 0, 0, VALUE_ANY, "only the \"Last ...\" fields: none here"},
        {0, 1, 1, VALUE_ANY, "excluded from updates"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        At(0)->x = VALUE_ANY;
        At(0)->exclfromupdt = c.excluded;
        EXPECT_EQ((int64_t)At(0)->id, CreateOrUpdateRuleForWindow(&profile, &kept, c.updateOnly, c.recapture));
        EXPECT_EQ(c.wantX, At(0)->x);
    }
    MonitoredWindow doc = MadeUpEntry(Window(), "Doc", "Cls", "C:\\p.exe");
    EXPECT_EQ(-1, CreateOrUpdateRuleForWindow(&profile, &doc, 1, 1)) << "update only";
    EXPECT_EQ(1, profile.pRules->count);
    MonitoredWindow other = MadeUpEntry(Window(), "Other", "Cls", "C:\\p.exe");
    EXPECT_EQ(-1, CreateOrUpdateRuleForWindow(&profile, &other, 0, 1)) << "no template";
    profile.bGenEnabled = 0;
    EXPECT_EQ(-1, CreateOrUpdateRuleForWindow(&profile, &doc, 0, 1)) << "disabled profile";
    EXPECT_EQ(1, profile.pRules->count);
    profile.bGenEnabled = 1;
    EXPECT_GE(CreateOrUpdateRuleForWindow(&profile, &doc, 0, 1), 0);
    EXPECT_EQ(2, profile.pRules->count);
}

// The update walks the table: closed entries and invisible windows without
// a title are passed over; an index takes one entry only.
TEST_F(CreateProfile, AnUpdateWalksTheTableOrOneEntry)
{
    AddTemplate(Template("All", 0, "", CMP_ANY));
    HWND visible = Window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Shown");
    HWND hidden = Window(WS_OVERLAPPEDWINDOW, "");
    HWND hiddenTitled = Window(WS_OVERLAPPEDWINDOW, "Titled");
    HWND closed = Window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Closed");
    g_windowTable[0] = MadeUpEntry(visible, "Shown", "A", "p");
    g_windowTable[1] = MadeUpEntry(hidden, "", "B", "p");
    g_windowTable[2] = MadeUpEntry(hiddenTitled, "Titled", "C", "p");
    g_windowTable[3] = MadeUpEntry(closed, "Closed", "D", "p");
    g_windowTable[3].event = WEV_CLOSED;
    g_windowCount = 4;
    UpdateProfileFromWindows(&profile, 2, 0, 1);
    ASSERT_EQ(1, profile.pRules->count);
    EXPECT_STREQ("Titled", At(0)->caption);
    UpdateProfileFromWindows(&profile, 7, 0, 1);
    EXPECT_EQ(1, profile.pRules->count) << "an index past the table";
    UpdateProfileFromWindows(&profile, -1, 0, 1);
    ASSERT_EQ(2, profile.pRules->count);
    EXPECT_STREQ("Shown", At(1)->caption);
}

//--- titles that settle

class SettleProfile : public CreateProfile {
protected:
    void SetUp() override
    {
        CreateProfile::SetUp();
        ASSERT_TRUE(EnterTableLock(10));
        ArrayAppend(&g_profiles, &profile);   // the list owns the lists now
        LeaveTableLock();
        profile = Profile{};
    }
    void TearDown() override
    {
        EnterTableLock(100);
        FreeProfiles();
        LeaveTableLock();
        CreateProfile::TearDown();
    }
    Profile* Listed() { return &g_profiles.data[0]; }
    // The rule's texts under the lock; "" when the rule is gone.
    std::string CaptionOf(uint32_t id, std::string* name = nullptr)
    {
        std::string caption;
        EnterTableLock(100);
        for (int i = 0; i < Listed()->pRules->count; i++)
            if (Listed()->pRules->data[i].id == id) {
                caption = Listed()->pRules->data[i].caption;
                if (name) *name = Listed()->pRules->data[i].name;
            }
        LeaveTableLock();
        return caption;
    }
    uint32_t MakeSettlingRule(HWND w, const char* title)
    {
        MonitoredWindow e = EntryOf(w);
        Rule action = ActionPart();
        action.titlex = 1;
        action.titlextime = 20000;
        CopyText(action.name, sizeof(action.name), "#TITLE# [#CLASS#]");
        EnterTableLock(100);
        int at = CreateRuleFromTemplate(Listed(), &e, &action, "Tpl", 0, 1);
        uint32_t id = at >= 0 ? Listed()->pRules->data[at].id : 0;
        LeaveTableLock();
        EXPECT_GE(at, 0);
        EXPECT_EQ(title, CaptionOf(id));
        return id;
    }
};

// A temporary title that turns into the real one: the rule takes the real
// title and is named after it.
TEST_F(SettleProfile, TheNewRuleTakesTheTitleTheWindowSettlesOn)
{
    HWND w = Window(WS_OVERLAPPEDWINDOW, "Loading...");
    uint32_t id = MakeSettlingRule(w, "Loading...");
    SetWindowTextA(w, "Ledger 2024");
    std::string name;
    EXPECT_TRUE(PumpUntil([&] { return CaptionOf(id, &name) == "Ledger 2024"; }, 10000)) << CaptionOf(id);
    EXPECT_EQ("Ledger 2024 [RuleCreateProbe]", name);
}

// When another rule already takes the window by its real title, the new
// rule is redundant and goes.
TEST_F(SettleProfile, TheNewRuleGoesWhenAnotherRuleTakesTheRealTitle)
{
    Rule real = AnyWindowRule(0);
    SET_CAPTION(&real, "Ledger 2024", CMP_EQUALS);
    real.id = (uint32_t)Listed()->nextRuleId++;
    ArrayAppend(Listed()->pRules, &real);
    HWND w = Window(WS_OVERLAPPEDWINDOW, "Loading...");
    uint32_t id = MakeSettlingRule(w, "Loading...");
    SetWindowTextA(w, "Ledger 2024");
    EXPECT_TRUE(PumpUntil([&] { return CaptionOf(id).empty(); }, 10000)) << CaptionOf(id);
    EnterTableLock(100);
    EXPECT_EQ(1, Listed()->pRules->count);
    LeaveTableLock();
}

// A thread whose rule or profile is gone ends at once, also while it waits.
TEST_F(SettleProfile, AThreadWhoseRuleOrProfileIsGoneEndsQuietly)
{
    HWND w = Window(WS_OVERLAPPEDWINDOW, "Loading...");
    uint32_t id = MakeSettlingRule(w, "Loading...");
    static const struct {
        bool otherProfile;
        bool deleteWhileWaiting;
        const char* why;
    } kCases[] = {
        {true, false, "the profile is not there"},
        {false, true, "the rule is deleted while the thread waits"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        TitleSettleContext* context = (TitleSettleContext*)calloc(1, sizeof(TitleSettleContext));
        CopyText(context->namePattern, sizeof(context->namePattern), "#TITLE#");
        context->rules = Listed()->pRules;
        CopyText(context->profileName, sizeof(context->profileName), c.otherProfile ? "Gone" : "Create");
        context->window = EntryOf(w);
        context->ruleId = id;
        HANDLE thread = CreateThread(nullptr, 0, TitleSettleThread, context, 0, nullptr);
        ASSERT_NE(nullptr, thread);
        if (c.deleteWhileWaiting) {
            EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(thread, 200)) << "waits while the rule is there";
            EnterTableLock(100);
            for (int i = 0; i < Listed()->pRules->count; i++)
                if (Listed()->pRules->data[i].id == id) DeleteProfileRule(Listed(), i);
            LeaveTableLock();
        }
        EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(thread, 10000)) << "the rule waits 20 s otherwise";
        CloseHandle(thread);
    }
}
