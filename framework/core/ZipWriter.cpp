// ZipWriter.cpp - writing ZIP archives to a handle, a new file or memory.
#include "framework/core/ZipArchive.h"

#include "framework/core/GrowArray.h"
#include "framework/core/TextUtil.h"

#include <zlib.h>

#include <stdlib.h>
#include <string.h>

#define ZIP_PIECE (16 * 1024)
#define ZIP_MAX_ENTRIES 65535

// What the central directory needs of one entry.
struct ZipCentralRecord {
    uint16_t flags, method, dosTime, dosDate;
    uint32_t crc, compressedSize, uncompressedSize;
    uint32_t externalAttributes, localOffset, modTime;
    uint16_t nameLength;
    char     name[MAX_PATH];
};

struct ZipWriter {
    char*    password;          // private copy, null when none
    int      targetKind;        // ZIP_KIND_HANDLE, _FILE or _MEMORY
    HANDLE   file;
    bool     ownsFile;
    char     path[MAX_PATH];    // the file we created: removed when left unfinished
    HANDLE   mapping;           // made by us for a memory target without a block
    uint64_t base;              // target position at creation
    bool     canSeek;
    uint64_t written;           // archive bytes so far, from base
    uint64_t cursor;            // where the next write goes, from base
    uint32_t failure;           // the code that stopped the writer, 0 running
    uint8_t* block;
    uint32_t blockSize;
    bool     finished;
    bool     encrypting;
    uint8_t* scratch;           // encryption copies
    uint32_t scratchSize;
    uint8_t* pieces;            // two ZIP_PIECE buffers: source and compressed
    ZipKeys  keys;
    GrowArray<ZipCentralRecord> entries;
    z_stream* deflater;         // made at the first deflated entry and kept
};

// The current entry's source.
struct ZipSource {
    HANDLE         file;
    bool           ownsFile;
    const uint8_t* memory;
    uint32_t       memoryLength;
    uint32_t       memoryPosition;
    uint32_t       crc;
    uint64_t       bytesRead;
    int64_t        knownSize;   // -1 unknown
    uint32_t       externalAttributes;
    uint16_t       dosDate, dosTime;
    uint32_t       unixTimes[3];   // modification, access, creation
};

static thread_local uint32_t g_writerError = 0;

static uint32_t SetWriterError(uint32_t code)
{
    g_writerError = code;
    return code;
}

uint32_t GetZipWriterError()
{
    return g_writerError;
}

static ZipWriter* WriterOfHandle(ZipHandle* handle)
{
    if (!handle || !handle->object) {
        SetWriterError(ZIP_ERR_ARGS);
        return nullptr;
    }
    if (handle->kind != ZIP_HANDLE_WRITER) {
        SetWriterError(ZIP_ERR_KIND);
        return nullptr;
    }
    return (ZipWriter*)handle->object;
}

static bool Stop(ZipWriter* w, uint32_t code)
{
    if (!w->failure) w->failure = code;
    return false;
}

//--- output

static bool WriteOut(ZipWriter* w, const void* data, uint32_t length)
{
    if (w->failure) return false;
    // Offsets and sizes are 32-bit in this format.
    if (w->cursor + length > 0xFFFFFFFFull) return Stop(w, ZIP_ERR_WRITE);
    if (w->targetKind == ZIP_KIND_MEMORY) {
        if (!w->block) return Stop(w, ZIP_ERR_NO_TARGET);
        if (w->cursor + length >= w->blockSize) return Stop(w, ZIP_ERR_BLOCK_SMALL);
        if (length) memcpy(w->block + w->cursor, data, length);
    } else {
        if (!w->file || w->file == INVALID_HANDLE_VALUE) return Stop(w, ZIP_ERR_NO_TARGET);
        DWORD done = 0;
        if (length && (!WriteFile(w->file, data, length, &done, nullptr) || done != length))
            return Stop(w, ZIP_ERR_WRITE);
    }
    w->cursor += length;
    if (w->cursor > w->written) w->written = w->cursor;
    return true;
}

static bool SeekOut(ZipWriter* w, uint64_t offset)
{
    if (w->failure) return false;
    if (w->targetKind == ZIP_KIND_MEMORY) {
        if (offset >= w->blockSize) return Stop(w, ZIP_ERR_BLOCK_SMALL);
    } else {
        LARGE_INTEGER at;
        at.QuadPart = (LONGLONG)(w->base + offset);
        if (!w->canSeek || !SetFilePointerEx(w->file, at, nullptr, FILE_BEGIN))
            return Stop(w, ZIP_ERR_SEEK);
    }
    w->cursor = offset;
    return true;
}

