// DesktopIconsTest.cpp - desktop icons saved and restored in this process
// through the real cross-process path, against the helper desktop.
#include "engine/DesktopIcons.h"
#include "engine/DesktopListView.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"
#include "tests/engine/RecordTestUtil.h"
#include "tests/support/HelperDesktopClient.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <stddef.h>

#include <string>
#include <vector>

namespace {

const std::vector<HelperIcon> kDesktop = {
    {"Recycle Bin", 100, 50}, {"My File.txt", 200, 150}, {"Dup", 300, 250}, {"Dup", 400, 350}};
// The same desktop after its own positions were put back: both icons of a
// name go to the first saved place of that name.
const std::vector<HelperIcon> kRestored = {
    {"Recycle Bin", 100, 50}, {"My File.txt", 200, 150}, {"Dup", 300, 250}, {"Dup", 300, 250}};

// A second monitor left of the primary one: the virtual screen starts at (-1920, 0).
BOOL LeftOfPrimary(MONITORENUMPROC proc, LPARAM data)
{
    RECT left = {-1920, 0, 0, 1080}, primary = {0, 0, 1920, 1080};
    if (proc((HMONITOR)1, nullptr, &left, data)) proc((HMONITOR)2, nullptr, &primary, data);
    return TRUE;
}

std::string Describe(const std::vector<HelperIcon>& icons)
{
    std::string s;
    for (const HelperIcon& i : icons) s += i.name + "@" + std::to_string(i.x) + "," + std::to_string(i.y) + " ";
    return s;
}

std::string Describe(const GrowArray<DesktopIconEntry>* icons)
{
    std::string s;
    for (int32_t i = 0; icons && i < icons->count; i++)
        s += std::string(icons->data[i].name) + "@" + std::to_string(icons->data[i].pt.x) + "," +
             std::to_string(icons->data[i].pt.y) + " ";
    return s;
}

DesktopIconEntry Icon(const char* name, LONG x, LONG y)
{
    DesktopIconEntry e = {};
    CopyText(e.name, sizeof(e.name), name);
    e.pt = POINT{x, y};
    return e;
}

class DesktopIcons : public testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolderForThisTest();
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), folder.c_str());
        ASSERT_TRUE(InitProfile(&profile, true));
        RefreshMonitors();
    }
    void TearDown() override
    {
        StopTestWindow(&helper);
        FreeProfileLists(&profile);
        SetMonitorPlatform(nullptr);
        RefreshMonitors();
        g_app.dataFolder[0] = '\0';
    }
    // Starts the helper desktop and checks that it holds the icons where asked.
    void StartDesktop(const std::vector<HelperIcon>& icons = kDesktop, const std::string& lies = "")
    {
        ASSERT_TRUE(StartHelperDesktop(&helper, icons, false, lies));
        std::vector<HelperIcon> now;
        ASSERT_TRUE(ReadHelperIcons(&helper, &now));
        ASSERT_EQ(Describe(icons), Describe(now)) << "the helper's list view keeps positions as set";
    }
    std::vector<HelperIcon> Now()
    {
        std::vector<HelperIcon> now;
        EXPECT_TRUE(ReadHelperIcons(&helper, &now));
        return now;
    }
    HelperCounts Counts()
    {
        HelperCounts c;
        EXPECT_TRUE(ReadHelperCounts(&helper, &c));
        return c;
    }
    void SetProfileIcons(const std::vector<DesktopIconEntry>& icons)
    {
        profile.pIcons->count = 0;
        for (const DesktopIconEntry& e : icons) ASSERT_GE(ArrayAppend(profile.pIcons, &e), 0);
    }
    std::string folder;
    Profile profile = {};
    TestWindow helper;
};

// The icons of kDesktop where a save stores them: in screen coordinates.
std::vector<HelperIcon> SavedDesktop()
{
    MonitorTable t;
    GetMonitorSnapshot(&t);
    std::vector<HelperIcon> want = kDesktop;
    for (HelperIcon& i : want) i.x += t.screenX, i.y += t.screenY;
    return want;
}

std::vector<HelperIcon> Moved(std::vector<HelperIcon> icons, const char* name, long x, long y)
{
    for (HelperIcon& i : icons)
        if (i.name == name) i.x = x, i.y = y;
    return icons;
}

}  // namespace

