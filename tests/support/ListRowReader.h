// ListRowReader.h - reads the rows of the framework list control (CList) of
// another process: its list box's item data are pointers into that process,
// to blocks the list owns (row-data size above 0), read from its memory.
#pragma once

#include <windows.h>

#include <string.h>

#include <vector>

struct RemoteListRow {
    std::vector<unsigned char> data;   // the row's block, as the program holds it
    bool selected = false;
};

// The list box of a list's host window (the control the dialog shows by id).
HWND ListRowBox(HWND listHost);
// Every row in display order, each block rowSize bytes; empty when the list
// or its memory cannot be read.
std::vector<RemoteListRow> ReadListRows(HWND listHost, size_t rowSize);
// The list box's top row, -1 when it cannot be asked.
int ListTopRow(HWND listHost);

// The rows as records of type T (a plain record the program copies per row).
template <class T> struct RemoteListRecord {
    T record;
    bool selected;
};
template <class T> std::vector<RemoteListRecord<T>> ReadListRecords(HWND listHost)
{
    std::vector<RemoteListRecord<T>> out;
    for (const RemoteListRow& row : ReadListRows(listHost, sizeof(T))) {
        RemoteListRecord<T> r;
        memcpy(&r.record, row.data.data(), sizeof(T));
        r.selected = row.selected;
        out.push_back(r);
    }
    return out;
}
