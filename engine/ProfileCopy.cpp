// ProfileCopy.cpp - deep copies of profiles and of the profile list.
#include "engine/ProfileRecord.h"

#include <stdlib.h>
#include <string.h>

// A new list holding a copy of source (an empty one when source is null).
template <typename T>
static GrowArray<T>* CopyList(const GrowArray<T>* source, bool* ok)
{
    GrowArray<T>* list = (GrowArray<T>*)malloc(sizeof(GrowArray<T>));
    if (!list) {
        *ok = false;
        return nullptr;
    }
    InitGrowArray(list);
    if (source && source->count > 0 && !ArrayCopyFrom(source, list)) *ok = false;
    list->growStep = -1;
    return list;
}

bool CopyProfile(const Profile* source, Profile* destination)
{
    if (source == destination) return true;
    memcpy(destination, source, sizeof(*destination));
    bool ok = true;
    destination->pRules = CopyList(source->pRules, &ok);
    destination->pIcons = CopyList(source->pIcons, &ok);
    destination->pExpWin = CopyList(source->pExpWin, &ok);
    destination->pTemplates = CopyList(source->pTemplates, &ok);
    return ok;
}

void (*g_profileListClearing)(const GrowArray<Profile>* list);

void ClearProfileList(GrowArray<Profile>* list)
{
    if (g_profileListClearing && list->count > 0) g_profileListClearing(list);
    for (int32_t i = 0; i < list->count; i++) FreeProfileLists(&list->data[i]);
    list->count = 0;
}

bool AssignProfileList(const GrowArray<Profile>* source, GrowArray<Profile>* destination)
{
    if (source == destination) return true;
    ClearProfileList(destination);
    if (source->count == 0) return true;
    if (!ArraySetCapacity(destination, source->count, -1)) return false;
    bool ok = true;
    for (int32_t i = 0; i < source->count; i++) {
        Profile* p = &destination->data[i];
        memset(p, 0, sizeof(*p));
        destination->count = i + 1;
        if (!CopyProfile(&source->data[i], p)) ok = false;
    }
    return ok;
}
