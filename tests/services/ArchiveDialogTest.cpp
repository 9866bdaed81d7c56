// ArchiveDialogTest.cpp - dialog 50103: the record shown and stored, the
// templates checked on OK, and "Archive now!" never writing beside a
// scheduled job.
#include "framework/services/Archive.h"

#include "framework/services/ArchiveRes.h"
#include "tests/services/ArchiveTestUtil.h"

#include <atomic>
#include <string.h>
#include <thread>

static std::string ControlText(HWND dialog, int id)
{
    char text[512] = {};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

static std::string g_chosenFolder;

static bool AnswerFolder(const char*, char* folder)
{
    g_standIns.fileCalls.push_back(std::string("folder ") + folder);
    if (g_chosenFolder.empty()) return false;
    return CopyText(folder, MAX_PATH, g_chosenFolder.c_str());
}

class ArchiveDialog : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        backups = root + "\\backups";
        Write(data + "\\Options.zpx", "options");
        ArchiveSettings s = {};
        CopyText(s.folderTemplate, sizeof(s.folderTemplate), backups.c_str());
        CopyText(s.nameTemplate, sizeof(s.nameTemplate), "%PROGRAM%-now");
        s.automatic = 0;
        s.intervalDays = 21;
        s.keepCount = 4;
        s.lastArchive = 86400 * 100;
        Write(RecordPath(), std::string((const char*)&s, sizeof(s)));
        g_chosenFolder.clear();
        SetFolderDialogRunner(AnswerFolder);
    }
    void TearDown() override
    {
        SetFolderDialogRunner(nullptr);
        if (dialog) DestroyWindow(dialog);
        DeleteFileA(RecordPath().c_str());
        LoadArchiveSettings();
        ConfigFolderTest::TearDown();
    }
    std::string RecordPath() { return data + "\\(ZRP)Archive.zpx"; }
    ArchiveSettings ReadRecord()
    {
        ArchiveSettings s = {};
        std::string bytes = ReadWholeFile(RecordPath());
        if (bytes.size() == sizeof(s)) memcpy(&s, bytes.data(), sizeof(s));
        return s;
    }
    HWND Open()
    {
        dialog = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(IDD_ARCHIVE), nullptr, ArchiveSettingsDlgProc, 0);
        if (dialog) ShowWindow(dialog, SW_SHOW);
        return dialog;
    }
    void Command(int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)); }
    std::string Archive() { return backups + "\\PanelShepherd-now.BrimvaleConfig"; }

    std::string backups;
    HWND dialog = nullptr;
};

TEST_F(ArchiveDialog, ShowsTheRecordAndStoresItOnOk)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, IDX_ARCHIVE_AUTO));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDE_ARCHIVE_DAYS)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDT_ARCHIVE_DAYS)));
    EXPECT_EQ("21", ControlText(dialog, IDE_ARCHIVE_DAYS));
    EXPECT_EQ("4", ControlText(dialog, IDE_ARCHIVE_KEEP));
    EXPECT_EQ(backups, ControlText(dialog, IDE_ARCHIVE_FOLDER));
    EXPECT_EQ("%PROGRAM%-now", ControlText(dialog, IDE_ARCHIVE_NAME));
    EXPECT_EQ("PanelShepherd-now", ControlText(dialog, IDT_ARCHIVE_NAME_PREVIEW));

    // Ticking the box enables the interval; the previews follow the fields.
    CheckDlgButton(dialog, IDX_ARCHIVE_AUTO, BST_CHECKED);
    Command(IDX_ARCHIVE_AUTO);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDE_ARCHIVE_DAYS)));
    SetDlgItemTextA(dialog, IDE_ARCHIVE_FOLDER, "%CONFIGDIR%\\Saved");
    EXPECT_EQ(data + "\\Saved", ControlText(dialog, IDT_ARCHIVE_FOLDER_PREVIEW));

    // Browse starts at the expanded folder and takes the chosen one.
    g_chosenFolder = root + "\\chosen";
    Command(IDB_ARCHIVE_BROWSE);
    EXPECT_EQ(std::vector<std::string>({"folder " + data + "\\Saved"}), g_standIns.fileCalls);
    EXPECT_EQ(root + "\\chosen", ControlText(dialog, IDE_ARCHIVE_FOLDER));

    SetDlgItemTextA(dialog, IDE_ARCHIVE_DAYS, "40000");
    SetDlgItemTextA(dialog, IDE_ARCHIVE_KEEP, "0");
    Command(IDOK);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "ended";
    // Due at once: OK started the job. Read while the job stores its time,
    // the record could not be replaced.
    ASSERT_TRUE(PumpUntil([] { return !IsArchiving(); }, 20000));
    ArchiveSettings r = ReadRecord();
    EXPECT_EQ(1, r.automatic);
    EXPECT_EQ(9999, r.intervalDays);
    EXPECT_EQ(1, r.keepCount);
    EXPECT_EQ(root + "\\chosen", r.folderTemplate);
    EXPECT_STREQ("%PROGRAM%-now", r.nameTemplate);
    EXPECT_TRUE(FileExists(root + "\\chosen\\PanelShepherd-now.BrimvaleConfig"));
    EXPECT_NE(86400 * 100, ReadRecord().lastArchive);
}

