// HotkeyKeys.h - the key table of the hotkey field.
#pragma once

// Records each key's character and local name from the keyboard layout.
void FillHotkeyKeyTable();
