// RuleTestUtil.h - rules, profiles and monitored-window entries for the rule
// tests, and waits on a test window's own report.
#pragma once

#include "engine/Rules.h"
#include "engine/TemplateRecord.h"
#include "framework/core/TextUtil.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestWindowClient.h"

#include <gtest/gtest.h>

#include <string.h>

// A template whose title criterion takes caption by compare.
inline RuleTemplate TitleTemplate(const char* name, uint8_t item, const char* caption, uint8_t compare)
{
    RuleTemplate t;
    InitRuleTemplate(&t);
    CopyText(t.match.name, sizeof(t.match.name), name);
    t.match.item = item;
    SET_RULE_TEXT(&t.match, caption, caption);
    t.match.cmpcaption = compare;
    return t;
}

// A rule that matches every window: every criterion "Ignore", no main-window
// condition.
inline Rule AnyWindowRule(uint32_t id)
{
    Rule r;
    InitRule(&r);
    r.id = id;
    r.cmpcaption = r.cmpwndclss = r.cmpprogram = CMP_ANY;
    r.ignnonmain = 0;
    return r;
}

inline void SetCriterion(char* field, size_t cap, int16_t* length, uint8_t* compare,
                         const char* pattern, uint8_t mode)
{
    CopyText(field, cap, pattern);
    *length = (int16_t)strlen(field);
    *compare = mode;
}
#define SET_CAPTION(r, p, m) SetCriterion((r)->caption, sizeof((r)->caption), &(r)->captionlen, &(r)->cmpcaption, p, m)
#define SET_CLASS(r, p, m) SetCriterion((r)->wndclss, sizeof((r)->wndclss), &(r)->wndclsslen, &(r)->cmpwndclss, p, m)
#define SET_PROGRAM(r, p, m) SetCriterion((r)->program, sizeof((r)->program), &(r)->programlen, &(r)->cmpprogram, p, m)

// A profile whose rule list the test owns.
struct TestProfile {
    Profile profile = {};
    GrowArray<Rule> rules = {};
    TestProfile()
    {
        InitGrowArray(&rules);
        profile.pRules = &rules;
        profile.bGenEnabled = 1;
    }
    ~TestProfile() { FreeGrowArray(&rules); }
    TestProfile(const TestProfile&) = delete;
    TestProfile& operator=(const TestProfile&) = delete;
    Rule* Add(const Rule& r)
    {
        ArrayAppend(&rules, &r);
        return &rules.data[rules.count - 1];
    }
    Rule* ById(uint32_t id)
    {
        for (int i = 0; i < rules.count; i++)
            if (rules.data[i].id == id) return &rules.data[i];
        return nullptr;
    }
};

inline bool RuleHolds(const Rule* r, HWND w)
{
    for (int i = 0; i < r->windowCount; i++)
        if (r->windows[i] == w) return true;
    return false;
}

// A made-up entry with its texts and lengths.
inline MonitoredWindow MadeUpEntry(HWND hwnd, const char* title, const char* cls, const char* program)
{
    MonitoredWindow e = {};
    e.event = WEV_NEW;
    e.hwnd = hwnd;
    CopyText(e.title, sizeof(e.title), title);
    e.titleLength = (int32_t)strlen(e.title);
    CopyText(e.className, sizeof(e.className), cls);
    e.classLength = (int32_t)strlen(e.className);
    CopyText(e.program, sizeof(e.program), program);
    e.programLength = (int32_t)strlen(e.program);
    e.x = 100;
    e.y = 100;
    e.width = e.previousWidth = 400;
    e.height = 300;
    e.desktop = e.previousDesktop = DESKTOP_UNKNOWN;
    return e;
}

// The entry a monitor pass would make of a real window now.
inline MonitoredWindow EntryOf(HWND hwnd)
{
    MonitoredWindow e = MadeUpEntry(hwnd, "", "", "");
    e.titleLength = GetWindowTextA(hwnd, e.title, sizeof(e.title));
    e.classLength = GetClassNameA(hwnd, e.className, sizeof(e.className));
    e.programLength = GetWindowProgramPath(hwnd, e.program, sizeof(e.program));
    e.state = GetWindowGeometry(hwnd, &e.x, &e.y, &e.width, &e.height, &e.maximizedWidth,
                                &e.maximizedHeight);
    e.previousWidth = e.width;
    e.previousState = e.state;
    return e;
}

inline bool NormalIs(const TestWindowReport& r, int x, int y, int w, int h)
{
    return r.normal.left == x && r.normal.top == y && r.normal.right - r.normal.left == w &&
           r.normal.bottom - r.normal.top == h;
}

inline std::string RectText(const RECT& r)
{
    char t[96];
    FormatText(t, sizeof(t), "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
    return t;
}
