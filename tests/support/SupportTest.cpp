// SupportTest.cpp - the test window and the installation-record fixture work.
#include "framework/core/AppObject.h"
#include "installer/InstallRegistry.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestInstall.h"
#include "tests/support/TestWindowClient.h"

#include <gtest/gtest.h>

static DWORD ReadRecordSize()
{
    return ReadInstallRecord("PanelShepherd", nullptr, 0);
}

TEST(TestInstall, WritesTheRecordAndRemovesIt)
{
    TestInstall install;
    ASSERT_TRUE(BeginTestInstall("support_install", &install));
    EXPECT_EQ(1326u, ReadRecordSize());
    EXPECT_TRUE(FolderExists(install.installFolder + "\\Init"));
    EXPECT_FALSE(FolderExists(install.dataFolder)) << "start-up creates the data folder";
    EXPECT_TRUE(RemoveTestInstallRecord());
    EXPECT_EQ(0u, ReadRecordSize());
    EXPECT_TRUE(RemoveTestInstallRecord()) << "removing twice is fine";
}

TEST(TestWindow, ReportsItsOwnPlacementAfterEachStep)
{
    TestWindow w;
    ASSERT_TRUE(StartTestWindow(&w, "--title \"Support Probe\" --rect 50,60,300,200"));
    ASSERT_TRUE(IsWindow(w.hwnd));
    char title[64] = {};
    SendMessageTimeoutA(w.hwnd, WM_GETTEXT, sizeof(title), (LPARAM)title, SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    EXPECT_STREQ("Support Probe", title);

    TestWindowReport r;
    ASSERT_TRUE(TestWindowStep(&w, "report", &r));
    EXPECT_EQ(50, r.rect.left);
    EXPECT_EQ(60, r.rect.top);
    EXPECT_EQ(300, r.rect.right - r.rect.left);
    EXPECT_TRUE(r.visible);

    ASSERT_TRUE(TestWindowStep(&w, "move 120 130", &r));
    EXPECT_EQ(120, r.normal.left);
    EXPECT_EQ(130, r.normal.top);
    ASSERT_TRUE(TestWindowStep(&w, "size 320 240", &r));
    EXPECT_EQ(320, r.normal.right - r.normal.left);
    EXPECT_EQ(240, r.normal.bottom - r.normal.top);

    ASSERT_TRUE(TestWindowStep(&w, "min", &r));
    EXPECT_TRUE(r.iconic);
    EXPECT_EQ((UINT)SW_SHOWMINIMIZED, r.showCmd);
    EXPECT_EQ(120, r.normal.left) << "the normal rectangle survives minimising";
    ASSERT_TRUE(TestWindowStep(&w, "max", &r));
    EXPECT_TRUE(r.zoomed);
    ASSERT_TRUE(TestWindowStep(&w, "restore", &r));
    EXPECT_FALSE(r.zoomed);
    EXPECT_FALSE(r.iconic);
    EXPECT_EQ(120, r.rect.left);

    ASSERT_TRUE(TestWindowStep(&w, "title Renamed", &r));
    SendMessageTimeoutA(w.hwnd, WM_GETTEXT, sizeof(title), (LPARAM)title, SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    EXPECT_STREQ("Renamed", title);
    ASSERT_TRUE(TestWindowStep(&w, "hide", &r));
    EXPECT_FALSE(r.visible);
    EXPECT_FALSE(TestWindowStep(&w, "bogus")) << "unknown steps are refused";

    HWND hwnd = w.hwnd;
    StopTestWindow(&w);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }, 5000));
}
