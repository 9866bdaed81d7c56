// CommandTable.cpp - adding, finding and changing commands.
#include "framework/core/CommandTable.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/IdSearch.h"

int AddCommand(AppObject* app, uint16_t id, uint16_t type, uint32_t flags, uint16_t iconId,
               uint16_t stringId, intptr_t data, float widthFactor, float heightFactor)
{
    CommandEntry row = {};
    row.id = id;
    row.type = type;
    row.widthFactor = widthFactor;
    row.heightFactor = heightFactor;
    row.flags = flags | CMD_ADDED | CMD_ENABLED;
    row.iconId = iconId == 0xFFFF ? id : iconId;
    row.stringId = stringId == 0xFFFF ? id : stringId;
    row.data = data;

    GrowArray<CommandEntry>* t = &app->commands;
    int at;
    if (t->count == 0 || id < t->data[0].id) {
        at = 0;
    } else if (id > t->data[t->count - 1].id) {
        at = t->count;
    } else {
        // Upper bound of the rounded-up search keeps the order ascending.
        int lo = 0, hi = t->count - 1;
        while (hi - lo >= 2) {
            int mid = (lo + hi + 1) / 2;
            if (id < t->data[mid].id)
                hi = mid;
            else
                lo = mid;
        }
        at = id < t->data[lo].id ? lo : (id < t->data[hi].id ? hi : hi + 1);
    }
    return ArrayInsertAt(t, &row, at);
}

int FindCommandIndex(const AppObject* app, uint16_t id)
{
    return FindSortedId(app->commands.data, app->commands.count, id);
}

// The items are the toolkit's: the core only knows the hook that walks them.
void RedrawCommandItems(AppObject* app, uint16_t id)
{
    if (GetFrameworkHooks()->redrawCommandItems) GetFrameworkHooks()->redrawCommandItems(app, id);
}

int SetCommandChecked(AppObject* app, uint16_t id, bool checked)
{
    int at = FindCommandIndex(app, id);
    if (at < 0) return ZRP_ERR_COMMAND_ID;
    CommandEntry* c = &app->commands.data[at];
    uint32_t old = c->flags;
    c->flags = checked ? (old | CMD_CHECKED) : (old & ~CMD_CHECKED);
    if (c->flags != old) RedrawCommandItems(app, id);
    return 0;
}

int SetCommandEnabled(AppObject* app, uint16_t id, bool enabled)
{
    int at = FindCommandIndex(app, id);
    if (at < 0) return ZRP_ERR_COMMAND_ID;
    CommandEntry* c = &app->commands.data[at];
    uint32_t old = c->flags;
    c->flags = enabled ? (old | CMD_ENABLED) : (old & ~(CMD_ENABLED | CMD_HOT | CMD_PRESSED));
    if (c->flags == old) return 0;
    // A disabled item under the pointer leaves no help text behind; with no
    // window owning the menus there is none to remove.
    if (!enabled) {
        AppWindow* menuWindow = FindAppWindowById(app, app->menuWindowNumber);
        if (menuWindow) SetStatusText(menuWindow, -2, nullptr);
    }
    RedrawCommandItems(app, id);
    return 0;
}

int FindAcceleratorMatch(AppObject* app, uint16_t key, bool shift, bool ctrl, bool alt, HWND foreground)
{
    for (int i = 0; i < app->accelerators.count; i++) {
        const AcceleratorEntry& a = app->accelerators.data[i];
        if (a.key != key || (a.shift && !shift) || (a.ctrl && !ctrl) || (a.alt && !alt)) continue;
        if (a.windowNumber != 0xFFFF) {
            AppWindow* w = FindAppWindowById(app, a.windowNumber);
            if (!w) return ACCEL_STOP;
            if (w->window != foreground) continue;
        }
        return i;
    }
    return ACCEL_NONE;
}