TEST_F(ArchiveDialog, OkRefusesTemplatesThatDoNotExpand)
{
    ASSERT_TRUE(Open());
    const struct {
        int automatic;
        std::string folder, name, box;
        const char* why;
    } cases[] = {
        {1, "", "%PROGRAM%", "Please enter a valid path!", "no folder while archiving automatically"},
        {1, std::string(250, 'a') + "%PROGRAM%", "%PROGRAM%", "Please enter a valid path!", "a folder too long"},
        {0, "x", "", "Please enter a valid filename!", "no name"},
        {0, "x", std::string(250, 'a') + "%PROGRAM%", "Please enter a valid filename!", "a name too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        g_standIns.boxes.clear();
        CheckDlgButton(dialog, IDX_ARCHIVE_AUTO, c.automatic ? BST_CHECKED : BST_UNCHECKED);
        SetDlgItemTextA(dialog, IDE_ARCHIVE_FOLDER, c.folder.c_str());
        SetDlgItemTextA(dialog, IDE_ARCHIVE_NAME, c.name.c_str());
        Command(IDOK);
        EXPECT_EQ(std::vector<std::string>({c.box}), g_standIns.boxes);
        EXPECT_TRUE(IsWindowVisible(dialog)) << "stays open";
        EXPECT_EQ(backups, ReadRecord().folderTemplate) << "nothing stored";
    }
    // Without automatic archiving the folder may be empty; Default restores both templates.
    Command(IDB_ARCHIVE_DEFAULT);
    EXPECT_EQ("%CONFIGDIR%\\Backup", ControlText(dialog, IDE_ARCHIVE_FOLDER));
    EXPECT_EQ("%PROGRAM%-%YEAR%.%MONTH%.%DAY%", ControlText(dialog, IDE_ARCHIVE_NAME));
    CheckDlgButton(dialog, IDX_ARCHIVE_AUTO, BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDE_ARCHIVE_FOLDER, "");
    g_standIns.boxes.clear();
    Command(IDOK);
    EXPECT_TRUE(g_standIns.boxes.empty());
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_STREQ("%PROGRAM%-%YEAR%.%MONTH%.%DAY%", ReadRecord().nameTemplate);
}

// OK and "Archive now!" both say why an archive may not go where the fields
// put it, with the path it would have had; nothing is stored or written.
TEST_F(ArchiveDialog, RefusedTargetsAreExplained)
{
    ASSERT_TRUE(Open());
    const std::string importFile = ImportLocation();
    const std::string outside = backups + "\\..\\PanelShepherd.BrimvaleConfig";
    const struct {
        std::string folder, name, box;
        const char* why;
    } cases[] = {
        {"%CONFIGDIR%", "%PROGRAM%",
         "The archive would be written where the next start imports its configuration from, and replace the "
         "configuration at every start:\n" + importFile + "\nPlease choose another path or filename.",
         "the next start's import file"},
        {backups, "..\\%PROGRAM%",
         "The filename must name a file in the archive path, without a path of its own:\n" + outside,
         "a name that leaves the folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        CheckDlgButton(dialog, IDX_ARCHIVE_AUTO, BST_CHECKED);
        SetDlgItemTextA(dialog, IDE_ARCHIVE_FOLDER, c.folder.c_str());
        SetDlgItemTextA(dialog, IDE_ARCHIVE_NAME, c.name.c_str());
        g_standIns.boxes.clear();
        Command(IDOK);
        EXPECT_EQ(std::vector<std::string>({c.box}), g_standIns.boxes);
        EXPECT_TRUE(IsWindowVisible(dialog)) << "stays open";
        EXPECT_EQ(backups, ReadRecord().folderTemplate) << "nothing stored";
        g_standIns.boxes.clear();
        Command(IDB_ARCHIVE_NOW);
        EXPECT_EQ(std::vector<std::string>({c.box}), g_standIns.boxes);
        EXPECT_FALSE(FileExists(importFile));
        EXPECT_FALSE(FileExists(root + "\\PanelShepherd.BrimvaleConfig"));
    }
}

TEST_F(ArchiveDialog, ArchiveNowWritesWithTheFieldsAndReports)
{
    ASSERT_TRUE(Open());
    Command(IDB_ARCHIVE_NOW);
    EXPECT_EQ(std::vector<std::string>({"Archiving finished successfully!"}), g_standIns.boxes);
    EXPECT_EQ(3u, ReadArchiveEntries(Archive()).size()) << "product, options and the record";

    g_standIns.boxes.clear();
    Write(root + "\\blocker", "a file where the folder would be");
    SetDlgItemTextA(dialog, IDE_ARCHIVE_FOLDER, (root + "\\blocker\\sub").c_str());
    Command(IDB_ARCHIVE_NOW);
    EXPECT_EQ(std::vector<std::string>({"Could not create the archive file!\nPlease check the path and filename."}),
              g_standIns.boxes);
}

// While a scheduled job holds the claim, "Archive now!" waits with its button
// disabled and writes once the job is done.
TEST_F(ArchiveDialog, ArchiveNowWaitsForARunningJob)
{
    ASSERT_TRUE(Open());
    HWND button = GetDlgItem(dialog, IDB_ARCHIVE_NOW);
    ASSERT_TRUE(TryBeginArchiving());
    std::atomic<bool> sawWaiting(false), writtenWhileHeld(false);
    std::string archive = Archive();
    std::thread job([&] {
        // The dialog's thread is busy in its wait: poll the button to a deadline.
        DWORD end = GetTickCount() + 10000;
        while (IsWindowEnabled(button) && (LONG)(end - GetTickCount()) > 0) Sleep(1);
        sawWaiting = !IsWindowEnabled(button);
        writtenWhileHeld = FileExists(archive);
        EndArchiving();
    });
    Command(IDB_ARCHIVE_NOW);
    job.join();
    EXPECT_TRUE(sawWaiting);
    EXPECT_FALSE(writtenWhileHeld);
    EXPECT_TRUE(IsWindowEnabled(button));
    EXPECT_FALSE(IsArchiving());
    EXPECT_EQ(std::vector<std::string>({"Archiving finished successfully!"}), g_standIns.boxes);
    EXPECT_TRUE(FileExists(archive));
}
