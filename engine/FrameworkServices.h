// FrameworkServices.h - hands the framework's UI and daily jobs down to its core.
#pragma once

// Fills the framework's hook table; called before AppInitialize.
void InstallFrameworkHooks();
