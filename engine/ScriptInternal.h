// ScriptInternal.h - what the script commands share: the running script's own
// state, the keyword tables and the step helpers.
#pragma once

#include "engine/Script.h"

enum ScriptAlignment {
    ALIGN_LEFT_LEFT, ALIGN_LEFT_RIGHT, ALIGN_RIGHT_LEFT, ALIGN_RIGHT_RIGHT,
    ALIGN_TOP_TOP, ALIGN_TOP_BOTTOM, ALIGN_BOTTOM_TOP, ALIGN_BOTTOM_BOTTOM,
    ALIGN_CENTER, ALIGN_COUNT
};
enum ScriptSizeMode { SIZEMODE_ABSOLUTE, SIZEMODE_RELATIVE, SIZEMODE_COUNT };
enum ScriptReference { REF_WINDOW, REF_MONITOR, REF_DESKTOP, REF_MOUSE, REF_COUNT };

// Compared without regard to case.
extern const char* const kAlignments[ALIGN_COUNT];
extern const char* const kSizeModes[SIZEMODE_COUNT];
extern const char* const kReferenceKinds[REF_COUNT];
// The keyword's index in the table, or -1.
int FindScriptKeyword(const char* const* table, int count, const char* text);
bool IsScriptBlank(char c);

// Continue modes.
#define CONTINUE_STOP    0   // a failing step ends the script
#define CONTINUE_IGNORE  1   // failures are ignored
#define CONTINUE_INVERT  2   // window, control, close and input steps succeed when they fail

// One running script's settings; scripts on other threads have their own.
struct ScriptRun {
    ScriptThreadContext* context;
    uint32_t mode;            // SCRIPT_*
    HWND     current;         // target of input, state and placement steps
    HWND     top;             // set by WINDOW: searched by CONTROL, closed by CLOSE
    uint8_t  attach;          // activation attaches to the target's input
    int32_t  continueMode;
    RECT     reference;
    uint8_t  referenceSet;
    int32_t  statementsRun;
};

// Each command returns its message code, 0 to go on.
typedef uint32_t (*ScriptCommandProc)(ScriptRun* run, const ScriptStatement* s);

uint32_t ScriptWindow(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptControl(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptClose(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptStop(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptTerminate(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptRunProgram(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptClick(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptType(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptKey(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptDrag(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptMove(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptSize(ScriptRun* run, const ScriptStatement* s);
uint32_t ScriptSetReference(ScriptRun* run, const ScriptStatement* s);

// A step's outcome under the continue mode: 0 goes on, else the code that
// ends the script.
uint32_t StepOutcome(const ScriptRun* run, bool succeeded, uint32_t failure);
inline bool IsCheckOnly(const ScriptRun* run)
{
    return run->mode == SCRIPT_CHECK_ONLY;
}
// Brings the current window to the front with the script's attach setting.
void ActivateCurrent(const ScriptRun* run);
// Negative times are 0, and no time reaches INFINITE.
DWORD ScriptMilliseconds(int64_t ms);
// A draw from the thread's generator scaled into 0..range (64-bit, truncated).
int64_t ScriptRandom(int64_t range);
// The point x, y relative to the rectangle: "%" values are percentages of its
// width and height; an absent value keeps that coordinate of keep.
POINT ScriptPointInRect(const RECT& rect, const ScriptArgument* x, const ScriptArgument* y,
                        POINT keep);
// A window's text through WM_GETTEXT (another process's control needs it),
// bounded in time so a hung window cannot stop the script.
void ReadWindowText(HWND window, char* text, int size);