static void Put16(uint8_t* p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

static void Put32(uint8_t* p, uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

// Entry data: encrypted on a copy while an encrypted entry is written.
static bool WriteEntryData(ZipWriter* w, const uint8_t* data, uint32_t length, uint64_t* counted)
{
    if (length == 0) return true;
    if (w->encrypting) {
        if (w->scratchSize < length) {
            uint8_t* bigger = (uint8_t*)realloc(w->scratch, (size_t)length * 2);
            if (!bigger) return Stop(w, ZIP_ERR_WRITE);
            w->scratch = bigger;
            w->scratchSize = length * 2;
        }
        for (uint32_t i = 0; i < length; i++) w->scratch[i] = EncryptZipByte(&w->keys, data[i]);
        data = w->scratch;
    }
    *counted += length;
    return WriteOut(w, data, length);
}

//--- creating

ZipHandle* CreateZipArchive(void* target, uint32_t size, int kind, const char* password)
{
    ZipWriter* w = (ZipWriter*)calloc(1, sizeof(ZipWriter));
    ZipHandle* handle = (ZipHandle*)calloc(1, sizeof(ZipHandle));
    uint32_t rc = ZIP_OK;
    if (!w || !handle) rc = ZIP_ERR_MAPPING;
    if (rc == ZIP_OK) {
        w->file = INVALID_HANDLE_VALUE;
        w->targetKind = kind;
        InitGrowArray(&w->entries);
        if (kind == ZIP_KIND_HANDLE) {
            w->file = (HANDLE)target;
            LARGE_INTEGER zero = {}, at = {};
            if (!w->file || w->file == INVALID_HANDLE_VALUE) {
                rc = ZIP_ERR_ARGS;
            } else if (GetFileType(w->file) == FILE_TYPE_DISK &&
                       SetFilePointerEx(w->file, zero, &at, FILE_CURRENT)) {
                w->base = (uint64_t)at.QuadPart;
                w->canSeek = true;
            }
        } else if (kind == ZIP_KIND_FILE) {
            const char* name = (const char*)target;
            if (!name || !CopyText(w->path, sizeof(w->path), name)) {
                rc = ZIP_ERR_OPEN;
            } else {
                w->file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
                if (w->file == INVALID_HANDLE_VALUE) rc = ZIP_ERR_OPEN;
                w->ownsFile = w->file != INVALID_HANDLE_VALUE;
                w->canSeek = true;
            }
        } else if (kind == ZIP_KIND_MEMORY) {
            w->canSeek = true;
            w->blockSize = size;
            if (size == 0) {
                rc = ZIP_ERR_BLOCK_SMALL;
            } else if (target) {
                w->block = (uint8_t*)target;
            } else {
                // Page-file backed, so a large archive needs no single heap block.
                w->mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                size, nullptr);
                if (w->mapping) w->block = (uint8_t*)MapViewOfFile(w->mapping, FILE_MAP_WRITE, 0, 0, 0);
                if (!w->block) rc = ZIP_ERR_MAPPING;
            }
        } else {
            rc = ZIP_ERR_ARGS;
        }
    }
    if (rc == ZIP_OK && password && password[0]) {
        w->password = _strdup(password);
        if (!w->password) rc = ZIP_ERR_MAPPING;
    }
    if (rc != ZIP_OK) {
        if (w) {
            if (w->block && w->mapping) UnmapViewOfFile(w->block);
            if (w->mapping) CloseHandle(w->mapping);
            if (w->ownsFile) {
                CloseHandle(w->file);
                DeleteFileA(w->path);
            }
            free(w->password);
        }
        free(w);
        free(handle);
        SetWriterError(rc);
        return nullptr;
    }
    handle->kind = ZIP_HANDLE_WRITER;
    handle->object = w;
    SetWriterError(ZIP_OK);
    return handle;
}

//--- sources

static uint32_t FileTimeToUnix(const FILETIME* ft)
{
    uint64_t value = (uint64_t)ft->dwHighDateTime << 32 | ft->dwLowDateTime;
    if (value < 116444736000000000ull) return 0;
    uint64_t seconds = (value - 116444736000000000ull) / 10000000ull;
    return seconds > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)seconds;
}

