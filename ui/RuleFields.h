// RuleFields.h - the tables that tie a page's controls to a rule's fields
// (one table per page shows, writes and compares them), the change tests
// the editors ask on OK and Cancel, and what the rule editor's pages share.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include "engine/RuleRecord.h"

// Between the rule editor, its pages and their option children; all sent.
#define WM_RULEPAGE_WRITE   0x401   // controls into the rule (lParam: another rule, or 0)
#define WM_RULEPAGE_SHOW    0x402   // the rule into the controls
#define WM_RULEPAGE_ENABLE  0x403   // which controls are enabled (lParam: the class text, Advanced page)
#define WM_RULEPAGE_FOCUS   0x404   // answers the control to focus first
#define WM_RESULT_SHOW      0x408   // Match Result: show the test data's texts
#define WM_RULEPAGE_CHANGED 0x409   // answers 1 when a control differs from the rule

enum RuleFieldKind : uint8_t {
    RFK_CHECK,        // check box over a byte (mask: its bits; 0 the whole byte as 0/1)
    RFK_CHECK3,       // three-state check box: the byte is the state (2 = decide later)
    RFK_COMBO,        // selection + offset over the byte's mask bits (0: all)
    RFK_COMBO_TEXT,   // selection found by the text; none stores 0xFF
    RFK_DESKTOP,      // "1".."n", "Pin to all"; none stores 0xFF
    RFK_NUMBER,       // decimal, clamped; empty stores the row's empty value
    RFK_TEXT,         // text of the field's size, with its length field when lengthAt >= 0
};

struct RuleField {
    int16_t  id;
    uint8_t  kind;
    uint8_t  mask;
    int16_t  offset;     // combo: value = selection + offset; check: 1 shows the inverse
    uint16_t at, size;   // the field in the rule
    int16_t  lengthAt;   // text: its length field, -1 none
    int32_t  minimum, maximum, empty;
};

#define RF_AT(member) (uint16_t) offsetof(Rule, member), (uint16_t)sizeof(((Rule*)nullptr)->member)
#define RF_CHECK(id, member, mask, invert) {id, RFK_CHECK, mask, invert, RF_AT(member), -1, 0, 0, 0}
#define RF_CHECK3(id, member) {id, RFK_CHECK3, 0, 0, RF_AT(member), -1, 0, 0, 0}
#define RF_COMBO(id, member, mask, offset) {id, RFK_COMBO, mask, offset, RF_AT(member), -1, 0, 0, 0}
#define RF_COMBO_TEXT(id, member) {id, RFK_COMBO_TEXT, 0, 0, RF_AT(member), -1, 0, 0, 0}
#define RF_DESKTOP(id, member) {id, RFK_DESKTOP, 0, 0, RF_AT(member), -1, 0, 0, 0}
#define RF_NUMBER(id, member, lo, hi, empty) {id, RFK_NUMBER, 0, 0, RF_AT(member), -1, lo, hi, empty}
#define RF_TEXT(id, member) {id, RFK_TEXT, 0, 0, RF_AT(member), -1, 0, 0, 0}
#define RF_TEXT_LEN(id, member) \
    {id, RFK_TEXT, 0, 0, RF_AT(member), (int16_t)offsetof(Rule, member##len), 0, 0, 0}

// The title, class and program criteria (mode, Not, text) and the two
// separators, as the Match page and Edit Rule Template show them.
#define RF_MATCH_CRITERIA                                                                             \
    RF_COMBO(IDCB_MATCH_TITLECMP, cmpcaption, CMP_MODE_MASK, 0),                                      \
        RF_CHECK(IDX_MATCH_TITLENOT, cmpcaption, CMP_NEGATE, 0), RF_TEXT_LEN(IDE_MATCH_TITLE, caption), \
        RF_COMBO(IDCB_MATCH_CLASSCMP, cmpwndclss, CMP_MODE_MASK, 0),                                  \
        RF_CHECK(IDX_MATCH_CLASSNOT, cmpwndclss, CMP_NEGATE, 0), RF_TEXT_LEN(IDE_MATCH_CLASS, wndclss), \
        RF_COMBO(IDCB_MATCH_PROGCMP, cmpprogram, CMP_MODE_MASK, 0),                                   \
        RF_CHECK(IDX_MATCH_PROGNOT, cmpprogram, CMP_NEGATE, 0),                                       \
        RF_TEXT_LEN(IDE_MATCH_PROGRAM, program), RF_TEXT(IDE_MATCH_AND, sepan), RF_TEXT(IDE_MATCH_OR, sepor)

void ShowRuleFields(HWND dialog, const Rule* rule, const RuleField* fields, size_t count);
void WriteRuleFields(HWND dialog, Rule* rule, const RuleField* fields, size_t count);
// True at the first control that differs from its field.
bool RuleFieldsChanged(HWND dialog, const Rule* rule, const RuleField* fields, size_t count);

//--- change tests
// The control's text differs byte-wise from the stored text (both at most
// size - 1 characters).
bool IsDialogTextChanged(const char* stored, size_t size, HWND dialog, int id);
// By the control's class: a button's check state, a combo box's selection (or
// its text found in its list), otherwise the number in it (empty: VALUE_ANY);
// offset is added to the control's value first.
bool IsDialogControlChanged(int32_t stored, HWND dialog, int id, int32_t offset);
bool IsDialogNumberChanged(int32_t stored, HWND dialog, int id);
// The index of the combo box's text in its list (exact), VALUE_ANY for an
// empty text, -1 without the control or when it is not in the list.
int32_t GetComboSelectionByText(HWND dialog, int id);

//--- small things the pages share
// The number in the field; VALUE_ANY when it is empty.
int32_t ReadNumberField(HWND dialog, int id, int32_t minimum, int32_t maximum);
// Fills a combo box with columns first..last of a product string row.
void FillComboFromStrings(HWND dialog, int id, uint16_t row, int first, int last);
// Moves the child to the placeholder's top-left corner, destroys the
// placeholder and shows the child.
void PlaceAtPlaceholder(HWND parent, HWND child, int placeholderId);
// A dialog procedure's answer to a sent message.
INT_PTR AnswerMessage(HWND dialog, LRESULT value);
// The rule's last window while it still is the window the table tracks
// (checked under the table lock), or null. entry (may be null) gets a copy
// of its table entry.
struct MonitoredWindow;
HWND LiveRuleWindow(const Rule* rule, MonitoredWindow* entry);
