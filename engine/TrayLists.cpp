// TrayLists.cpp - the pin list and the Minimize to Tray list and their raw files.
#include "engine/OptionsRecord.h"

#include "framework/core/DamagedRecords.h"
#include "framework/core/RecordFile.h"

#include <stdlib.h>

GrowArray<uint32_t> g_pinList = {0, nullptr, -1, 0, 0};
GrowArray<TrayAppEntry> g_trayAppList = {0, nullptr, -1, 0, 0};

// A list file that exists but stayed unreadable, and could not be moved
// aside either, is not written over.
static bool g_pinListHeld = false;
static bool g_trayAppListHeld = false;

static bool IsHeld(const char* name)
{
    char path[MAX_PATH];
    BuildRecordPath(name, -1, path, RECORD_FOLDER_DATA);
    return ProbeRecordFile(path) == RECORD_FILE_HELD && !KeepDamagedRecord(path);
}

void LoadTrayLists()
{
    g_pinListHeld = IsHeld("PinList");
    g_trayAppListHeld = IsHeld("MinList");
    void* block = nullptr;
    uint32_t size = g_pinListHeld ? 0 : LoadRecord("PinList", -1, &block);
    int32_t count = (int32_t)(size / sizeof(uint32_t));
    if (count > 0) ArrayAppendN(&g_pinList, (const uint32_t*)block, count);
    free(block);

    block = nullptr;
    size = g_trayAppListHeld ? 0 : LoadRecord("MinList", -1, &block);
    count = (int32_t)(size / sizeof(TrayAppEntry));   // a partial entry at the end is ignored
    int32_t first = count > 0 ? ArrayAppendN(&g_trayAppList, (const TrayAppEntry*)block, count) : -1;
    free(block);
    // The file is raw bytes: terminate every text within its field.
    for (int32_t i = first < 0 ? g_trayAppList.count : first; i < g_trayAppList.count; i++) {
        TrayAppEntry* e = &g_trayAppList.data[i];
        e->program[sizeof(e->program) - 1] = '\0';
        e->title[sizeof(e->title) - 1] = '\0';
        e->icon[sizeof(e->icon) - 1] = '\0';
    }
}

void ReplaceTrayAppList(GrowArray<TrayAppEntry>* next)
{
    GrowArray<TrayAppEntry> old = g_trayAppList;
    g_trayAppList = *next;
    InitGrowArray(next);
    FreeGrowArray(&old);
}

// An empty list writes an empty file.
static bool SaveList(const char* name, const void* data, int32_t count, size_t elementSize)
{
    uint32_t length = (uint32_t)((size_t)count * elementSize);
    return SaveRecord(name, -1, data, length) == length;
}

bool SaveTrayLists()
{
    bool pins = !g_pinListHeld && SaveList("PinList", g_pinList.data, g_pinList.count, sizeof(uint32_t));
    bool tray = !g_trayAppListHeld &&
                SaveList("MinList", g_trayAppList.data, g_trayAppList.count, sizeof(TrayAppEntry));
    return pins && tray;
}
