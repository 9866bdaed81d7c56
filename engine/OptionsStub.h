// OptionsStub.h - the options fields start-up reads, at their defaults, until
// the options record is stored.
#pragma once

#include <windows.h>

#include <stdint.h>

struct OptionsRecord {
    int32_t  iCurProfile;
    uint8_t  bMonLogToFile, bMonIncludeEmpty, bAutoStart, bRunAsAdmin, bEnabled, bShowTrayIcon;
    uint16_t iHotKeyMain, iHotKeyTrigger, iHotKeyEnable, iHotKeyNew, iHotKeyUpdate, iHotKeyCreate,
        iHotKeyActive;
    uint8_t  bMinimizeToTray;
    uint16_t iHotKeySwitchDesktop, iHotKeyMoveWindow, iHotKeyPinWindow;
    uint8_t  bTogglePin;
    uint16_t iHotKeyUnPinWindow;
    uint8_t  bIndividualIcons;
    char     szUserDesktop[MAX_PATH];
    int32_t  iVDTPTimeout;
    uint16_t iHotKeyTrans, iHotKeyClkThr, iHotKeyNonTrans, iHotKeyAlwaysOnTop;
};
extern OptionsRecord Options;
// Reads (write false) or writes the options; 0 on success.
int SerializeOptions(bool write);