// The 64-bit layout is this build's own list-view item; the 32-bit one is
// where a 32-bit shell looks.
TEST(DesktopListViewLayout, FollowsTheShellsBitness)
{
    ListViewItemLayout own = ListViewItemLayoutFor(false);
    EXPECT_EQ(offsetof(LVITEMA, pszText), own.textOffset);
    EXPECT_EQ(sizeof(((LVITEMA*)nullptr)->pszText), own.textPointerSize);
    EXPECT_EQ(offsetof(LVITEMA, cchTextMax), own.capacityOffset);
    ListViewItemLayout wow = ListViewItemLayoutFor(true);
    EXPECT_EQ(20u, wow.textOffset);
    EXPECT_EQ(4u, wow.textPointerSize);
    EXPECT_EQ(24u, wow.capacityOffset);
    EXPECT_GE((size_t)LISTVIEW_ITEM_BYTES, sizeof(LVITEMA));
}

TEST_F(DesktopIcons, SaveReplacesTheProfilesIconsWithEveryNameAndPosition)
{
    StartDesktop();
    SetProfileIcons({Icon("Stale", 1, 2)});
    ASSERT_EQ(ICONS_DONE, SaveDesktopIconsAsync(&profile, true));
    std::vector<HelperIcon> want = SavedDesktop();
    EXPECT_EQ(Describe(want), Describe(profile.pIcons));

    std::string path = folder + "\\Profile0.zpx";
    ASSERT_TRUE(SerializeProfile(1, path.c_str(), &profile, false));
    std::string text = RecordFileText(path);
    for (size_t i = 0; i < want.size(); i++) {
        std::string key = "Icon[" + std::to_string(i) + "].";
        EXPECT_NE(std::string::npos, text.find(Line(key + "name", want[i].name))) << key;
        EXPECT_NE(std::string::npos, text.find(Line(key + "pt.x", std::to_string(want[i].x)))) << key;
        EXPECT_NE(std::string::npos, text.find(Line(key + "pt.y", std::to_string(want[i].y)))) << key;
    }
    EXPECT_EQ(std::string::npos, text.find("Stale"));
    EXPECT_EQ(std::string::npos, text.find("Icon[4]"));
}

// Names are matched byte for byte; every icon of a saved name goes to the
// first saved place of that name; icons without a saved place stay.
TEST_F(DesktopIcons, RestoreMovesTheSavedNamesAndLeavesTheOthers)
{
    StartDesktop();
    SetProfileIcons({Icon("Dup", 700, 500), Icon("Recycle Bin", 10, 20), Icon("Dup", 5, 5), Icon("dup", 1, 1),
                     Icon("Gone", 60, 60)});
    std::vector<HelperIcon> want = {
        {"Recycle Bin", 10, 20}, {"My File.txt", 200, 150}, {"Dup", 700, 500}, {"Dup", 700, 500}};
    ASSERT_EQ(ICONS_DONE, RestoreDesktopIconsAsync(&profile, true));
    EXPECT_EQ(Describe(want), Describe(Now()));

    // The same from a thread of its own.
    SetProfileIcons({Icon("My File.txt", 222, 111)});
    EXPECT_EQ(ICONS_RUNNING, RestoreDesktopIconsAsync(&profile, false));
    want = Moved(want, "My File.txt", 222, 111);
    EXPECT_TRUE(PumpUntil([&] { return Describe(Now()) == Describe(want); }, 10000)) << Describe(Now());
}

// A folder window holds a list view of the same make as the desktop's, deeper
// down: only a top-level window's own view is the desktop.
TEST_F(DesktopIcons, FolderWindowsListViewIsNotTheDesktop)
{
    ASSERT_TRUE(StartHelperDesktop(&helper, kDesktop, true));
    HWND decoy = FindWindowA("CabinetWClass", "Decoy");
    ASSERT_NE(nullptr, decoy);
    HWND desktop = FindWindowA("Progman", nullptr);
    for (HWND w = GetTopWindow(nullptr); w && w != desktop; w = GetWindow(w, GW_HWNDNEXT))
        if (w == decoy) desktop = nullptr;
    ASSERT_EQ(nullptr, desktop) << "the decoy is enumerated before the desktop";
    ASSERT_EQ(ICONS_DONE, SaveDesktopIconsAsync(&profile, true));
    std::vector<HelperIcon> want = SavedDesktop();
    EXPECT_EQ(Describe(want), Describe(profile.pIcons));
}

