// ScriptInput.cpp - statements that synthesise input: CLICK, TYPE, KEY, DRAG.
#include "engine/Script.h"
#include "engine/ScriptInternal.h"

#include "framework/core/GrowArray.h"
#include "framework/ui/HotkeyKeys.h"

#include <stdlib.h>
#include <string.h>

namespace {

typedef GrowArray<INPUT> InputBatch;

bool IsExtendedKey(WORD vk)
{
    return (vk >= 0x21 && vk <= 0x28) || (vk >= 0x2C && vk <= 0x2E) || vk == 0x90 || vk == 0x91 ||
           vk == 0xA3 || vk == 0xA5;
}

bool IsMouseButtonCode(int vk)
{
    return vk == VK_LBUTTON || vk == VK_RBUTTON || vk == VK_MBUTTON || vk == VK_XBUTTON1 ||
           vk == VK_XBUTTON2;
}

void AddKey(InputBatch* batch, WORD vk, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    ArrayAppend(batch, &in);
}

void AddKeyStroke(InputBatch* batch, WORD vk)
{
    AddKey(batch, vk, false);
    AddKey(batch, vk, true);
}

void AddUnicode(InputBatch* batch, wchar_t ch)
{
    for (int up = 0; up < 2; up++) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wScan = ch;
        in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
        ArrayAppend(batch, &in);
    }
}

void AddMouse(InputBatch* batch, DWORD flags, DWORD data)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.mouseData = data;
    ArrayAppend(batch, &in);
}

// Keys the user holds would change what is typed: they are let go first and
// pressed again afterwards. Mouse buttons are left alone.
struct HeldKeys {
    WORD codes[255];
    int count;
};

void ReleaseHeldKeys(InputBatch* batch, HeldKeys* held)
{
    held->count = 0;
    for (int vk = 1; vk < 255; vk++) {
        if (IsMouseButtonCode(vk) || !(GetAsyncKeyState(vk) & 0x8000)) continue;
        held->codes[held->count++] = (WORD)vk;
        AddKey(batch, (WORD)vk, true);
    }
}

void PressHeldKeys(InputBatch* batch, const HeldKeys* held)
{
    for (int i = 0; i < held->count; i++) AddKey(batch, held->codes[i], false);
}

// The lock keys that are on for the input that the target window reads. A
// thread that handles no input of its own may see stale toggles, so the state
// is read with this thread's input attached to the target's for the moment.
int ReadLocksOn(HWND target, WORD locks[3])
{
    static const WORD kLocks[3] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
    DWORD self = GetCurrentThreadId();
    DWORD other = GetWindowThreadProcessId(target, nullptr);
    bool attached = other && other != self && AttachThreadInput(self, other, TRUE);
    int count = 0;
    for (WORD lock : kLocks)
        if (GetKeyState(lock) & 1) locks[count++] = lock;
    if (attached) AttachThreadInput(self, other, FALSE);
    return count;
}

uint32_t SendBatch(const ScriptRun* run, InputBatch* batch, uint32_t failure)
{
    UINT sent = batch->count ? SendInput((UINT)batch->count, batch->data, sizeof(INPUT)) : 0;
    bool complete = batch->count > 0 && sent == (UINT)batch->count;
    FreeGrowArray(batch);
    return StepOutcome(run, complete, failure);
}

// One character through the layout, with Shift, Ctrl and Alt as it asks; a
// character the layout cannot type goes as a Unicode packet. Returns the
// number of bytes used.
int AddCharacter(InputBatch* batch, const char* p)
{
    int length = (IsDBCSLeadByte((BYTE)p[0]) && p[1]) ? 2 : 1;
    SHORT scan = length == 1 ? VkKeyScanA(p[0]) : (SHORT)-1;
    BYTE shifts = HIBYTE(scan);
    if (scan == -1 || LOBYTE(scan) == 0xFF || (shifts & ~7)) {
        wchar_t wide[2] = {};
        int n = MultiByteToWideChar(CP_ACP, 0, p, length, wide, 2);
        for (int i = 0; i < n; i++) AddUnicode(batch, wide[i]);
        return length;
    }
    static const WORD kModifiers[3] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    for (int m = 0; m < 3; m++)
        if (shifts & (1 << m)) AddKey(batch, kModifiers[m], false);
    AddKeyStroke(batch, LOBYTE(scan));
    for (int m = 2; m >= 0; m--)
        if (shifts & (1 << m)) AddKey(batch, kModifiers[m], true);
    return length;
}