// DOS time of a local file time; 1980-01-01 for what DOS cannot hold.
static void LocalToDos(const FILETIME* local, ZipSource* s)
{
    WORD date = 0, time = 0;
    if (!FileTimeToDosDateTime(local, &date, &time)) {
        date = (1 << 5) | 1;
        time = 0;
    }
    s->dosDate = date;
    s->dosTime = time;
}

static void UseCurrentTime(ZipSource* s)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME local = {}, utc = {};
    SystemTimeToFileTime(&now, &local);
    LocalToDos(&local, s);
    GetSystemTimeAsFileTime(&utc);
    uint32_t t = FileTimeToUnix(&utc);
    s->unixTimes[0] = s->unixTimes[1] = s->unixTimes[2] = t;
}

static bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD length)
{
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)offset;
    DWORD got = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
           ReadFile(file, buffer, length, &got, nullptr) && got == length;
}

// An MZ header whose new-header field points at another known signature.
static bool IsWindowsExecutable(HANDLE file, uint64_t size)
{
    if (size <= 40) return false;
    uint8_t mz[2], sig[2], field[4];
    if (!ReadAt(file, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return false;
    if (!ReadAt(file, 60, field, 4)) return false;
    uint32_t at = field[0] | (uint32_t)field[1] << 8 | (uint32_t)field[2] << 16 |
                  (uint32_t)field[3] << 24;
    if (!ReadAt(file, at, sig, 2)) return false;
    return (sig[0] == 'P' && sig[1] == 'E') || (sig[0] == 'N' && sig[1] == 'E') ||
           (sig[0] == 'L' && sig[1] == 'E') || (sig[0] == 'M' && sig[1] == 'Z');
}

// Attributes, size and times of an open disk file; rewinds it.
static bool TakeFileDetails(HANDLE file, ZipSource* s)
{
    BY_HANDLE_FILE_INFORMATION fi;
    if (!GetFileInformationByHandle(file, &fi)) return false;
    uint64_t size = (uint64_t)fi.nFileSizeHigh << 32 | fi.nFileSizeLow;
    bool folder = (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool readOnly = (fi.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    uint32_t mode = folder ? 0x4100 : 0x8100;   // owner read
    if (!readOnly) mode |= 0x80;                // owner write
    if (!folder && IsWindowsExecutable(file, size)) mode |= 0x40;
    s->externalAttributes = mode << 16 | (fi.dwFileAttributes & (FILE_ATTRIBUTE_READONLY |
                                                                 FILE_ATTRIBUTE_HIDDEN |
                                                                 FILE_ATTRIBUTE_SYSTEM |
                                                                 FILE_ATTRIBUTE_DIRECTORY |
                                                                 FILE_ATTRIBUTE_ARCHIVE));
    s->knownSize = (int64_t)size;
    FILETIME local = {};
    FileTimeToLocalFileTime(&fi.ftLastWriteTime, &local);
    LocalToDos(&local, s);
    s->unixTimes[0] = FileTimeToUnix(&fi.ftLastWriteTime);
    s->unixTimes[1] = FileTimeToUnix(&fi.ftLastAccessTime);
    s->unixTimes[2] = FileTimeToUnix(&fi.ftCreationTime);
    LARGE_INTEGER zero = {};
    return SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) != 0;
}

static uint32_t OpenSource(ZipSource* s, const void* source, uint32_t length, int kind)
{
    s->file = INVALID_HANDLE_VALUE;
    s->knownSize = -1;
    switch (kind) {
    case ZIP_KIND_FILE:
        if (!source) return ZIP_ERR_ARGS;
        s->file = CreateFileA((const char*)source, GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (s->file == INVALID_HANDLE_VALUE) return ZIP_ERR_OPEN;
        s->ownsFile = true;
        if (!TakeFileDetails(s->file, s)) return ZIP_ERR_OPEN;
        break;
    case ZIP_KIND_HANDLE: {
        s->file = (HANDLE)source;
        if (!s->file || s->file == INVALID_HANDLE_VALUE) return ZIP_ERR_ARGS;
        LARGE_INTEGER zero = {}, at = {};
        if (GetFileType(s->file) == FILE_TYPE_DISK &&
            SetFilePointerEx(s->file, zero, &at, FILE_CURRENT) && TakeFileDetails(s->file, s))
            break;
        s->externalAttributes = 0x80000000u;
        s->knownSize = length ? (int64_t)length : -1;
        UseCurrentTime(s);
        break;
    }
    case ZIP_KIND_MEMORY:
        if (!source || length == 0) return ZIP_ERR_ARGS;
        s->memory = (const uint8_t*)source;
        s->memoryLength = length;
        s->knownSize = length;
        s->externalAttributes = 0x80000000u;
        UseCurrentTime(s);
        break;
    case ZIP_KIND_FOLDER:
        s->knownSize = 0;
        s->externalAttributes = 0x41C00010u;
        UseCurrentTime(s);
        break;
    default:
        return ZIP_ERR_ARGS;
    }
    if (s->knownSize > (int64_t)0xFFFFFFFFll) return ZIP_ERR_ARGS;
    return ZIP_OK;
}

static void CloseSource(ZipSource* s)
{
    if (s->ownsFile && s->file != INVALID_HANDLE_VALUE) CloseHandle(s->file);
    s->file = INVALID_HANDLE_VALUE;
    s->ownsFile = false;
}

// Reads the next piece of the source; *got 0 at its end. False on a read error.
static bool ReadSource(ZipSource* s, uint8_t* buffer, uint32_t capacity, uint32_t* got)
{
    *got = 0;
    if (s->memory) {
        uint32_t left = s->memoryLength - s->memoryPosition;
        *got = left < capacity ? left : capacity;
        memcpy(buffer, s->memory + s->memoryPosition, *got);
        s->memoryPosition += *got;
    } else if (s->file != INVALID_HANDLE_VALUE) {
        DWORD n = 0;
        if (!ReadFile(s->file, buffer, capacity, &n, nullptr)) return false;
        *got = n;
    }
    s->crc = Crc32Update(s->crc, buffer, *got);
    s->bytesRead += *got;
    return true;
}

//--- entries

static bool IsStoredExtension(const char* name)
{
    static const char* const kStored[] = {".Z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz"};
    const char* dot = strrchr(name, '.');
    if (!dot) return false;
    for (const char* ext : kStored)
        if (_stricmp(dot, ext) == 0) return true;
    return false;
}

static void BuildLocalHeader(uint8_t* h, const ZipCentralRecord* r, const ZipSource* s)
{
    Put32(h, 0x04034B50);
    Put16(h + 4, 20);
    Put16(h + 6, r->flags);
    Put16(h + 8, r->method);
    Put16(h + 10, r->dosTime);
    Put16(h + 12, r->dosDate);
    Put32(h + 14, r->crc);
    Put32(h + 18, r->compressedSize);
    Put32(h + 22, r->uncompressedSize);
    Put16(h + 26, r->nameLength);
    Put16(h + 28, 17);
    memcpy(h + 30, r->name, r->nameLength);
    uint8_t* x = h + 30 + r->nameLength;
    Put16(x, 0x5455);   // "UT": extended timestamps
    Put16(x + 2, 13);
    x[4] = 7;
    Put32(x + 5, s->unixTimes[0]);
    Put32(x + 9, s->unixTimes[1]);
    Put32(x + 13, s->unixTimes[2]);
}

static bool EnsurePieces(ZipWriter* w)
{
    if (!w->pieces) w->pieces = (uint8_t*)malloc(2 * ZIP_PIECE);
    return w->pieces != nullptr || Stop(w, ZIP_ERR_WRITE);
}

static bool WriteStoredData(ZipWriter* w, ZipSource* s, uint64_t* counted)
{
    if (!EnsurePieces(w)) return false;
    for (;;) {
        uint32_t got = 0;
        if (!ReadSource(s, w->pieces, ZIP_PIECE, &got)) return Stop(w, ZIP_ERR_DATA);
        if (got == 0) return true;
        if (!WriteEntryData(w, w->pieces, got, counted)) return false;
    }
}

static bool WriteDeflatedData(ZipWriter* w, ZipSource* s, uint64_t* counted)
{
    if (!EnsurePieces(w)) return false;
    if (!w->deflater) {
        w->deflater = (z_stream*)calloc(1, sizeof(z_stream));
        if (!w->deflater) return Stop(w, ZIP_ERR_WRITE);
        if (deflateInit2(w->deflater, 8, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            free(w->deflater);
            w->deflater = nullptr;
            return Stop(w, ZIP_ERR_WRITE);
        }
    } else if (deflateReset(w->deflater) != Z_OK) {
        return Stop(w, ZIP_ERR_WRITE);
    }
    z_stream* z = w->deflater;
    uint8_t* in = w->pieces;
    uint8_t* out = w->pieces + ZIP_PIECE;
    for (;;) {
        uint32_t got = 0;
        if (!ReadSource(s, in, ZIP_PIECE, &got)) return Stop(w, ZIP_ERR_DATA);
        int flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
        z->next_in = in;
        z->avail_in = got;
        int rc;
        do {
            z->next_out = out;
            z->avail_out = ZIP_PIECE;
            rc = deflate(z, flush);
            if (rc == Z_STREAM_ERROR) return Stop(w, ZIP_ERR_DATA);
            if (!WriteEntryData(w, out, ZIP_PIECE - z->avail_out, counted)) return false;
        } while (z->avail_out == 0);
        if (flush == Z_FINISH) return rc == Z_STREAM_END || Stop(w, ZIP_ERR_DATA);
    }
}

// Writes the encryption header and sets the keys for the data behind it.
static bool WriteEncryptionHeader(ZipWriter* w, const ZipCentralRecord* r, uint64_t* counted)
{
    uint8_t header[12];
    for (int i = 0; i < 11; i++) header[i] = NextZipHeaderByte();
    // Sizes follow in a data descriptor, so the CRC is not known yet: readers
    // check this byte against the DOS time's high byte instead.
    header[11] = (uint8_t)(r->dosTime >> 8);
    InitZipKeys(&w->keys, w->password);
    w->encrypting = true;
    bool ok = WriteEntryData(w, header, sizeof(header), counted);
    return ok;
}

static bool WriteEntry(ZipWriter* w, ZipCentralRecord* r, ZipSource* s)
{
    uint8_t header[30 + MAX_PATH + 17];
    uint32_t headerSize = 30 + r->nameLength + 17;
    BuildLocalHeader(header, r, s);
    uint32_t headerCompressed = r->compressedSize;
    if (!WriteOut(w, header, headerSize)) return false;

    bool encrypted = (r->flags & 1) != 0;
    uint64_t counted = 0;
    if (encrypted && !WriteEncryptionHeader(w, r, &counted)) return false;
    bool ok = r->method == 0 ? WriteStoredData(w, s, &counted) : WriteDeflatedData(w, s, &counted);
    w->encrypting = false;
    if (!ok) return false;
    if (counted > 0xFFFFFFFFull) return Stop(w, ZIP_ERR_WRITE);

    r->crc = s->crc;
    r->compressedSize = (uint32_t)counted;
    r->uncompressedSize = (uint32_t)s->bytesRead;
    if (w->canSeek && !encrypted) {
        // Put the real values into the local header; no descriptor needed.
        r->flags &= ~8;
        BuildLocalHeader(header, r, s);
        uint64_t end = w->cursor;
        return SeekOut(w, r->localOffset) && WriteOut(w, header, headerSize) && SeekOut(w, end);
    }
    if (r->method == 0 && s->knownSize >= 0 && r->compressedSize != headerCompressed)
        return Stop(w, ZIP_ERR_MISMATCH);
    uint8_t descriptor[16];
    Put32(descriptor, 0x08074B50);
    Put32(descriptor + 4, r->crc);
    Put32(descriptor + 8, r->compressedSize);
    Put32(descriptor + 12, r->uncompressedSize);
    return WriteOut(w, descriptor, sizeof(descriptor));
}

uint32_t AddZipEntry(ZipHandle* handle, const char* name, const void* source, uint32_t length,
                     int kind)
{
    ZipWriter* w = WriterOfHandle(handle);
    if (!w) return GetZipWriterError();
    if (w->failure) return SetWriterError(ZIP_ERR_STOPPED);
    if (w->finished) return SetWriterError(ZIP_ERR_FINISHED);

    // Refusals before anything is written leave the archive intact and usable.
    ZipCentralRecord r = {};
    if (!name || !name[0] || !CopyText(r.name, sizeof(r.name), name) ||
        w->entries.count >= ZIP_MAX_ENTRIES)
        return SetWriterError(ZIP_ERR_ARGS);
    for (char* p = r.name; *p; p++)
        if (*p == '\\') *p = '/';
    bool folder = kind == ZIP_KIND_FOLDER;
    size_t n = strlen(r.name);
    if (folder && r.name[n - 1] != '/' && !AppendText(r.name, sizeof(r.name), "/"))
        return SetWriterError(ZIP_ERR_ARGS);
    r.nameLength = (uint16_t)strlen(r.name);
    r.method = (folder || IsStoredExtension(r.name)) ? 0 : 8;

    ZipSource s = {};
    uint32_t rc = OpenSource(&s, source, length, kind);
    if (rc != ZIP_OK) {
        CloseSource(&s);
        return SetWriterError(rc);
    }
    bool encrypted = w->password && !folder;
    r.flags = (uint16_t)(8 | (encrypted ? 1 : 0));
    r.dosTime = s.dosTime;
    r.dosDate = s.dosDate;
    r.externalAttributes = s.externalAttributes;
    r.modTime = s.unixTimes[0];
    r.localOffset = (uint32_t)w->cursor;
    if (s.knownSize >= 0) {
        r.uncompressedSize = (uint32_t)s.knownSize;
        if (r.method == 0) r.compressedSize = (uint32_t)s.knownSize + (encrypted ? 12 : 0);
    }

    if (WriteEntry(w, &r, &s) && ArrayAppend(&w->entries, &r) < 0) Stop(w, ZIP_ERR_WRITE);
    CloseSource(&s);
    return SetWriterError(w->failure);
}

uint32_t WriteZipCentralDirectory(ZipHandle* handle)
{
    ZipWriter* w = WriterOfHandle(handle);
    if (!w) return GetZipWriterError();
    if (w->failure) return SetWriterError(w->failure);
    if (w->finished) return SetWriterError(ZIP_ERR_FINISHED);
    uint64_t start = w->cursor;
    for (int32_t i = 0; i < w->entries.count; i++) {
        const ZipCentralRecord* r = &w->entries.data[i];
        uint8_t h[46 + MAX_PATH + 9];
        Put32(h, 0x02014B50);
        Put16(h + 4, 0x0B17);   // made by NTFS (11), version 2.3
        Put16(h + 6, 20);
        Put16(h + 8, r->flags);
        Put16(h + 10, r->method);
        Put16(h + 12, r->dosTime);
        Put16(h + 14, r->dosDate);
        Put32(h + 16, r->crc);
        Put32(h + 20, r->compressedSize);
        Put32(h + 24, r->uncompressedSize);
        Put16(h + 28, r->nameLength);
        Put16(h + 30, 9);
        Put16(h + 32, 0);
        Put16(h + 34, 0);
        Put16(h + 36, 0);
        Put32(h + 38, r->externalAttributes);
        Put32(h + 42, r->localOffset);
        memcpy(h + 46, r->name, r->nameLength);
        uint8_t* x = h + 46 + r->nameLength;
        Put16(x, 0x5455);
        Put16(x + 2, 5);
        x[4] = 7;
        Put32(x + 5, r->modTime);
        if (!WriteOut(w, h, 46 + r->nameLength + 9)) break;
    }
    uint32_t count = (uint32_t)w->entries.count;
    FreeGrowArray(&w->entries);
    uint8_t end[22];
    Put32(end, 0x06054B50);
    Put16(end + 4, 0);
    Put16(end + 6, 0);
    Put16(end + 8, count);
    Put16(end + 10, count);
    Put32(end + 12, (uint32_t)(w->cursor - start));
    Put32(end + 16, (uint32_t)start);
    Put16(end + 20, 0);
    WriteOut(w, end, sizeof(end));
    w->finished = w->failure == 0;
    return SetWriterError(w->failure);
}

uint32_t GetZipArchiveBlock(ZipHandle* handle, const uint8_t** block, uint32_t* length)
{
    ZipWriter* w = WriterOfHandle(handle);
    if (!w) return GetZipWriterError();
    if (w->targetKind != ZIP_KIND_MEMORY || !w->block) return SetWriterError(ZIP_ERR_NO_BLOCK);
    if (block) *block = w->block;
    if (length) *length = (uint32_t)w->written;
    return SetWriterError(ZIP_OK);
}

uint32_t CloseZipWriter(ZipHandle* handle)
{
    ZipWriter* w = WriterOfHandle(handle);
    if (!w) return GetZipWriterError();
    uint32_t rc = w->failure;
    if (!w->finished && !rc) rc = WriteZipCentralDirectory(handle);
    if (w->mapping) {
        UnmapViewOfFile(w->block);
        CloseHandle(w->mapping);
    }
    if (w->ownsFile) {
        CloseHandle(w->file);
        if (rc != ZIP_OK) DeleteFileA(w->path);   // an unfinished archive is only junk
    }
    if (w->deflater) {
        deflateEnd(w->deflater);
        free(w->deflater);
    }
    FreeGrowArray(&w->entries);
    free(w->password);
    free(w->scratch);
    free(w->pieces);
    free(w);
    handle->object = nullptr;
    free(handle);
    return SetWriterError(rc);
}