// Positions are screen coordinates: the list view's plus the virtual screen's
// top-left corner.
TEST_F(DesktopIcons, VirtualScreenLeftOfThePrimaryIsStoredOffsetAndRestoredBack)
{
    StartDesktop();
    MonitorPlatform left = {LeftOfPrimary, nullptr, nullptr};
    SetMonitorPlatform(&left);
    ASSERT_EQ(ICONS_DONE, SaveDesktopIconsAsync(&profile, true));
    EXPECT_EQ("Recycle Bin@-1820,50 My File.txt@-1720,150 Dup@-1620,250 Dup@-1520,350 ", Describe(profile.pIcons));

    Profile away = {};
    ASSERT_TRUE(InitProfile(&away, true));
    DesktopIconEntry elsewhere[] = {Icon("Recycle Bin", 0, 0), Icon("My File.txt", 10, 10), Icon("Dup", 20, 20)};
    for (const DesktopIconEntry& e : elsewhere) ArrayAppend(away.pIcons, &e);
    EXPECT_EQ(ICONS_DONE, RestoreDesktopIconsAsync(&away, true));
    FreeProfileLists(&away);
    EXPECT_EQ("Recycle Bin@1920,0 My File.txt@1930,10 Dup@1940,20 Dup@1940,20 ", Describe(Now()));

    EXPECT_EQ(ICONS_DONE, RestoreDesktopIconsAsync(&profile, true));
    EXPECT_EQ(Describe(kRestored), Describe(Now()));
}

// A packed 16-bit position would wrap; the list view gets the whole point.
TEST_F(DesktopIcons, PositionsBeyondSixteenBitsArePutWhole)
{
    StartDesktop();
    SetProfileIcons({Icon("Recycle Bin", 70000, 40000), Icon("My File.txt", -300, 33000)});
    ASSERT_EQ(ICONS_DONE, RestoreDesktopIconsAsync(&profile, true));
    std::vector<HelperIcon> now = Now();
    ASSERT_EQ(4u, now.size());
    EXPECT_EQ(70000, now[0].x);
    EXPECT_EQ(40000, now[0].y);
    EXPECT_EQ(-300, now[1].x);
    EXPECT_EQ(33000, now[1].y);
}

TEST_F(DesktopIcons, DesktopRecordHoldsEveryIconAndPutsThemBack)
{
    StartDesktop();
    ASSERT_EQ(ICONS_DONE, SaveDesktopIconsAsync(3, true));
    char path[MAX_PATH];
    BuildRecordPath(DESKTOP_ICONS_RECORD, 3, path, RECORD_FOLDER_DATA);
    bool ok = false;
    std::string bytes = ReadWholeFile(path, &ok);
    ASSERT_TRUE(ok) << path;
    ASSERT_EQ(4 * sizeof(DesktopIconEntry), bytes.size());
    const DesktopIconEntry* saved = (const DesktopIconEntry*)bytes.data();
    MonitorTable t;
    GetMonitorSnapshot(&t);
    for (size_t i = 0; i < kDesktop.size(); i++) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(kDesktop[i].name.c_str(), saved[i].name);
        EXPECT_EQ(kDesktop[i].x + t.screenX, saved[i].pt.x);
        EXPECT_EQ(kDesktop[i].y + t.screenY, saved[i].pt.y);
    }

    SetProfileIcons({Icon("Recycle Bin", 0, 0), Icon("My File.txt", 0, 0), Icon("Dup", 0, 0)});
    ASSERT_EQ(ICONS_DONE, RestoreDesktopIconsAsync(&profile, true));
    ASSERT_EQ(ICONS_DONE, RestoreDesktopIconsAsync(3, true));
    EXPECT_EQ(Describe(kRestored), Describe(Now()));

    // A desktop without a record has nothing to put back.
    long before = Counts().set;
    EXPECT_EQ(ICONS_DONE, RestoreDesktopIconsAsync(7, true));
    EXPECT_EQ(before, Counts().set);
    EXPECT_EQ(ICONS_NOT_STARTED, SaveDesktopIconsAsync(65, true));
    EXPECT_EQ(ICONS_NOT_STARTED, RestoreDesktopIconsAsync(-1, true));
}