bool StartsWithN(const ScriptArgument* a)
{
    return a->present && a->text[0] == 'N';
}

// Press and release flags of a button: 0 left, 1 right, 2 middle, 3 X1, 4 X2.
bool ButtonFlags(int button, DWORD* down, DWORD* up, DWORD* data)
{
    static const DWORD kDown[5] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_MIDDLEDOWN,
                                   MOUSEEVENTF_XDOWN, MOUSEEVENTF_XDOWN};
    static const DWORD kUp[5] = {MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTUP, MOUSEEVENTF_MIDDLEUP,
                                 MOUSEEVENTF_XUP, MOUSEEVENTF_XUP};
    if (button < 0 || button > 4) return false;
    *down = kDown[button];
    *up = kUp[button];
    *data = button == 3 ? XBUTTON1 : (button == 4 ? XBUTTON2 : 0);
    return true;
}

bool NumberOrAbsent(const ScriptArgument* a)
{
    return !a->present || a->isNumber;
}

}  // namespace

uint32_t ScriptClick(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    if (!NumberOrAbsent(&a[1]) || !NumberOrAbsent(&a[2]) || !NumberOrAbsent(&a[3])) return SCRIPT_BAD_TYPE;
    bool moveOnly = !a[0].isNumber;
    int button = a[0].integer;
    if (!moveOnly && (button < 0 || button > 5)) return SCRIPT_BAD_PARAMETER;
    if (IsCheckOnly(run)) return 0;
    if (!run->current) return SCRIPT_NO_WINDOW;
    ActivateCurrent(run);
    InputBatch batch;
    InitGrowArray(&batch);
    if (!moveOnly && button == 5) {
        if (a[1].integer) AddMouse(&batch, MOUSEEVENTF_HWHEEL, (DWORD)(a[1].integer * WHEEL_DELTA));
        if (a[2].integer) AddMouse(&batch, MOUSEEVENTF_WHEEL, (DWORD)(a[2].integer * WHEEL_DELTA));
        if (!batch.count) return StepOutcome(run, true, SCRIPT_CLICK_FAILED);
        return SendBatch(run, &batch, SCRIPT_CLICK_FAILED);
    }
    RECT rect = {};
    GetWindowRect(run->current, &rect);
    POINT cursor = {};
    GetCursorPos(&cursor);
    POINT target = ScriptPointInRect(rect, &a[1], &a[2], cursor);
    SetCursorPos(target.x, target.y);
    if (moveOnly) return StepOutcome(run, true, SCRIPT_CLICK_FAILED);
    int32_t action = a[3].present ? a[3].integer : 3;
    DWORD down = 0, up = 0, data = 0;
    ButtonFlags(button, &down, &up, &data);
    if (action & 1) AddMouse(&batch, down, data);
    if (action & 2) AddMouse(&batch, up, data);
    if (!batch.count) return StepOutcome(run, true, SCRIPT_CLICK_FAILED);
    return SendBatch(run, &batch, SCRIPT_CLICK_FAILED);
}

