// RecordFile.h - record files in the data folder: "<folder>\<name>[<number>].zpx".
//
// Raw records are the bytes of a fixed-layout record; the configuration
// records use the same paths and the same whole-file writer. Records are
// replaced through "<path>_tmp" so a failed write never costs the old file.
#pragma once

#include <stdint.h>

#define RECORD_FOLDER_DATA   0
#define RECORD_FOLDER_COMMON 1

// Largest record file read into memory; anything bigger is not ours.
#define RECORD_MAX_BYTES (64u * 1024u * 1024u)

// How long a file that another process holds without sharing is waited for
// before it counts as unreadable.
#define RECORD_LOCK_WAIT_MS 2000u

// Results of ProbeRecordFile.
#define RECORD_FILE_MISSING 0   // no such file
#define RECORD_FILE_READY   1   // it can be opened for reading
#define RECORD_FILE_HELD    2   // it exists but stayed unreadable (held by another process)

// Builds the record's path into out (260 characters). number -1: none.
// An unsettled folder gives an empty path, which every writer refuses.
void BuildRecordPath(const char* name, int number, char* out, int folderChoice);
// Whether the file can be read, waiting up to RECORD_LOCK_WAIT_MS while
// another process holds it. RECORD_FILE_*.
int ProbeRecordFile(const char* path);
// With a buffer: bytes read (at most size); without: the file's size. 0 when
// the file cannot be opened (a held file is waited for as by ProbeRecordFile).
uint32_t ReadRecordFile(const char* name, void* buffer, uint32_t size);
// block null: the file's size. Otherwise allocates the block (caller frees
// with free()) and returns the bytes read; 0 on failure.
uint32_t LoadRecord(const char* name, int number, void** block);
// Writes "<path>_tmp" and moves it over the record. Length on success, 0 on
// failure (the old record is untouched).
uint32_t SaveRecord(const char* name, int number, const void* data, uint32_t length);
// Creates (or replaces) the file and writes the data in one write; creates
// missing folders once. Bytes written, 0 when the file cannot be created.
uint32_t WriteWholeFile(const char* path, const void* data, uint32_t length);
// Writes "<path>_tmp", flushes it to the disk and moves it over path. Length
// on success, 0 on failure (path is untouched and the temporary file removed).
uint32_t ReplaceWholeFile(const char* path, const void* data, uint32_t length);
bool FolderExists(const char* path);
// 0 the folder exists or was made, 1 a level cannot be made, 2 empty path.
int CreateDirectoryTree(const char* path);
// Fills buffer (260 characters) with a shell folder's path, empty on failure.
void GetSpecialFolderPath(int csidl, char* buffer);
