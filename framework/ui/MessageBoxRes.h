// MessageBoxRes.h - ids of the framework message box's template.
#pragma once

#define IDD_MESSAGEBOX   50100
#define IDC_MSGBOX_ICON  50106   // owner-drawn system icon
#define IDT_MSGBOX_TEXT  50108   // the first line (the headline with 0x100)
#define IDT_MSGBOX_MORE  50109   // the lines after it
