// ProfilesDialogFiles.cpp - the Profiles dialog's Imp and Exp: ".prfexp"
// files, whose contents are someone else's until the user says otherwise.
#include "engine/ProductStrings.h"
#include "engine/ProfileImport.h"
#include "engine/ProfileStore.h"
#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"
#include "ui/ProfilesDialogInternal.h"

#include <stdlib.h>

namespace {

const char kProfileFileFilter[] = "Profile Export Files (.prfexp)\0*.prfexp\0All files\0*.*\0";

void ReportImport(HWND dialog, int result, const char* path)
{
    const char* caption = AppText(IDS_PRODUCT_NAME);
    if (result == PROFILE_IMPORT_TOO_LARGE)
        AppMessageBox(&g_app, dialog, caption, AppText(IDS_PROFILE_IMPORT_TOO_BIG), MB_ZRP_WARNING | MB_ZRP_OK, 0,
                      RULE_IMPORT_MAX, path);
    else if (result == PROFILE_IMPORT_NO_MEMORY)
        AppMessageBox(&g_app, dialog, caption, AppText(IDS_PROFILES_NO_MEMORY), MB_ZRP_WARNING | MB_ZRP_OK, 0);
    else
        AppMessageBox(&g_app, dialog, caption, AppText(IDS_PROFILE_IMPORT_FAILED), MB_ZRP_WARNING | MB_ZRP_OK, 0,
                      path);
}

}  // namespace

void ImportProfileFile(HWND dialog)
{
    const char* chosen = FileDialog(false, kProfileFileFilter, nullptr);
    if (!chosen) return;
    char path[MAX_PATH];
    CopyText(path, sizeof(path), chosen);
    Profile* p = (Profile*)calloc(1, sizeof(Profile));
    if (!p) return;
    int result = ImportProfile(path, p);
    if (result != PROFILE_IMPORT_OK) {
        free(p);
        ReportImport(dialog, result, path);
        return;
    }
    // Its scripts could start programs: they run only when the user says so.
    if (ProfileHasScripts(p) &&
        AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_IMPORT_SCRIPTS),
                      MB_ZRP_QUESTION | MB_ZRP_YESNO | MB_ZRP_FORCENO, 0) != IDYES)
        TurnProfileScriptsOff(p);
    InsertNewProfile(dialog, p);
    free(p);
}

void ExportSelectedProfile(HWND dialog)
{
    int i = SelectedProfile();
    if (i < 0) return;
    char name[MAX_PATH];
    CopyText(name, sizeof(name), g_workingProfiles.data[i].szGenName);
    const char* chosen = FileDialog(true, kProfileFileFilter, name);
    if (!chosen) return;
    char path[MAX_PATH];
    CopyText(path, sizeof(path), chosen);
    i = SelectedProfile();
    if (i >= 0 && !ExportProfile(path, &g_workingProfiles.data[i]))
        AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_PROFILE_EXPORT_FAILED),
                      MB_ZRP_WARNING | MB_ZRP_OK, 0, path);
}
