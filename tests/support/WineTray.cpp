// WineTray.cpp - finding and clicking Wine's stand-alone tray icons.
#include "tests/support/WineTray.h"

#include "tests/support/HostTools.h"
#include "tests/support/TestEnv.h"

#include <algorithm>
#include <string>

HWND FindWineTray()
{
    return FindWindowA(nullptr, "Wine System Tray");
}

std::vector<RECT> TrayIconRects()
{
    std::vector<RECT> rects;
    HWND tray = FindWineTray();
    for (HWND icon = tray ? GetWindow(tray, GW_CHILD) : nullptr; icon; icon = GetWindow(icon, GW_HWNDNEXT)) {
        RECT r;
        if (IsWindowVisible(icon) && GetWindowRect(icon, &r)) rects.push_back(r);
    }
    std::sort(rects.begin(), rects.end(), [](const RECT& a, const RECT& b) { return a.left < b.left; });
    return rects;
}

int CountTrayIcons()
{
    return (int)TrayIconRects().size();
}

bool ClickAt(POINT p, int button)
{
    std::string script = "xdotool mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) + " click " +
                         std::to_string(button);
    std::string output;
    return RunHostScript(BinFolder(), script, &output, 20000) == 0;
}

bool ClickAt(const RECT& r, int button)
{
    return ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, button);
}

static bool RunInputSender(const std::string& args)
{
    ChildProcess child;
    if (!StartProcess("\"" + BinPath("inputsender.exe") + "\" " + args, &child)) return false;
    long code = WaitProcess(&child, 20000);
    CloseProcess(&child);
    return code == 0;
}

bool SendHotkeyInput(unsigned word)
{
    return RunInputSender("keys " + std::to_string(word));
}

bool SendClickInput(POINT p, bool right)
{
    return RunInputSender("click " + std::to_string(p.x) + " " + std::to_string(p.y) + (right ? " right" : " left"));
}

std::vector<COLORREF> ScreenPixels(const RECT& r)
{
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++) pixels.push_back(GetPixel(screen, x, y));
    ReleaseDC(nullptr, screen);
    return pixels;
}
