// ZipReader.cpp - opening archives, entry information, names, search and close.
#include "framework/core/ZipInternal.h"

#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

static thread_local uint32_t g_readerError = 0;

uint32_t SetZipReaderError(uint32_t code)
{
    g_readerError = code;
    return code;
}

uint32_t GetZipReaderError()
{
    return g_readerError;
}

ZipReader* ReaderOfHandle(ZipHandle* handle)
{
    if (!handle || !handle->object) {
        SetZipReaderError(ZIP_ERR_ARGS);
        return nullptr;
    }
    if (handle->kind != ZIP_HANDLE_READER) {
        SetZipReaderError(ZIP_ERR_KIND);
        return nullptr;
    }
    return (ZipReader*)handle->object;
}

//--- minizip reads the archive through our file handle

static voidpf ZCALLBACK IoOpen(voidpf opaque, const void*, int)
{
    ZipReader* reader = (ZipReader*)opaque;
    return reader->file != INVALID_HANDLE_VALUE ? (voidpf)reader : nullptr;
}

static uLong ZCALLBACK IoRead(voidpf, voidpf stream, void* buffer, uLong size)
{
    DWORD got = 0;
    if (!ReadFile(((ZipReader*)stream)->file, buffer, size, &got, nullptr)) return 0;
    return got;
}

static uLong ZCALLBACK IoWrite(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

static ZPOS64_T ZCALLBACK IoTell(voidpf, voidpf stream)
{
    LARGE_INTEGER zero = {}, position = {};
    if (!SetFilePointerEx(((ZipReader*)stream)->file, zero, &position, FILE_CURRENT))
        return (ZPOS64_T)-1;
    return (ZPOS64_T)position.QuadPart;
}

static long ZCALLBACK IoSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    DWORD method = origin == ZLIB_FILEFUNC_SEEK_CUR   ? FILE_CURRENT
                   : origin == ZLIB_FILEFUNC_SEEK_END ? FILE_END
                                                      : FILE_BEGIN;
    LARGE_INTEGER distance;
    distance.QuadPart = (LONGLONG)offset;
    return SetFilePointerEx(((ZipReader*)stream)->file, distance, nullptr, method) ? 0 : -1;
}

// The reader owns the file and closes it itself.
static int ZCALLBACK IoClose(voidpf, voidpf)
{
    return 0;
}

static int ZCALLBACK IoError(voidpf, voidpf)
{
    return 0;
}

static void FreeReader(ZipReader* reader)
{
    if (!reader) return;
    if (reader->archive) unzClose(reader->archive);
    if (reader->file != INVALID_HANDLE_VALUE) CloseHandle(reader->file);
    free(reader->password);
    free(reader->buffer);
    free(reader);
}

static void SetRootFolder(char* root, const char* folder)
{
    root[0] = '\0';
    if (!folder || !folder[0]) return;
    CopyText(root, MAX_PATH - 1, folder);
    size_t n = strlen(root);
    if (root[n - 1] != '\\' && root[n - 1] != '/') {
        root[n] = '\\';
        root[n + 1] = '\0';
    }
}

// minizip cannot find an end record at offset 0, which is all an archive
// without entries has; such an archive reads as empty here instead.
static bool IsEmptyArchive(HANDLE file)
{
    uint8_t end[23] = {};
    DWORD got = 0;
    LARGE_INTEGER zero = {};
    if (file == INVALID_HANDLE_VALUE || !SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) ||
        !ReadFile(file, end, sizeof(end), &got, nullptr) || got != 22)
        return false;
    static const uint8_t kEmpty[22] = {'P', 'K', 5, 6};
    return memcmp(end, kEmpty, sizeof(kEmpty)) == 0;
}

ZipHandle* OpenZipArchive(const char* fileName, uint32_t, const char* password)
{
    SetZipReaderError(ZIP_ERR_OPEN);
    if (!fileName || !fileName[0]) return nullptr;
    ZipReader* reader = (ZipReader*)calloc(1, sizeof(ZipReader));
    ZipHandle* handle = (ZipHandle*)calloc(1, sizeof(ZipHandle));
    if (!reader || !handle) {
        free(reader);
        free(handle);
        return nullptr;
    }
    reader->file = INVALID_HANDLE_VALUE;
    reader->openIndex = -1;
    reader->cachedIndex = -1;
    reader->position = -1;
    if (password && password[0]) {
        reader->password = _strdup(password);
        if (!reader->password) {
            FreeReader(reader);
            free(handle);
            return nullptr;
        }
    }
    char current[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof(current), current);
    SetRootFolder(reader->root, n > 0 && n < sizeof(current) ? current : nullptr);

    reader->file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    zlib_filefunc64_def io = {IoOpen, IoRead, IoWrite, IoTell, IoSeek, IoClose, IoError, reader};
    if (reader->file != INVALID_HANDLE_VALUE) reader->archive = unzOpen2_64(fileName, &io);
    unz_global_info64 global = {};
    bool opened = reader->archive && unzGetGlobalInfo64(reader->archive, &global) == UNZ_OK;
    if (!opened && !IsEmptyArchive(reader->file)) {
        FreeReader(reader);
        free(handle);
        return nullptr;
    }
    // A ZIP64 directory could claim more; our indices are 32-bit signed.
    reader->entryCount = global.number_entry > (ZPOS64_T)INT32_MAX - 1 ? INT32_MAX - 1
                                                                       : (int32_t)global.number_entry;
    reader->position = reader->entryCount > 0 ? 0 : -1;
    handle->kind = ZIP_HANDLE_READER;
    handle->object = reader;
    SetZipReaderError(ZIP_OK);
    return handle;
}

