// ProfileSettingsInternal.h - what the Profile Settings frame and its pages
// share: the open dialog's record, the page messages and the field helpers.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "engine/LiveEdit.h"
#include "engine/ProfileRecord.h"

// Page messages: store the controls, show the data, update the enabling,
// and the change query (answered through DWLP_MSGRESULT).
#define WM_PAGE_STORE   (WM_USER + 1)
#define WM_PAGE_SHOW    (WM_USER + 2)
#define WM_PAGE_ENABLE  (WM_USER + 3)
#define WM_PAGE_CHANGED (WM_USER + 9)
// A page's answer to IDOK when it refuses.
#define PAGE_REFUSED 666

#define PROFILE_PAGE_COUNT 5
#define PAGE_GENERAL  0
#define PAGE_TRIGGER  1
#define PAGE_UPDATE   2
#define PAGE_ADVANCED 3
#define PAGE_RULES    4

// The open dialog; made by ShowProfileSettings, freed when it returns. Each
// page gets it as its WM_INITDIALOG parameter.
struct ProfileSettingsDialog {
    Profile         working;         // every page edits this copy
    Profile*        target;          // the caller's profile (live: as noted in ref)
    bool            live;
    LiveProfileRef  ref;
    char            openedName[260]; // the profile's name on opening
    int32_t         purgeDays;       // "Purge now!" asked for: purge these on OK; 0 not asked
    bool            stored;          // a page wrote its fields into the copy (an OK that was refused later)
    RuleTemplate    clipboard;       // the Rule Creation page's; empty while its name is
    HWND            frame;
    HWND            pages[PROFILE_PAGE_COUNT];
};

INT_PTR CALLBACK ProfileGeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProfileTriggerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProfileUpdatePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProfileAdvancedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProfileRuleCreationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

//--- helpers of the pages (ProfilePageFields.cpp)
// The answer of a page message.
INT_PTR PageAnswer(HWND page, LRESULT result);
void CheckBox(HWND page, int id, bool on);
bool Checked(HWND page, int id);
// A whole number in the field; false when it is empty or not one.
bool ReadWholeNumber(HWND page, int id, int32_t* value);
// The field's number clamped to [minimum, maximum]; empty or not a number
// gives otherwise.
int32_t ReadBoundedNumber(HWND page, int id, int32_t minimum, int32_t maximum, int32_t otherwise);
// Shows the number; VALUE_ANY shows as an empty field.
void ShowNumber(HWND page, int id, int32_t value);
// The field's number differs from value (empty or not a number counts as VALUE_ANY).
bool NumberDiffers(HWND page, int id, int32_t value);
// The field's text differs from text (byte for byte, at most size bytes).
bool TextDiffers(HWND page, int id, const char* text, int size);
// The four icon and Explorer buttons of the General and Update pages, on
// the working copy. True when it saved something into it.
bool RunCaptureButton(HWND page, ProfileSettingsDialog* d, int id);
// Hotkey-field rows: the check box enables its field and its label.
void EnableByCheck(HWND page, int check, int field, int unit);