// A record is raw bytes: names that fill their field are cut at their last
// byte, and a short last entry is left out.
TEST_F(DesktopIcons, DamagedDesktopRecordIsReadSafely)
{
    std::string longName(259, 'Z');
    StartDesktop({{longName, 10, 10}, {"Dup", 20, 20}, {"Tail", 30, 30}});
    DesktopIconEntry unterminated = {};
    memset(unterminated.name, 'Z', sizeof(unterminated.name));
    unterminated.pt = POINT{111, 222};
    DesktopIconEntry dup = Icon("Dup", 333, 444);
    DesktopIconEntry tail = Icon("Tail", 555, 666);
    std::string bytes((const char*)&unterminated, sizeof(unterminated));
    bytes.append((const char*)&dup, sizeof(dup));
    bytes.append((const char*)&tail, sizeof(tail) - 1);
    ASSERT_EQ(bytes.size(), SaveRecord(DESKTOP_ICONS_RECORD, 5, bytes.data(), (uint32_t)bytes.size()));

    ASSERT_EQ(ICONS_DONE, RestoreDesktopIconsAsync(5, true));
    std::vector<HelperIcon> now = Now();
    ASSERT_EQ(3u, now.size());
    EXPECT_EQ(111, now[0].x) << "the full-width name is cut to 259 bytes and matches";
    EXPECT_EQ(222, now[0].y);
    EXPECT_EQ(333, now[1].x);
    EXPECT_EQ(30, now[2].x) << "the short last entry is not read";
}

TEST_F(DesktopIcons, WithoutTheDesktopListViewNothingIsReadWrittenOrLost)
{
    SetProfileIcons({Icon("Kept", 1, 2)});
    EXPECT_EQ(ICONS_NO_LISTVIEW, SaveDesktopIconsAsync(&profile, true));
    EXPECT_EQ("Kept@1,2 ", Describe(profile.pIcons));
    EXPECT_EQ(ICONS_NO_LISTVIEW, SaveDesktopIconsAsync(2, true));
    char path[MAX_PATH];
    BuildRecordPath(DESKTOP_ICONS_RECORD, 2, path, RECORD_FOLDER_DATA);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ICONS_NO_LISTVIEW, RestoreDesktopIconsAsync(&profile, true));

    // Positive control: the same calls reach the helper desktop.
    StartDesktop();
    EXPECT_EQ(ICONS_DONE, SaveDesktopIconsAsync(2, true));
    EXPECT_TRUE(FileExists(path));
}

// While a save works on the profile's list, a restore of it waits, and then
// puts back what the save read: only the second "Dup" moves, to the first.
TEST_F(DesktopIcons, SaveAndRestoreOfOneListTakeTurns)
{
    StartDesktop();
    SetProfileIcons({Icon("Dup", 700, 500), Icon("Recycle Bin", 10, 20)});
    std::string reply;
    ASSERT_TRUE(PipedStep(&helper, "hold", &reply));
    EXPECT_EQ(ICONS_RUNNING, SaveDesktopIconsAsync(&profile, false));
    ASSERT_TRUE(PumpUntil([&] { return Counts().held == 1; }, 10000)) << "the save reads the first label";
    EXPECT_EQ(ICONS_RUNNING, RestoreDesktopIconsAsync(&profile, false));
    ASSERT_TRUE(PipedStep(&helper, "release", &reply));
    // Two passes over four icons, each icon's place set again.
    ASSERT_TRUE(PumpUntil([&] { return Counts().set >= 8; }, 20000)) << Counts().set;
    EXPECT_EQ(Describe(kRestored), Describe(Now()));
    ASSERT_TRUE(EnterTableLock(100));
    std::string list = Describe(profile.pIcons);
    LeaveTableLock();
    EXPECT_EQ(Describe(SavedDesktop()), list);
}

