// InstallRecord.h - layout of the machine-wide installation record.
//
// The installer writes it as a REG_BINARY value named after the product under
// HKLM "Software\Brimvale"; start-up refuses any other size. The 260-character
// fields are not guaranteed to be terminated: read them with BoundedLength.
#pragma once

#include <stdint.h>

#define INSTALL_RECORD_KEY "Software\\Brimvale"

#pragma pack(push, 1)
struct InstallRecord {
    uint8_t  reserved[16];          // written by the installer, not read
    uint16_t useFixedDataFolder;    // nonzero: data lives in fixedDataFolder
    uint16_t appendUserName;        // nonzero: per-user folder gets "\<user>"
    char     installFolder[260];    // holds "Init" and the help file
    char     fixedDataFolder[260];
    char     aboutLink[260];
    char     updateAddress[260];
    char     downloadPage[260];
    uint8_t  reserved2[6];
};
#pragma pack(pop)
static_assert(sizeof(InstallRecord) == 1326, "installation record layout changed");
