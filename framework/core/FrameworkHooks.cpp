// FrameworkHooks.cpp - the table of services handed down by the program.
#include "framework/core/FrameworkHooks.h"

#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"

#include <stdarg.h>
#include <stdlib.h>

static FrameworkHooks g_hooks;

void SetFrameworkHooks(const FrameworkHooks* hooks)
{
    g_hooks = hooks ? *hooks : FrameworkHooks{};
}

const FrameworkHooks* GetFrameworkHooks()
{
    return &g_hooks;
}

int AppShowMessage(AppObject* app, HWND owner, const char* caption, uint32_t flags,
                   const char* format, ...)
{
    char* text = (char*)malloc(4096);
    if (!text) return -666;
    va_list args;
    va_start(args, format);
    FormatTextV(text, 4096, format ? format : "", args);
    va_end(args);
    int button = g_hooks.showMessage ? g_hooks.showMessage(app, owner, caption, text, flags)
                                     : MessageBoxA(owner, text, caption, MB_OK);
    free(text);
    return button;
}

int AppAddCommandIcon(AppObject* app, uint16_t iconId, uint16_t resource)
{
    return g_hooks.addCommandIcon ? g_hooks.addCommandIcon(app, iconId, resource) : 0;
}

void AppSetColourMode(AppObject* app, uint8_t colourMode)
{
    if (g_hooks.refreshTheme)
        g_hooks.refreshTheme(app, colourMode);
    else
        app->appRecord.colourMode = colourMode;
}

int AppAddOwnerDrawnIcon(AppObject* app, uint16_t iconId, const uint16_t* size)
{
    return g_hooks.addOwnerDrawnIcon ? g_hooks.addOwnerDrawnIcon(app, iconId, size) : 0;
}
