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

// Builds the record's path into out (260 characters). number -1: none.
// An unsettled folder gives an empty path, which every writer refuses.
void BuildRecordPath(const char* name, int number, char* out, int folderChoice);
// With a buffer: bytes read (at most size); without: the file's size. 0 when
// the file cannot be opened.
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
// Writes "<path>_tmp" and moves it over path. Length on success, 0 on failure
// (path is untouched and the temporary file removed).
uint32_t ReplaceWholeFile(const char* path, const void* data, uint32_t length);
bool FolderExists(const char* path);
// 0 the folder exists or was made, 1 a level cannot be made, 2 empty path.
int CreateDirectoryTree(const char* path);
// Fills buffer (260 characters) with a shell folder's path, empty on failure.
void GetSpecialFolderPath(int csidl, char* buffer);
