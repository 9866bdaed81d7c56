// IdSearch.h - the rounded-up binary search over rows sorted by a 16-bit id,
// shared by the string tables and the command table.
#pragma once

#include <stdint.h>

// Index of the row whose id equals id, or -1. Row must have a uint16_t id.
template <typename Row>
int FindSortedId(const Row* rows, int count, uint16_t id)
{
    if (!rows || count <= 0) return -1;
    int lo = 0, hi = count - 1;
    while (hi - lo >= 2) {
        int mid = (lo + hi + 1) / 2;   // floor((lo + hi) / 2 + 0.5)
        if (rows[mid].id == id) return mid;
        if (id < rows[mid].id)
            hi = mid;
        else
            lo = mid;
    }
    if (rows[lo].id == id) return lo;
    if (rows[hi].id == id) return hi;
    return -1;
}