uint32_t SetZipReaderRoot(ZipHandle* handle, const char* folder)
{
    ZipReader* reader = ReaderOfHandle(handle);
    if (!reader) return GetZipReaderError();
    char full[MAX_PATH];
    DWORD n = folder && folder[0] ? GetFullPathNameA(folder, sizeof(full), full, nullptr) : 0;
    if (n == 0 || n >= sizeof(full) - 1) return SetZipReaderError(ZIP_ERR_ARGS);
    SetRootFolder(reader->root, full);
    return SetZipReaderError(ZIP_OK);
}

bool GoToZipEntry(ZipReader* reader, int32_t index)
{
    if (reader->position < 0 || index < reader->position) {
        if (unzGoToFirstFile(reader->archive) != UNZ_OK) {
            reader->position = -1;
            return false;
        }
        reader->position = 0;
    }
    while (reader->position < index) {
        if (unzGoToNextFile(reader->archive) != UNZ_OK) {
            reader->position = -1;
            return false;
        }
        reader->position++;
    }
    return true;
}

void CloseOpenZipEntry(ZipReader* reader)
{
    if (reader->openIndex >= 0) unzCloseCurrentFile(reader->archive);
    reader->openIndex = -1;
}

// Name of the current entry, cut at 259 characters; its stored length.
static bool CurrentEntryName(ZipReader* reader, unz_file_info64* info, char* name)
{
    if (unzGetCurrentFileInfo64(reader->archive, info, name, MAX_PATH, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
        return false;
    name[info->size_filename < MAX_PATH - 1 ? info->size_filename : MAX_PATH - 1] = '\0';
    return true;
}

//--- attributes and times

static uint32_t EntryAttributes(const unz_file_info64* info, const char* name)
{
    uint32_t host = (info->version >> 8) & 0xFF;
    uint32_t external = info->external_fa;
    uint32_t attributes;
    if (host == 0 || host == 7 || host == 11 || host == 14) {
        attributes = external & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
                                 FILE_ATTRIBUTE_ARCHIVE);
    } else {
        attributes = FILE_ATTRIBUTE_ARCHIVE;
        if (external & (1u << 30)) attributes |= FILE_ATTRIBUTE_DIRECTORY;   // Unix S_IFDIR
        if (!(external & (1u << 23))) attributes |= FILE_ATTRIBUTE_READONLY;  // no owner write
    }
    // Some writers leave the attributes empty; a trailing separator still says folder.
    size_t n = strlen(name);
    if (n > 0 && IsPathSeparator(name[n - 1])) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    return attributes;
}

static FILETIME UnixToFileTime(uint32_t seconds)
{
    uint64_t value = (uint64_t)seconds * 10000000ull + 116444736000000000ull;
    FILETIME ft;
    ft.dwLowDateTime = (DWORD)value;
    ft.dwHighDateTime = (DWORD)(value >> 32);
    return ft;
}

// The first "UT" block of the local extra data gives the times it flags.
static void ReadExtendedTimes(const uint8_t* extra, size_t size, ZipEntryInfo* info)
{
    size_t p = 0;
    while (p + 4 <= size) {
        uint32_t tag = extra[p] | (uint32_t)extra[p + 1] << 8;
        size_t len = extra[p + 2];
        const uint8_t* data = extra + p + 4;
        size_t avail = size - (p + 4);
        if (len > avail) len = avail;
        if (tag == 0x5455) {
            if (len < 1) return;
            uint8_t flags = data[0];
            size_t q = 1;
            FILETIME* slots[3] = {&info->lastWriteTime, &info->lastAccessTime, &info->creationTime};
            for (int bit = 0; bit < 3; bit++) {
                if (!(flags & (1 << bit))) continue;
                if (q + 4 > len) return;
                uint32_t seconds = data[q] | (uint32_t)data[q + 1] << 8 |
                                   (uint32_t)data[q + 2] << 16 | (uint32_t)data[q + 3] << 24;
                *slots[bit] = UnixToFileTime(seconds);
                q += 4;
            }
            return;
        }
        p += 4 + len;
    }
}

// Checks the local header against the central directory and reads its extra
// data into a new block (caller frees). 0 or an error code.
static uint32_t ReadLocalExtra(ZipReader* reader, uint8_t** extra, int* size)
{
    *extra = nullptr;
    *size = 0;
    int method = 0, level = 0;
    int rc = unzOpenCurrentFile3(reader->archive, &method, &level, 1, nullptr);
    if (rc != UNZ_OK) return rc == UNZ_BADZIPFILE ? ZIP_ERR_LOCAL_HEADER : ZIP_ERR_DATA;
    uint32_t result = ZIP_OK;
    int want = unzGetLocalExtrafield(reader->archive, nullptr, 0);
    if (want < 0) {
        result = ZIP_ERR_LOCAL_EXTRA;
    } else if (want > 0) {
        *extra = (uint8_t*)malloc((size_t)want);
        if (!*extra || unzGetLocalExtrafield(reader->archive, *extra, (unsigned)want) != want) {
            free(*extra);
            *extra = nullptr;
            result = ZIP_ERR_LOCAL_EXTRA;
        } else {
            *size = want;
        }
    }
    unzCloseCurrentFile(reader->archive);
    return result;
}

uint32_t GetZipEntry(ZipHandle* handle, int32_t index, ZipEntryInfo* info)
{
    ZipReader* reader = ReaderOfHandle(handle);
    if (!reader) return GetZipReaderError();
    if (!info || index < -1 || index >= reader->entryCount) return SetZipReaderError(ZIP_ERR_ARGS);
    CloseOpenZipEntry(reader);
    if (index == -1) {
        memset(info, 0, sizeof(*info));
        info->index = reader->entryCount;
        return SetZipReaderError(ZIP_OK);
    }
    if (index == reader->cachedIndex) {
        *info = reader->cached;
        return SetZipReaderError(ZIP_OK);
    }
    if (!GoToZipEntry(reader, index)) return SetZipReaderError(ZIP_ERR_DATA);
    unz_file_info64 stored = {};
    char storedName[MAX_PATH];
    if (!CurrentEntryName(reader, &stored, storedName)) return SetZipReaderError(ZIP_ERR_DATA);
    uint8_t* extra = nullptr;
    int extraSize = 0;
    uint32_t rc = ReadLocalExtra(reader, &extra, &extraSize);
    if (rc != ZIP_OK) return SetZipReaderError(rc);

    ZipEntryInfo result = {};
    result.index = index;
    CleanEntryName(storedName, (uint32_t)stored.size_filename, result.name);
    result.attributes = EntryAttributes(&stored, result.name);
    FILETIME local = {}, utc = {};
    if (DosDateTimeToFileTime(HIWORD(stored.dosDate), LOWORD(stored.dosDate), &local))
        LocalFileTimeToFileTime(&local, &utc);
    result.lastAccessTime = result.creationTime = result.lastWriteTime = utc;
    ReadExtendedTimes(extra, (size_t)extraSize, &result);
    free(extra);
    result.compressedSize =
        stored.compressed_size > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)stored.compressed_size;
    result.uncompressedSize =
        stored.uncompressed_size > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)stored.uncompressed_size;

    reader->cached = result;
    reader->cachedIndex = index;
    *info = result;
    return SetZipReaderError(ZIP_OK);
}

