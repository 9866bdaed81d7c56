// ListRowReader.cpp - the framework list control's rows read from another
// process.
#include "tests/support/ListRowReader.h"

namespace {

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok)
{
    DWORD_PTR result = 0;
    *ok = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    return (LRESULT)result;
}

}  // namespace

HWND ListRowBox(HWND listHost)
{
    return listHost ? FindWindowExA(listHost, nullptr, "ListBox", nullptr) : nullptr;
}

std::vector<RemoteListRow> ReadListRows(HWND listHost, size_t rowSize)
{
    std::vector<RemoteListRow> rows;
    HWND box = ListRowBox(listHost);
    if (!box || rowSize == 0) return rows;
    DWORD pid = 0;
    GetWindowThreadProcessId(box, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) return rows;
    bool ok = false;
    LRESULT count = Ask(box, LB_GETCOUNT, 0, 0, &ok);
    for (LRESULT i = 0; ok && i < count; i++) {
        LRESULT address = Ask(box, LB_GETITEMDATA, (WPARAM)i, 0, &ok);
        if (!ok || address == LB_ERR || address == 0) {
            ok = false;
            break;
        }
        RemoteListRow row;
        row.data.resize(rowSize);
        SIZE_T done = 0;
        if (!ReadProcessMemory(process, (const void*)address, row.data.data(), rowSize, &done) || done != rowSize) {
            ok = false;
            break;
        }
        row.selected = Ask(box, LB_GETSEL, (WPARAM)i, 0, &ok) > 0;
        rows.push_back(row);
    }
    CloseHandle(process);
    if (!ok) rows.clear();
    return rows;
}

int ListTopRow(HWND listHost)
{
    HWND box = ListRowBox(listHost);
    bool ok = false;
    LRESULT top = box ? Ask(box, LB_GETTOPINDEX, 0, 0, &ok) : -1;
    return ok ? (int)top : -1;
}
