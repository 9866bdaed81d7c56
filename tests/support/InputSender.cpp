// InputSender.cpp - sends keyboard and mouse input as a user would, from a
// process of its own, and ends:
//
//   inputsender keys 0xWORD          a hotkey word: modifiers (0x100 Alt, 0x200 Ctrl,
//                                    0x400 Shift, 0x800 Win) and the virtual key
//   inputsender click X Y left|right a click at a screen point
//
// Wine hands SendInput of any process to the foreground window's thread and
// to the hotkeys of every process, so the window under test keeps the focus.
// The exit code is the number of events SendInput did not send.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

static int SendKeys(unsigned word)
{
    static const struct { unsigned bit; WORD vk; } kModifiers[] = {
        {0x200, VK_CONTROL}, {0x100, VK_MENU}, {0x400, VK_SHIFT}, {0x800, VK_LWIN}};
    INPUT in[10] = {};
    int n = 0;
    for (const auto& m : kModifiers)
        if (word & m.bit) in[n++].ki.wVk = m.vk;
    in[n++].ki.wVk = (WORD)(word & 0xFF);
    for (int i = n - 1; i >= 0; i--) {
        in[n + (n - 1 - i)].ki.wVk = in[i].ki.wVk;
        in[n + (n - 1 - i)].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    int total = 2 * n;
    for (int i = 0; i < total; i++) in[i].type = INPUT_KEYBOARD;
    return total - (int)SendInput((UINT)total, in, sizeof(INPUT));
}

static int SendClick(int x, int y, bool right)
{
    if (!SetCursorPos(x, y)) return 2;
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    return 2 - (int)SendInput(2, in, sizeof(INPUT));
}

int main(int argc, char** argv)
{
    int missing = 99;
    if (argc == 3 && strcmp(argv[1], "keys") == 0)
        missing = SendKeys((unsigned)strtoul(argv[2], nullptr, 0));
    else if (argc == 5 && strcmp(argv[1], "click") == 0)
        missing = SendClick(atoi(argv[2]), atoi(argv[3]), strcmp(argv[4], "right") == 0);
    return missing;
}