uint32_t GetZipEntryStoredName(ZipHandle* handle, int32_t index, char* name)
{
    if (name) name[0] = '\0';
    ZipReader* reader = ReaderOfHandle(handle);
    if (!reader) return GetZipReaderError();
    if (!name || index < 0 || index >= reader->entryCount) return SetZipReaderError(ZIP_ERR_ARGS);
    CloseOpenZipEntry(reader);
    unz_file_info64 stored = {};
    char storedName[MAX_PATH];
    if (!GoToZipEntry(reader, index) || !CurrentEntryName(reader, &stored, storedName))
        return SetZipReaderError(ZIP_ERR_DATA);
    // Cut to fit, or with a zero inside: not the name that was stored.
    if (stored.size_filename >= MAX_PATH || strlen(storedName) != stored.size_filename)
        return SetZipReaderError(ZIP_ERR_ARGS);
    CopyText(name, MAX_PATH, storedName);
    return SetZipReaderError(ZIP_OK);
}

uint32_t FindZipEntry(ZipHandle* handle, const char* name, uint32_t, int32_t* index)
{
    if (index) *index = -1;
    ZipReader* reader = ReaderOfHandle(handle);
    if (!reader) return GetZipReaderError();
    if (!name) return SetZipReaderError(ZIP_ERR_ARGS);
    char wanted[MAX_PATH];
    CopyText(wanted, sizeof(wanted), name);
    // Walking the entries moves minizip off an open one.
    CloseOpenZipEntry(reader);
    for (int32_t i = 0; i < reader->entryCount; i++) {
        unz_file_info64 stored = {};
        char storedName[MAX_PATH];
        if (!GoToZipEntry(reader, i) || !CurrentEntryName(reader, &stored, storedName)) break;
        if (stored.size_filename < MAX_PATH && strcmp(storedName, wanted) == 0) {
            if (index) *index = i;
            return SetZipReaderError(ZIP_OK);
        }
    }
    return SetZipReaderError(ZIP_ERR_NOT_FOUND);
}