// A save still running after its wait finds the profile's list freed and
// writes nothing: the memory the list had is someone else's by then.
TEST_F(DesktopIcons, SaveOutlivingItsWaitNeverWritesIntoAFreedList)
{
    StartDesktop();
    std::string reply;
    ASSERT_TRUE(PipedStep(&helper, "hold", &reply));
    EXPECT_EQ(ICONS_RUNNING, SaveDesktopIconsAsync(&profile, true));
    GrowArray<DesktopIconEntry>* old = profile.pIcons;
    FreeProfileLists(&profile);
    // The heap hands the freed block out again; fill every new one with a mark.
    const size_t n = 64;
    GrowArray<DesktopIconEntry>* blocks[n];
    bool reused = false;
    for (size_t i = 0; i < n; i++) {
        blocks[i] = (GrowArray<DesktopIconEntry>*)malloc(sizeof(GrowArray<DesktopIconEntry>));
        ASSERT_NE(nullptr, blocks[i]);
        memset(blocks[i], 0x5A, sizeof(*blocks[i]));
        blocks[i]->data = nullptr;
        blocks[i]->capacity = 0;
        reused = reused || blocks[i] == old;
    }
    ASSERT_TRUE(reused) << "the check needs the freed block in use again";
    ASSERT_TRUE(PipedStep(&helper, "release", &reply));
    // A direct restore runs once the save's work is over.
    ASSERT_EQ(ICONS_DONE, RestoreDesktopIconsAsync(9, true));
    EXPECT_EQ(4, Counts().text) << "the save read every label";
    for (size_t i = 0; i < n; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(0x5A5A5A5A, blocks[i]->count);
        EXPECT_EQ(nullptr, blocks[i]->data);
        free(blocks[i]);
    }
    ASSERT_TRUE(InitProfile(&profile, true));
}

//--- list views that claim more than they hold

const char kClaimsAllIcons[] = "--count 2147483647";

// 2^31 - 1 icons claimed, four held: a save and a restore go as far as the
// list goes, where going on to 65535 kept a thread busy and filled the
// profile with nameless icons.
TEST_F(DesktopIcons, CountBeyondTheIconsHeldGoesAsFarAsTheList)
{
    StartDesktop(kDesktop, kClaimsAllIcons);
    ASSERT_EQ(ICONS_DONE, SaveDesktopIconsAsync(&profile, true));
    EXPECT_EQ(Describe(SavedDesktop()), Describe(profile.pIcons));
    EXPECT_EQ(5, Counts().text) << "four labels and the first icon that is not there";

    SetProfileIcons({Icon("Dup", 700, 500)});
    ASSERT_EQ(ICONS_DONE, RestoreDesktopIconsAsync(&profile, true));
    EXPECT_EQ(Describe(Moved(kDesktop, "Dup", 700, 500)), Describe(Now()));
    EXPECT_EQ(5 + 5 + 4, Counts().text) << "the second pass stops where the first found the end";
}

// A list view that answers for every index, each label 20 ms late: going
// through 65535 icons would take 22 minutes; a save and a restore end after
// their time, the save with what it read.
TEST_F(DesktopIcons, ListViewWithoutEndIsWorkedForABoundedTime)
{
    StartDesktop(kDesktop, std::string(kClaimsAllIcons) + " --every --delay 20");
    // A direct restore of an empty desktop record needs only the work to be over.
    auto workOver = [] { return RestoreDesktopIconsAsync(9, true) != ICONS_RUNNING; };
    EXPECT_EQ(ICONS_RUNNING, SaveDesktopIconsAsync(&profile, false));
    ASSERT_TRUE(PumpUntil([&] { return Counts().text > 0; }, 10000)) << "the save began";
    ASSERT_TRUE(PumpUntil(workOver, 90000)) << "the save went on";
    ASSERT_TRUE(EnterTableLock(100));
    int32_t saved = profile.pIcons->count;
    LeaveTableLock();
    EXPECT_GT(saved, 4) << "what was read is kept";
    EXPECT_LT(saved, 65535);

    long asked = Counts().text;
    EXPECT_EQ(ICONS_RUNNING, RestoreDesktopIconsAsync(&profile, false));
    ASSERT_TRUE(PumpUntil([&] { return Counts().text > asked; }, 10000)) << "the restore began";
    ASSERT_TRUE(PumpUntil(workOver, 90000)) << "the restore went on";
}
