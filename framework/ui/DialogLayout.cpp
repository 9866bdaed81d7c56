// DialogLayout.cpp - re-placing a resizable dialog's controls. Distances are
// kept in units of a reference control's size, so a layout recorded at one DPI
// holds at any other as long as the reference control scales with the DPI.
#include "framework/ui/DialogSetup.h"

static void ClientRectOf(HWND control, HWND parent, RECT* r)
{
    GetWindowRect(control, r);
    MapWindowPoints(nullptr, parent, (POINT*)r, 2);
}

static void ReferenceSize(const DialogLayout* layout, double* width, double* height)
{
    RECT r = {0, 0, 0, 0};
    HWND ref = GetDlgItem(layout->dialog, layout->referenceId);
    if (ref) GetClientRect(ref, &r);
    // A missing or empty reference falls back to its recorded size, then to
    // one pixel: the layout degrades to fixed distances, never divides by 0.
    *width = r.right - r.left > 0 ? r.right - r.left : layout->reference.right - layout->reference.left;
    *height = r.bottom - r.top > 0 ? r.bottom - r.top : layout->reference.bottom - layout->reference.top;
    if (*width <= 0) *width = 1;
    if (*height <= 0) *height = 1;
}

void DialogLayoutInit(DialogLayout* layout, HWND dialog, uint16_t referenceId)
{
    layout->dialog = dialog;
    layout->referenceId = referenceId;
    SetRectEmpty(&layout->reference);
    HWND ref = GetDlgItem(dialog, referenceId);
    if (ref) GetClientRect(ref, &layout->reference);
    GetClientRect(dialog, &layout->client);
    InitGrowArray(&layout->entries);
}

int DialogLayoutAdd(DialogLayout* layout, HWND control, uint32_t flags)
{
    DialogLayoutEntry e = {};
    e.control = control;
    e.parent = GetParent(control);
    e.flags = flags;
    double rw, rh;
    ReferenceSize(layout, &rw, &rh);
    RECT client, r;
    GetClientRect(e.parent ? e.parent : layout->dialog, &client);
    ClientRectOf(control, e.parent, &r);
    double w = r.right - r.left, h = r.bottom - r.top;
    e.fractions[0] = r.left / rw;
    e.fractions[1] = r.top / rh;
    e.fractions[2] = w / rw;
    e.fractions[3] = h / rh;
    e.fractions[4] = r.left / rw;
    e.fractions[5] = (client.right - r.right) / rw;
    e.fractions[6] = r.top / rh;
    e.fractions[7] = (client.bottom - r.bottom) / rh;
    HWND previous = GetWindow(control, GW_HWNDPREV);
    if ((flags & LAYOUT_FOLLOW_PREVIOUS) && previous) {
        RECT p;
        ClientRectOf(previous, e.parent, &p);
        e.fractions[4] = (r.left - p.left) / rw;
        e.fractions[6] = (r.top - p.top) / rh;
    }
    ArrayAppend(&layout->entries, &e);
    return 0;
}

// Where a centre recorded at a fraction of the client size lies now.
static int CentredAt(double start, double size, double recordedClient, double recordedRef, double client,
                     double ref)
{
    double centre = start + size / 2;
    double perClient = recordedClient > 0 ? recordedClient / recordedRef : 1;
    return (int)(centre / perClient * client - size * ref / 2);
}

int DialogLayoutApply(DialogLayout* layout)
{
    RECT client;
    GetClientRect(layout->dialog, &client);
    double rw, rh;
    ReferenceSize(layout, &rw, &rh);
    double recW = layout->reference.right - layout->reference.left > 0
                      ? layout->reference.right - layout->reference.left : 1;
    double recH = layout->reference.bottom - layout->reference.top > 0
                      ? layout->reference.bottom - layout->reference.top : 1;
    for (int i = 0; i < layout->entries.count; i++) {
        const DialogLayoutEntry* e = &layout->entries.data[i];
        const double* f = e->fractions;
        RECT pc = client;
        if (e->parent && e->parent != layout->dialog) GetClientRect(e->parent, &pc);
        int cw = pc.right - pc.left, ch = pc.bottom - pc.top;
        RECT r;
        ClientRectOf(e->control, e->parent, &r);
        int x = r.left, y = r.top, w = r.right - r.left, h = r.bottom - r.top;
        uint32_t fl = e->flags;
        if (fl & LAYOUT_STRETCH_WIDTH) w = cw - (int)((f[0] + f[5]) * rw);
        if (fl & LAYOUT_STRETCH_HEIGHT) h = ch - (int)((f[1] + f[7]) * rh);
        if (fl & LAYOUT_KEEP_BOTTOM) y = ch - (int)((f[7] + f[3]) * rh);
        if (fl & LAYOUT_KEEP_RIGHT) x = cw - (int)((f[5] + f[2]) * rw);
        if (fl & LAYOUT_CENTRE_H) x = (cw - w) / 2;
        if (fl & LAYOUT_CENTRE_V) y = (ch - h) / 2;
        if (fl & LAYOUT_CENTRE_FRACTION_H) {
            x = CentredAt(f[0], f[2], layout->client.right - layout->client.left, recW, cw, rw);
            y = ch - (int)((f[7] + f[3]) * rh);
        }
        if (fl & LAYOUT_CENTRE_FRACTION_V) {
            y = CentredAt(f[1], f[3], layout->client.bottom - layout->client.top, recH, ch, rh);
            x = cw - (int)((f[5] + f[2]) * rw);
        }
        HWND previous = GetWindow(e->control, GW_HWNDPREV);
        if ((fl & LAYOUT_FOLLOW_PREVIOUS) && previous) {
            RECT p;
            ClientRectOf(previous, e->parent, &p);
            x = p.left + (int)(f[4] * rw);
            y = p.top + (int)(f[6] * rh);
        }
        // A control already in place costs a trip to the window server for nothing.
        if (x == r.left && y == r.top && w == r.right - r.left && h == r.bottom - r.top) continue;
        SetWindowPos(e->control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    }
    return 0;
}

void DialogLayoutFree(DialogLayout* layout)
{
    FreeGrowArray(&layout->entries);
}
