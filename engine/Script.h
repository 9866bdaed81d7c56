// Script.h - the command-script language: statements and their parsing, the
// date and time macros, and the thread that runs a script.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <time.h>

#include "engine/RuleRecord.h"
#include "engine/WindowTable.h"

// What a delayed or retried application or a script thread works on: its own
// copies, so the rule may change or go meanwhile.
struct ScriptThreadContext {
    Rule            rule;
    MonitoredWindow window;
    uint32_t        mode;             // application threads: the mask; scripts: SCRIPT_*
    uint32_t        scriptPosition;   // in: offset of the first character to run; then the statement running
    uint32_t        scriptLength;     // in: characters to run, 0 all; out: the offset reached
    uint8_t         slot;             // application threads: the source; scripts: the command slot
    uint8_t         switchChain;      // profile switches asked by scripts that led to this script
};

// Profile switches asked by scripts in a row that still run the scripts of the
// profiles they switch to (their own and their rules'); the next switch of
// such a chain runs none.
#define SCRIPT_SWITCH_CHAIN_MAX 8

// Script modes.
#define SCRIPT_CHECK_ONLY 0   // statements are parsed and their arguments tested
#define SCRIPT_RUN        1   // the caller owns the context
#define SCRIPT_RUN_FREE   2   // the thread frees the context (with free())

// Command numbers: the index in the command table.
enum ScriptCommand {
    SCMD_NONE = 0,
    SCMD_WINDOW, SCMD_CONTROL, SCMD_CLICK, SCMD_TYPE, SCMD_KEY, SCMD_WAIT, SCMD_RUN, SCMD_STOP,
    SCMD_CLOSE, SCMD_MOVE, SCMD_SIZE, SCMD_STATE, SCMD_ENABLE, SCMD_PROFILE, SCMD_DESKTOP,
    SCMD_ATTACH, SCMD_TITLE, SCMD_BLINK, SCMD_DRAG, SCMD_SETREF, SCMD_CONTINUE, SCMD_TERMINATE,
    SCMD_COUNT
};

// Message codes: (column << 8) | product string id. A result code is
// (command number << 16) | message code; 0 is success.
#define SCRIPT_SYNTAX_ERROR   0x064
#define SCRIPT_BAD_PARAMETER  0x164
#define SCRIPT_BAD_TYPE       0x264
#define SCRIPT_NO_WINDOW      0x065
#define SCRIPT_NO_ITEM        0x165
#define SCRIPT_CLICK_FAILED   0x265
#define SCRIPT_TYPE_FAILED    0x365
#define SCRIPT_KEY_FAILED     0x465
#define SCRIPT_RUN_FAILED     0x565
#define SCRIPT_PROFILE_FAILED 0x665
#define SCRIPT_NO_COMMAND     0x765
#define SCRIPT_RESULT(command, code) (((uint32_t)(command) << 16) | (uint32_t)(code))
#define SCRIPT_RESULT_COMMAND(result) (((result) >> 16) & 0xFF)
#define SCRIPT_RESULT_CODE(result)    ((result) & 0xFFFF)

#define SCRIPT_ARGUMENTS     6
#define SCRIPT_ARGUMENT_SIZE 1040

struct ScriptArgument {
    uint8_t present;                    // the text between the separators is not empty
    char    raw[SCRIPT_ARGUMENT_SIZE];  // as written, from its first non-blank, quotes kept
    char    text[SCRIPT_ARGUMENT_SIZE]; // blanks and double quotes removed at both ends
    int32_t integer;                    // decimal, or hexadecimal after 0x
    double  number;
    uint8_t isNumber;                   // either conversion read at least one character
    uint8_t percent;                    // a "%" follows the number
};

struct ScriptStatement {
    int32_t        command;
    ScriptArgument args[SCRIPT_ARGUMENTS];
};

// The command's name, "" for 0 or a number out of range.
const char* ScriptCommandName(int number);
// The message of a result code's low 16 bits; "" for success or an unknown code.
const char* ScriptResultMessage(uint32_t result);

// Parses the statement at the cursor and moves the cursor on. Returns
// (command << 16) with code 0 or SCRIPT_SYNTAX_ERROR; 0 for a comment (the
// cursor then stands at the line end) or a word that is no command (the
// cursor stays).
uint32_t ParseCommandStatement(const char** cursor, ScriptStatement* statement);

// A new copy of the text with "#DATE#", "#YEAR#" and the other macros
// replaced by the local time in the user's locale; the caller frees it with
// free(). Null for an empty text or when memory runs out.
char* ExpandDateTimeMacros(const char* text);
// The clock the macros read; null restores the system's local time (tests).
typedef void (*ScriptClockProc)(struct tm* now);
void SetScriptClock(ScriptClockProc clock);

// Thread procedure: runs the script in context->rule.cmdtext[context->slot].
// The exit code is the result code.
DWORD WINAPI RunCommandScript(void* context);

// The first visible top-level window of nonzero size, in EnumWindows order,
// whose title, class and program path contain the texts (case-sensitive;
// empty texts match anything); null when none.
HWND FindScriptWindow(const char* title, const char* className, const char* program);

// Requests a script posts to the main window as WM_SCRIPTREQUEST (wParam the
// kind): the UI thread carries them out, never the script thread.
#define SCRIPT_REQUEST_PROFILE   1   // lParam: a ScriptProfileRequest the receiver frees with free()
#define SCRIPT_REQUEST_DESKTOP   2   // lParam: the desktop number counted from 0
#define SCRIPT_REQUEST_FROM_TRAY 3   // lParam: the window to bring back from the tray
struct ScriptProfileRequest {
    char    name[SCRIPT_ARGUMENT_SIZE];
    uint8_t switchChain;   // the asking script's chain plus one
};
