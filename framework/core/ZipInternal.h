// ZipInternal.h - the reader object shared by the reader's .cpp files; not for
// use outside the ZIP module.
#pragma once

#include "framework/core/ZipArchive.h"

#include <unzip.h>

#define ZIP_PIECE_SIZE (16 * 1024)

struct ZipReader {
    unzFile      archive;        // minizip's state
    int32_t      openIndex;      // entry open for extraction, -1 none
    ZipEntryInfo cached;         // last information returned
    int32_t      cachedIndex;    // its index, -1 none
    char*        password;       // private copy, null when none
    uint8_t*     buffer;         // ZIP_PIECE_SIZE, made on the first extraction to a file
    char         root[MAX_PATH]; // ends with a backslash
    HANDLE       file;           // the archive file, read by minizip through us
    int32_t      entryCount;
    int32_t      position;       // entry minizip stands on, -1 unknown
    uint32_t     openRead;       // bytes of the open entry handed out so far
    uint32_t     openSize;       // the open entry's uncompressed size
};

// Sets the reader's last error and returns it.
uint32_t SetZipReaderError(uint32_t code);
// The reader of a handle, or null with the error (ZIP_ERR_ARGS, ZIP_ERR_KIND) set.
ZipReader* ReaderOfHandle(ZipHandle* handle);
// Positions minizip on an entry (index checked by the caller).
bool GoToZipEntry(ZipReader* reader, int32_t index);
// Closes the entry open for extraction, if any; its CRC check result is ignored.
void CloseOpenZipEntry(ZipReader* reader);
// Opens the current entry for extraction: the password only when the entry is
// encrypted, with the header's check byte tested. 0 or an error code.
uint32_t OpenCurrentZipEntry(ZipReader* reader, int32_t index);
// Reads the open entry into the block, at most length bytes; *got the count.
// 0 entry complete (CRC checked, entry closed), ZIP_MORE_DATA, or an error
// (entry closed).
uint32_t ReadOpenZipEntry(ZipReader* reader, uint8_t* block, uint32_t length, uint32_t* got);
// The stored name (storedLength bytes as the archive gives them) cleaned into
// out (MAX_PATH); empty when what is left is refused.
void CleanEntryName(const char* stored, uint32_t storedLength, char* out);
// A relative name that stays below its folder: no root, drive, stream or
// device prefix, no "." or ".." part, no part Windows would trim or open as a
// device, no character Windows forbids; one trailing separator is allowed.
bool IsSafeEntryName(const char* name);