uint32_t ScriptType(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    if (!a[0].present) return SCRIPT_SYNTAX_ERROR;
    if (IsCheckOnly(run)) return 0;
    if (!run->current) return SCRIPT_NO_WINDOW;
    char* text = ExpandDateTimeMacros(a[0].text);
    if (!text || !text[0]) {
        free(text);
        return 0;
    }
    if (!StartsWithN(&a[1])) ActivateCurrent(run);
    bool resetLocks = !StartsWithN(&a[2]);

    InputBatch batch;
    InitGrowArray(&batch);
    HeldKeys held;
    ReleaseHeldKeys(&batch, &held);
    WORD locks[3];
    int lockCount = resetLocks ? ReadLocksOn(run->current, locks) : 0;
    for (int i = 0; i < lockCount; i++) AddKeyStroke(&batch, locks[i]);
    for (const char* p = text; *p;) p += AddCharacter(&batch, p);
    PressHeldKeys(&batch, &held);
    for (int i = 0; i < lockCount; i++) AddKeyStroke(&batch, locks[i]);
    free(text);
    return SendBatch(run, &batch, SCRIPT_TYPE_FAILED);
}

uint32_t ScriptKey(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    if (!a[0].present) return SCRIPT_SYNTAX_ERROR;
    // Prefixes only in this order: S+ C+ A+ W+.
    static const struct { char letter; WORD vk; } kPrefixes[4] = {
        {'S', VK_SHIFT}, {'C', VK_CONTROL}, {'A', VK_MENU}, {'W', VK_LWIN}};
    const char* name = a[0].text;
    WORD modifiers[4];
    int modifierCount = 0;
    for (const auto& prefix : kPrefixes)
        if (name[0] == prefix.letter && name[1] == '+') {
            modifiers[modifierCount++] = prefix.vk;
            name += 2;
        }
    int key = FindKeyByConstantName(name);
    if (key < 0) return SCRIPT_KEY_FAILED;
    if (IsCheckOnly(run)) return 0;
    if (!run->current) return SCRIPT_NO_WINDOW;
    if (!StartsWithN(&a[1])) ActivateCurrent(run);

    InputBatch batch;
    InitGrowArray(&batch);
    HeldKeys held;
    ReleaseHeldKeys(&batch, &held);
    for (int i = 0; i < modifierCount; i++) AddKey(&batch, modifiers[i], false);
    AddKeyStroke(&batch, (WORD)key);
    for (int i = modifierCount - 1; i >= 0; i--) AddKey(&batch, modifiers[i], true);
    PressHeldKeys(&batch, &held);
    return SendBatch(run, &batch, SCRIPT_KEY_FAILED);
}

uint32_t ScriptDrag(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    for (int i = 0; i < 5; i++)
        if (!a[i].present) return SCRIPT_SYNTAX_ERROR;
    for (int i = 0; i < 5; i++)
        if (!a[i].isNumber) return SCRIPT_BAD_TYPE;
    int64_t delay = a[5].isNumber ? a[5].integer : 50;
    if (IsCheckOnly(run)) return 0;
    if (!run->current) return SCRIPT_NO_WINDOW;
    ActivateCurrent(run);
    POINT saved = {};
    GetCursorPos(&saved);
    RECT rect = {};
    GetWindowRect(run->current, &rect);
    POINT from = ScriptPointInRect(rect, &a[1], &a[2], saved);
    POINT to = ScriptPointInRect(rect, &a[3], &a[4], saved);
    int button = a[0].integer;
    DWORD down = MOUSEEVENTF_MIDDLEDOWN, up = MOUSEEVENTF_MIDDLEUP;
    if (button == 0) {
        down = MOUSEEVENTF_LEFTDOWN;
        up = MOUSEEVENTF_LEFTUP;
    } else if (button == 1) {
        down = MOUSEEVENTF_RIGHTDOWN;
        up = MOUSEEVENTF_RIGHTUP;
    }
    INPUT press = {};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = down;
    INPUT release = press;
    release.mi.dwFlags = up;
    SetCursorPos(from.x, from.y);
    bool pressed = SendInput(1, &press, sizeof(INPUT)) == 1;
    SetCursorPos(to.x, to.y);
    Sleep(ScriptMilliseconds(delay));
    bool released = SendInput(1, &release, sizeof(INPUT)) == 1;
    SetCursorPos(saved.x, saved.y);
    Sleep(1);
    return StepOutcome(run, pressed && released, SCRIPT_CLICK_FAILED);
}
