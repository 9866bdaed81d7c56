// FrameworkHooks.h - what the framework's start-up and windows need from the
// layers above (theme, message box, key table, UI items, daily jobs). The
// program fills the table before AppInitialize; the core only knows its shape.
#pragma once

#include <windows.h>

#include <stdint.h>

struct AppObject;
struct AppWindow;

struct FrameworkHooks {
    // Shows a finished text; the button id. Null: the system's box.
    int (*showMessage)(AppObject* app, HWND owner, const char* caption, const char* text,
                       uint32_t flags);
    void (*fillKeyTable)();
    // 0, or a framework code that ends start-up.
    int (*initTheme)(AppObject* app);
    void (*createBaseFonts)(AppObject* app, const char* face, uint32_t pointSize, int dpi);
    // 0, or 0xF00A.
    int (*addCommandIcon)(AppObject* app, uint16_t iconId, uint16_t resource);
    // An icon the first application window draws (ZRPMSG_OWNERDRAWICON);
    // size: its width and height, kept by the caller for the theme's life.
    int (*addOwnerDrawnIcon)(AppObject* app, uint16_t iconId, const uint16_t* size);
    void (*freeTheme)(AppObject* app);
    // Stores the colour mode, recomputes the theme from it and redraws the
    // application windows.
    void (*refreshTheme)(AppObject* app, uint8_t colourMode);
    WNDPROC uiItemWndProc;
    // The dock bays of an application window: created per side while the
    // frame is built (index in the window's bay list, or -1), placed on every
    // resize (free: the client area, left with what the bays do not cover)
    // and destroyed with the window.
    int (*createDockBay)(AppWindow* record, int bayNumber, int side);
    void (*layoutDockBays)(AppWindow* record, RECT* free);
    void (*destroyDockBays)(AppWindow* record);
    // The update check and the backup, at start-up and once a day.
    void (*runScheduledJobs)(AppObject* app);
    // On the UI thread: opens the dialog of a newer version the check found.
    void (*showFoundUpdate)(AppObject* app);
    // Redraws at once every live UI item bound to the command.
    void (*redrawCommandItems)(AppObject* app, uint16_t id);
    // Opens the popup of a menu command at a point (null: the cursor) for an
    // owner window; false when nothing opened.
    bool (*openContextMenu)(AppObject* app, uint16_t id, const POINT* at, HWND owner);
    // The open menus' turn in the message filter while menu mode is on; true
    // when the message was consumed.
    bool (*filterMenuMessage)(AppObject* app, MSG* msg);
    // Closes every open menu and leaves menu mode.
    void (*closeMenus)(AppObject* app);
};

// Copies the table; entries left null do nothing (the message box falls back
// to the system's).
void SetFrameworkHooks(const FrameworkHooks* hooks);
const FrameworkHooks* GetFrameworkHooks();

// The framework message box with a formatted text (flag word of the box).
int AppShowMessage(AppObject* app, HWND owner, const char* caption, uint32_t flags,
                   const char* format, ...);
// Registers a command's icon through the theme; 0 when there is no theme.
int AppAddCommandIcon(AppObject* app, uint16_t iconId, uint16_t resource);
int AppAddOwnerDrawnIcon(AppObject* app, uint16_t iconId, const uint16_t* size);
// A new colour mode, or the system's colours changed under the current one:
// the theme follows at once. Without a theme only the mode is stored.
void AppSetColourMode(AppObject* app, uint8_t colourMode);
