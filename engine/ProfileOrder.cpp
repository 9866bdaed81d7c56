// ProfileOrder.cpp - the order of profile names, for every list that is kept
// in one: the program's (bytes) and a dialog's (case ignored).
#include "engine/ProfileStore.h"

#include <string.h>

int CompareProfileNames(const char* a, const char* b, int order)
{
    if (order == PROFILE_ORDER_NOCASE) {
        int folded = _stricmp(a, b);
        if (folded != 0) return folded;
    }
    return strcmp(a, b);
}

int FindProfilePlace(const GrowArray<Profile>* list, const char* name, int order)
{
    int lo = 0, hi = list->count;
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (CompareProfileNames(list->data[mid].szGenName, name, order) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void OrderProfiles(const GrowArray<Profile>* list, int order, int32_t* indices)
{
    for (int32_t i = 0; i < list->count; i++) {
        int32_t j = i;
        // Insertion: stable, and the lists are short.
        while (j > 0 && CompareProfileNames(list->data[indices[j - 1]].szGenName, list->data[i].szGenName, order) > 0) {
            indices[j] = indices[j - 1];
            j--;
        }
        indices[j] = i;
    }
}