uint32_t CloseZipReader(ZipHandle* handle)
{
    ZipReader* reader = ReaderOfHandle(handle);
    if (!reader) return GetZipReaderError();
    CloseOpenZipEntry(reader);
    FreeReader(reader);
    handle->object = nullptr;
    free(handle);
    return SetZipReaderError(ZIP_OK);
}

//--- reading an entry's data

uint32_t OpenCurrentZipEntry(ZipReader* reader, int32_t index)
{
    unz_file_info64 stored = {};
    if (unzGetCurrentFileInfo64(reader->archive, &stored, nullptr, 0, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
        return ZIP_ERR_DATA;
    if (stored.uncompressed_size > 0xFFFFFFFFu) return ZIP_ERR_DATA;
    bool encrypted = (stored.flag & 1) != 0;
    if (encrypted && !reader->password) return ZIP_ERR_PASSWORD;
    int rc = unzOpenCurrentFile3(reader->archive, nullptr, nullptr, 0,
                                 encrypted ? reader->password : nullptr);
    if (rc != UNZ_OK) return rc == UNZ_BADZIPFILE ? ZIP_ERR_LOCAL_HEADER : ZIP_ERR_DATA;
    if (encrypted) {
        // minizip decrypts the 12-byte header but never looks at its check
        // byte; read it again ourselves: the data starts right behind it.
        uint8_t header[12];
        LARGE_INTEGER at;
        at.QuadPart = (LONGLONG)unzGetCurrentFileZStreamPos64(reader->archive) - 12;
        DWORD got = 0;
        if (at.QuadPart < 0 || !SetFilePointerEx(reader->file, at, nullptr, FILE_BEGIN) ||
            !ReadFile(reader->file, header, sizeof(header), &got, nullptr) || got != sizeof(header)) {
            unzCloseCurrentFile(reader->archive);
            return ZIP_ERR_DATA;
        }
        ZipKeys keys;
        InitZipKeys(&keys, reader->password);
        uint8_t plain = 0;
        for (uint8_t c : header) plain = DecryptZipByte(&keys, c);
        // With a data descriptor the CRC was not known when the header was
        // made, so writers check against the DOS time's high byte instead.
        uint8_t expected = (stored.flag & 8) ? (uint8_t)(stored.dosDate >> 8)
                                             : (uint8_t)(stored.crc >> 24);
        if (plain != expected) {
            unzCloseCurrentFile(reader->archive);
            return ZIP_ERR_PASSWORD;
        }
    }
    reader->openIndex = index;
    reader->openRead = 0;
    reader->openSize = (uint32_t)stored.uncompressed_size;
    return ZIP_OK;
}

uint32_t ReadOpenZipEntry(ZipReader* reader, uint8_t* block, uint32_t length, uint32_t* got)
{
    *got = 0;
    while (*got < length && reader->openRead < reader->openSize) {
        uint32_t want = length - *got;
        uint32_t left = reader->openSize - reader->openRead;
        if (want > left) want = left;
        if (want > (1u << 30)) want = 1u << 30;
        int n = unzReadCurrentFile(reader->archive, block + *got, want);
        if (n <= 0) {   // damaged data, or the stream ended before its stated size
            CloseOpenZipEntry(reader);
            return ZIP_ERR_DATA;
        }
        *got += (uint32_t)n;
        reader->openRead += (uint32_t)n;
    }
    if (reader->openRead < reader->openSize) return ZIP_MORE_DATA;
    // All of it was read: closing compares the CRC-32.
    int rc = unzCloseCurrentFile(reader->archive);
    reader->openIndex = -1;
    return rc == UNZ_OK ? ZIP_OK : ZIP_ERR_DATA;
}
