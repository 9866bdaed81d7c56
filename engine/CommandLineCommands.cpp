// CommandLineCommands.cpp - the profile and state commands of a command line
// handed to the running instance (or of its own, right after start-up).
#include "engine/CommandLineCommands.h"

#include "engine/Engine.h"
#include "engine/LiveEdit.h"
#include "engine/MainDialogLink.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductIds.h"
#include "engine/ProfileConditions.h"
#include "engine/ProfileHotkeys.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/TrayIcon.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/CommandLine.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

static const char* FirstArgument(const CommandLineOption* option)
{
    return option->arguments.count > 0 ? option->arguments.data[0].text : nullptr;
}

static int ProfileIndex(const char* name)
{
    return name ? FindProfileByName(&g_profiles, name, -1) : -1;
}

static void ExecuteNamedProfile(const char* name)
{
    int index = ProfileIndex(name);
    if (index < 0) return;
    Profile* p = &g_profiles.data[index];
    MonitorTable live = {};
    RefreshMonitors();
    GetMonitorSnapshot(&live);
    if (ProfileConditionsMatch(p, &live, false) && p->bGenEnabled)
        ExecuteProfile(p, PROFILE_SOURCE_EVENT, EXECUTE_IF_ENABLED | EXECUTE_SCRIPT);
}

// A new profile named name: the current one without its hotkeys, inserted in
// name order. The current profile stays current wherever the copy sorts.
static void SaveAsNewProfile(const Profile* current, const char* name)
{
    Profile copy = {};
    if (!CopyProfile(current, &copy)) {
        FreeProfileLists(&copy);
        return;
    }
    copy.iTrgHotKey = 0;
    copy.iTrgHotKeyWin = 0;
    copy.iUpdHotKey = 0;
    CopyText(copy.szGenName, sizeof(copy.szGenName), name);
    MakeUniqueProfileName(copy.szGenName, &g_profiles, -1);
    char currentName[sizeof(current->szGenName)];
    CopyText(currentName, sizeof(currentName), current->szGenName);
    // The worker walks the list under the lock.
    if (!EnterTableLock(200)) {
        FreeProfileLists(&copy);
        return;
    }
    if (InsertProfileSorted(&g_profiles, &copy) < 0) FreeProfileLists(&copy);
    Options.iCurProfile = FindProfileByName(&g_profiles, currentName, -1);
    LeaveTableLock();
}

// The current profile copied over the profile at index; the copy is made
// first, so a copy that fails leaves the target as it was.
static void SaveOverProfile(const Profile* current, int index)
{
    Profile copy = {};
    if (!CopyProfile(current, &copy)) {
        FreeProfileLists(&copy);
        return;
    }
    LiveProfileRef noted = NoteLiveProfile(&g_profiles.data[index]);
    if (!EnterTableLock(200)) {
        FreeProfileLists(&copy);
        return;
    }
    Profile* target = FindLiveProfile(&noted);
    if (!target) {
        LeaveTableLock();
        FreeProfileLists(&copy);
        return;
    }
    CopyText(copy.szGenName, sizeof(copy.szGenName), target->szGenName);
    FreeProfileLists(target);
    *target = copy;
    LeaveTableLock();
}

static void SaveCurrentProfile(const char* name)
{
    const Profile* current = CurrentProfile();
    if (!current) return;
    if (name) {
        int index = ProfileIndex(name);
        if (index < 0)
            SaveAsNewProfile(current, name);
        else if (index != Options.iCurProfile)
            SaveOverProfile(current, index);
    }
    SerializeOptions(1);
    StoreTreeExpandState();
    SaveProfiles();
    RegisterProfileHotKeys(&g_profiles, 1);
    if (g_mainDialog) FillProfileCombo();
}

// Names are compared byte for byte: "-profile" is no command.
static void RunOption(const CommandLineOption* option)
{
    const char* name = option->name;
    const char* argument = FirstArgument(option);
    if (strcmp(name, "-PROFILE") == 0) {
        if (argument) SwitchProfile(ProfileIndex(argument), PROFILE_SOURCE_USER, 1, 1);
    } else if (strcmp(name, "-LOAD") == 0) {
        if (argument) SwitchProfile(ProfileIndex(argument), PROFILE_SOURCE_USER, 0, 0);
    } else if (strcmp(name, "-EXECUTE") == 0) {
        if (argument) ExecuteNamedProfile(argument);
    } else if (strcmp(name, "-SAVE") == 0) {
        SaveCurrentProfile(argument);
    } else if (strcmp(name, "-ALLWIN") == 0) {
        CallMainDialogCommand(MAIN_DIALOG_ALLWIN);
    } else if (strcmp(name, "-UPDATE") == 0) {
        CallMainDialogCommand(MAIN_DIALOG_UPDATE);
    } else if (strcmp(name, "-ENABLE") == 0) {
        SetProgramEnabled(1);
    } else if (strcmp(name, "-DISABLE") == 0) {
        SetProgramEnabled(0);
    }
}

// The hand-over's text until its step runs.
struct HandedOver {
    char text[sizeof(g_app.commandLine)];
};

static bool RunHandedOver(void* context)
{
    const HandedOver* handed = (const HandedOver*)context;
    ParseCommandLine(&g_app, handed->text);
    // Waiting for the table lock pumps messages, so another hand-over may
    // parse its command line meanwhile: this walk keeps a list of its own.
    GrowArray<CommandLineOption> options = g_app.options;
    InitGrowArray(&g_app.options);
    for (int i = 0; i < options.count; i++) RunOption(&options.data[i]);
    if (g_app.options.data) {
        for (int i = 0; i < options.count; i++) FreeGrowArray(&options.data[i].arguments);
        FreeGrowArray(&options);
    } else {
        g_app.options = options;
    }
    return true;
}

void RunCommandLineCommands()
{
    // As long as the longest command line that start-up writes, and its end.
    HandedOver* handed = (HandedOver*)calloc(1, sizeof(HandedOver));
    if (!handed) return;
    uint32_t length = ReadRecordFile("(ZRP)Cmd", handed->text, sizeof(handed->text) - 1);
    handed->text[length] = '\0';
    ParseCommandLine(&g_app, handed->text);
    if (g_app.options.count == 0) {
        free(handed);
        SendMessageA(g_mainWindow, ZRPMSG_NEWCOMMANDLINE, NEWCOMMANDLINE_OPEN_DIALOG, 0);
        return;
    }
    // The record is read now (the next hand-over writes it again); the
    // commands run as one live edit, after whatever runs or waits now.
    RunLiveEdit(RunHandedOver, handed);
}
