// Theme.h - theme colours, base fonts and the command icons.
#pragma once

#include <stdint.h>

struct AppObject;

// 0, or a framework code that ends start-up.
int InitThemeColours(AppObject* app);
void CreateBaseFonts(AppObject* app, const char* face, uint32_t pointSize, int dpi);
// Registers the icon resource drawn for a command id; 0, or 0xF00A.
int AddCommandIcon(AppObject* app, uint16_t iconId, uint16_t resource);
// The icon resource registered for an id, or 0.
uint16_t FindCommandIconResource(uint16_t iconId);
void FreeTheme(AppObject* app);
