// ZipArchive.h - reading and writing ZIP archives (PKWARE format, optional
// traditional PKWARE encryption) for the records and configuration archives.
//
// The reader sits on minizip's unzip core; the writer is our own. Both hand out
// a ZipHandle and keep a last-error value of their own (per thread).
#pragma once

#include <windows.h>

#include <stdint.h>

//--- result codes, shared by reader and writer
#define ZIP_OK                0
#define ZIP_ERR_OPEN          0x200       // cannot open or create a file, or not a ZIP
#define ZIP_ERR_MAPPING       0x300       // cannot make a memory mapping
#define ZIP_ERR_WRITE         0x400       // a write failed
#define ZIP_ERR_NOT_FOUND     0x500       // entry not found
#define ZIP_MORE_DATA         0x600       // memory target filled before the entry's end
#define ZIP_ERR_LOCAL_HEADER  0x700       // local header disagrees with the central directory
#define ZIP_ERR_LOCAL_EXTRA   0x800       // local extra data cannot be read
#define ZIP_ERR_PASSWORD      0x1000      // wrong (or missing) password
#define ZIP_ERR_ARGS          0x10000     // bad arguments or a refused target name
#define ZIP_ERR_NO_BLOCK      0x20000     // the archive has no memory block
#define ZIP_ERR_BLOCK_SMALL   0x30000     // the memory block is too small
#define ZIP_ERR_STOPPED       0x40000     // an earlier failure stopped the writer
#define ZIP_ERR_FINISHED      0x50000     // central directory already written
#define ZIP_ERR_SHORT_WRITE   0x60000     // fewer bytes written than read
#define ZIP_ERR_KIND          0x80000     // handle of the wrong kind
#define ZIP_ERR_NO_TARGET     0x1000000   // nothing open to read from or write to
#define ZIP_ERR_SEEK          0x2000000   // the target cannot seek
#define ZIP_ERR_MISMATCH      0x4000000   // entry header and data disagree
#define ZIP_ERR_DATA          0x5000000   // read, decompression or CRC error

// Target or source kinds.
#define ZIP_KIND_HANDLE  1
#define ZIP_KIND_FILE    2
#define ZIP_KIND_MEMORY  3
#define ZIP_KIND_FOLDER  4   // AddZipEntry only

#define ZIP_HANDLE_READER 1
#define ZIP_HANDLE_WRITER 2

struct ZipHandle {
    uint32_t kind;     // ZIP_HANDLE_*
    void*    object;   // the reader or writer
};

struct ZipEntryInfo {
    int32_t  index;               // for the request -1: the number of entries
    char     name[MAX_PATH];      // cleaned and relative; empty when the stored name is refused
    uint32_t attributes;          // FILE_ATTRIBUTE_* bits
    FILETIME lastAccessTime;
    FILETIME creationTime;
    FILETIME lastWriteTime;
    uint32_t compressedSize;
    uint32_t uncompressedSize;
};

//--- reader
// Opens the archive for reading. The password (may be null) is used only for
// entries marked encrypted. Null with the reader's last error ZIP_ERR_OPEN.
// The middle word is ignored. Close with CloseZipReader().
ZipHandle* OpenZipArchive(const char* fileName, uint32_t, const char* password);
// Folder that relative extraction targets are placed under (default: the
// current directory at opening time). ZIP_ERR_ARGS when it cannot be used.
uint32_t SetZipReaderRoot(ZipHandle* reader, const char* folder);
// index -1 asks for the count (info->index). 0 or an error code.
uint32_t GetZipEntry(ZipHandle* reader, int32_t index, ZipEntryInfo* info);
// The entry's name as stored, unlike GetZipEntry's cleaned one, into name
// (260 characters). ZIP_ERR_ARGS, with name empty, also when the stored name
// is longer than 259 characters or holds a zero.
uint32_t GetZipEntryStoredName(ZipHandle* reader, int32_t index, char* name);
// Case-sensitive search of the stored names. 0 with the index, or
// ZIP_ERR_NOT_FOUND with index -1. The middle word is ignored.
uint32_t FindZipEntry(ZipHandle* handle, const char* name, uint32_t, int32_t* index);
// Extracts an entry to an open handle, a file name or a memory block (kind
// ZIP_KIND_*). With memory, ZIP_MORE_DATA means the block is full and the next
// call with the same index continues. A file name, relative or absolute, must
// resolve below the root folder; anything else is refused (ZIP_ERR_ARGS).
uint32_t UnzipEntry(ZipHandle* reader, int32_t index, void* target, uint32_t length, int kind);
// The last error (0); ZIP_ERR_ARGS for a null handle, ZIP_ERR_KIND for a writer.
uint32_t CloseZipReader(ZipHandle* handle);
uint32_t GetZipReaderError();
// Creates root (when given) and every missing folder of the relative path.
// True when the folder exists afterwards.
bool EnsureFolderPath(const char* root, const char* path);

//--- writer
// target: an open handle, a file name, a memory block (null: a page-file
// backed block of size bytes is made), by kind. Null with the writer's last
// error. Close with CloseZipWriter().
ZipHandle* CreateZipArchive(void* target, uint32_t size, int kind, const char* password);
// Adds one entry from an open handle, a file name, memory (length bytes) or
// as a folder (source unused). 0 or an error code.
uint32_t AddZipEntry(ZipHandle* writer, const char* name, const void* source, uint32_t length,
                     int kind);
// Writes the central directory; the archive is then finished.
uint32_t WriteZipCentralDirectory(ZipHandle* writer);
// A memory archive's block and its used length (borrowed: the writer owns it
// until CloseZipWriter). ZIP_ERR_NO_BLOCK for other targets.
uint32_t GetZipArchiveBlock(ZipHandle* writer, const uint8_t** block, uint32_t* length);
// Finishes the archive unless finished, releases everything; the result of
// finishing (0 when already finished). ZIP_ERR_ARGS null, ZIP_ERR_KIND reader.
uint32_t CloseZipWriter(ZipHandle* handle);
uint32_t GetZipWriterError();

//--- traditional PKWARE encryption, shared by reader and writer
struct ZipKeys {
    uint32_t k0, k1, k2;
};
void InitZipKeys(ZipKeys* keys, const char* password);
uint8_t DecryptZipByte(ZipKeys* keys, uint8_t cipher);
uint8_t EncryptZipByte(ZipKeys* keys, uint8_t plain);
// One random byte for an encryption header.
uint8_t NextZipHeaderByte();
