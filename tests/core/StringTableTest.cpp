// StringTableTest.cpp - looking texts up by id, column and language.
#include "engine/FrameworkServices.h"
#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/IdSearch.h"
#include "framework/core/StringTable.h"
#include "framework/ui/MessageBox.h"

#include <gtest/gtest.h>

#include <string>


class StringTables : public testing::Test {
protected:
    void SetUp() override
    {
        strings = {};
        strings.frameworkTables[0] = g_frameworkStrings;
        strings.frameworkCount = SortStringTable(g_frameworkStrings);
        strings.productTables[0] = g_productStrings;
        strings.productCount = SortStringTable(g_productStrings);
    }
    StringTable strings;
};

TEST_F(StringTables, LookupByIdAndColumn)
{
    EXPECT_STREQ("PanelShepherd", GetAppString(&strings, 0, 0));
    EXPECT_STREQ("Quit PanelShepherd", GetAppString(&strings, 1020, 0));
    EXPECT_STREQ("Enable PanelShepherd", GetAppString(&strings, 1011, 3));
    EXPECT_STREQ("Could not initialize the program!", GetAppString(&strings, 5006, 0));
    EXPECT_STREQ("Error initializing the application!\nError code 0x%08X.", GetAppString(&strings, 0xF003, 0));
    EXPECT_STREQ("No", GetAppString(&strings, 0xF200, 5));
    EXPECT_STREQ("Update Check", GetAppString(&strings, 0xF00C, 11));

    EXPECT_EQ(nullptr, GetAppString(&strings, 0x0001, 0)) << "missing id";
    EXPECT_EQ(nullptr, GetAppString(&strings, 0xF001, 0)) << "missing framework id";
    EXPECT_EQ(nullptr, GetAppString(&strings, 0xFFFF, 0)) << "the end mark is never a text";
    EXPECT_EQ(nullptr, GetAppString(&strings, 0, 16)) << "column 16";
    EXPECT_EQ(nullptr, GetAppString(&strings, 0, -1));
    EXPECT_EQ(nullptr, GetAppString(&strings, 1020, 1)) << "a row whose column is absent";
    EXPECT_EQ(nullptr, GetAppString(nullptr, 0, 0));
}

TEST_F(StringTables, SecondLanguageFallsBackForProductTextsOnly)
{
    strings.language = 1;
    EXPECT_STREQ("PanelShepherd", GetAppString(&strings, 0, 0)) << "product ids come from language 0";
    EXPECT_EQ(nullptr, GetAppString(&strings, 0xF003, 0)) << "language 1 has no framework table";

    // Callers that format with a missing text get an empty one, never a crash.
    g_app.strings = strings;
    InstallFrameworkHooks();
    static std::string shown;
    SetMessageBoxHook([](const char*, const char* text, uint32_t) {
        shown = text;
        return IDOK;
    });
    ShowStartupError(&g_app, 0xF016);
    SetMessageBoxHook(nullptr);
    EXPECT_EQ("", shown);
    g_app.strings = StringTable{};
}

TEST(StringTableSort, UnsortedRowsAreFoundAfterSorting)
{
    StringTableEntry rows[] = {
        {30, {"thirty"}}, {10, {"ten"}}, {20, {"twenty"}}, {5, {"five"}}, {0xFFFF, {}}};
    ASSERT_EQ(4, SortStringTable(rows));
    EXPECT_EQ(5, rows[0].id);
    EXPECT_EQ(30, rows[3].id);
    EXPECT_EQ(0xFFFF, rows[4].id) << "the end mark stays last";
    StringTable s = {};
    s.productTables[0] = rows;
    s.productCount = 4;
    for (uint16_t id : {5, 10, 20, 30}) EXPECT_NE(nullptr, GetAppString(&s, id, 0)) << id;
    EXPECT_EQ(0, SortStringTable(nullptr));
}

TEST(SortedIdSearch, EveryRowOfSmallTablesIsFound)
{
    struct Row {
        uint16_t id;
    };
    // Every table size from 0 to 9 rows: each present id found, each gap not.
    for (int n = 0; n < 10; n++) {
        Row rows[10];
        for (int i = 0; i < n; i++) rows[i].id = (uint16_t)(10 + 10 * i);
        for (int i = 0; i < n; i++) EXPECT_EQ(i, FindSortedId(rows, n, rows[i].id)) << n << " rows";
        EXPECT_EQ(-1, FindSortedId(rows, n, 5)) << n << " rows";
        EXPECT_EQ(-1, FindSortedId(rows, n, 15)) << n << " rows";
        EXPECT_EQ(-1, FindSortedId(rows, n, 1000)) << n << " rows";
    }
    EXPECT_EQ(-1, FindSortedId((Row*)nullptr, 3, 10));
}
