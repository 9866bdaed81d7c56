// FrameworkCommands.cpp - the commands of the window menu and their icons.
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/FrameworkHooks.h"

static const uint16_t kCaptionList[] = {0xF121, 0xF122, 0xF123, 0xF124, 0xFFFF};
static const uint16_t kColourList[] = {0xF131, 0xF132, 0xF133, 0xFFFF};
static const uint16_t kCustomList[] = {0xF134, 0xF135, 0xF136, 0xF137, 0xFFFF};
static const uint16_t kFontList[] = {0xF141, 0xF142, 0xFFFF};
static const uint16_t kLockList[] = {0xF151, 0xF152, 0xF153, 0xF154, 0xF155, 0xF000, 0xF156, 0xFFFF};
static const uint16_t kTransparencyList[] = {0xF161, 0xF000, 0xF162, 0xF163, 0xF164, 0xF165, 0xF166,
                                             0xF167, 0xF168, 0xF169, 0xF16A, 0xF000, 0xF16B, 0xFFFF};

// The Custom colour commands' icons are swatches the window draws itself.
static const uint16_t kSwatchIcon = 0xFFFF;
static const uint16_t kSwatchSize[2] = {16, 16};

struct FrameworkCommand {
    uint16_t id, type;
    uint32_t flags;
    uint16_t iconId, stringId;
    intptr_t data;
    uint16_t iconResource;   // 0: no icon registered before the command; kSwatchIcon: drawn
};

static const FrameworkCommand kCommands[] = {
    {0xF000, 4, 0x4, 0, 0xF000, 0, 0},
    {0xF001, 4, 0x1000000, 0, 0xF001, 0, 0},
    {0xF100, 3, 0x80, 0, 0xF002, -1, 0},
    {0xF105, 3, 0x80, 0, 0xF105, 0, 0},
    {0xF110, 1, 0x180, 0xF110, 0xF110, 0, 0xC354},
    {0xF111, 1, 0x180, 0xF111, 0xF111, 0, 0xC355},
    {0xF120, 3, 0x180, 0xF120, 0xF120, (intptr_t)kCaptionList, 0xC350},
    {0xF121, 1, 0x80, 0, 0xF121, 0, 0},
    {0xF122, 1, 0x80, 0, 0xF122, 0, 0},
    {0xF123, 1, 0x80, 0, 0xF123, 0, 0},
    {0xF124, 1, 0x80, 0, 0xF124, 0, 0},
    {0xF130, 3, 0x180, 0xF130, 0xF130, (intptr_t)kColourList, 0xC351},
    {0xF131, 1, 0x80, 0, 0xF131, 0, 0},
    {0xF132, 1, 0x80, 0, 0xF132, 0, 0},
    {0xF133, 3, 0x1000000, 0, 0xF133, (intptr_t)kCustomList, 0},
    {0xF134, 1, 0x180, 0xF134, 0xF134, 0, kSwatchIcon},
    {0xF135, 1, 0x180, 0xF135, 0xF135, 0, kSwatchIcon},
    {0xF136, 1, 0x180, 0xF136, 0xF136, 0, kSwatchIcon},
    {0xF137, 1, 0x180, 0xF137, 0xF137, 0, kSwatchIcon},
    {0xF140, 3, 0x180, 0xF140, 0xF140, (intptr_t)kFontList, 0xC352},
    {0xF141, 1, 0x80, 0, 0xF141, 0, 0},
    {0xF142, 1, 0x80, 0, 0xF142, 0, 0},
    {0xF150, 3, 0x180, 0xF150, 0xF150, (intptr_t)kLockList, 0xC353},
    {0xF151, 1, 0x80, 0, 0xF151, 0, 0},
    {0xF152, 1, 0x80, 0, 0xF152, 0, 0},
    {0xF153, 1, 0x80, 0, 0xF153, 0, 0},
    {0xF154, 1, 0x80, 0, 0xF154, 0, 0},
    {0xF155, 1, 0x80, 0, 0xF155, 0, 0},
    {0xF156, 1, 0x80, 0, 0xF156, 0, 0},
    {0xF160, 3, 0x180, 0xF160, 0xF160, (intptr_t)kTransparencyList, 0xC356},
};

int RegisterFrameworkCommands(AppObject* app)
{
    for (const FrameworkCommand& c : kCommands) {
        int icon = c.iconResource == kSwatchIcon ? AppAddOwnerDrawnIcon(app, c.iconId, kSwatchSize)
                   : c.iconResource                ? AppAddCommandIcon(app, c.iconId, c.iconResource)
                                                   : 0;
        if (icon != 0) return ZRP_ERR_ICON;
        if (AddCommand(app, c.id, c.type, c.flags, c.iconId, c.stringId, c.data, 0, 0) < 0)
            return ZRP_ERR_COMMAND;
    }
    for (uint16_t id = 0xF161; id <= 0xF16B; id++)
        if (AddCommand(app, id, 1, 0x80, 0, id, 0, 0, 0) < 0) return ZRP_ERR_COMMAND;
    if (AppAddCommandIcon(app, 0xF16C, 0xC357) != 0 || AppAddCommandIcon(app, 0xF16D, 0xC358) != 0)
        return ZRP_ERR_ICON;
    return 0;
}
