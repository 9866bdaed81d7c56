// TestWindowClient.cpp - drives testwindow.exe through pipes.
#include "tests/support/TestWindowClient.h"

#include "tests/support/TestEnv.h"

#include <stdio.h>
#include <string.h>

static bool ReadLine(TestWindow* w, std::string* line, DWORD ms)
{
    bool got = PumpUntil(
        [&] {
            size_t nl = w->pending.find('\n');
            if (nl != std::string::npos) {
                *line = w->pending.substr(0, nl);
                w->pending.erase(0, nl + 1);
                while (!line->empty() && (line->back() == '\r')) line->pop_back();
                return true;
            }
            DWORD avail = 0;
            if (!PeekNamedPipe(w->fromChild, nullptr, 0, nullptr, &avail, nullptr)) return false;
            if (avail) {
                char buf[4096];
                DWORD n = 0;
                if (ReadFile(w->fromChild, buf, avail < sizeof(buf) ? avail : sizeof(buf), &n,
                             nullptr))
                    w->pending.append(buf, n);
            }
            return false;
        },
        ms);
    return got;
}

bool StartTestWindow(TestWindow* w, const std::string& args, DWORD ms)
{
    return StartPipedProgram(w, "testwindow.exe", args, ms);
}

bool StartPipedProgram(TestWindow* w, const char* program, const std::string& args, DWORD ms)
{
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &w->toChild, &sa, 0)) return false;
    if (!CreatePipe(&w->fromChild, &childOut, &sa, 0)) return false;
    SetHandleInformation(w->toChild, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(w->fromChild, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn;
    si.hStdOutput = childOut;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + BinPath(program) + "\" " + args;
    BOOL ok = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                             &pi);
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!ok) return false;
    CloseHandle(pi.hThread);
    w->process = pi.hProcess;
    w->pid = pi.dwProcessId;

    std::string ready;
    if (!ReadLine(w, &ready, ms)) return false;
    unsigned long long h = 0;
    if (sscanf(ready.c_str(), "ready %llx", &h) != 1) return false;
    w->hwnd = (HWND)(ULONG_PTR)h;
    return true;
}

bool ParseTestWindowReport(const std::string& line, TestWindowReport* r)
{
    TestWindowReport out;
    unsigned long ex = 0;
    int vis = 0, mn = 0, mx = 0, top = 0;
    int n = sscanf(line.c_str(),
                   "ok show=%u normal=%ld,%ld,%ld,%ld rect=%ld,%ld,%ld,%ld ex=0x%lx alpha=%d "
                   "vis=%d min=%d max=%d top=%d",
                   &out.showCmd, &out.normal.left, &out.normal.top, &out.normal.right,
                   &out.normal.bottom, &out.rect.left, &out.rect.top, &out.rect.right,
                   &out.rect.bottom, &ex, &out.alpha, &vis, &mn, &mx, &top);
    if (n != 15) return false;
    out.exStyle = ex;
    out.visible = vis != 0;
    out.iconic = mn != 0;
    out.zoomed = mx != 0;
    out.topmost = top != 0;
    out.valid = true;
    *r = out;
    return true;
}

bool PipedStep(TestWindow* w, const std::string& step, std::string* reply, DWORD ms)
{
    if (!w->toChild) return false;
    std::string line = step + "\n";
    DWORD n = 0;
    if (!WriteFile(w->toChild, line.data(), (DWORD)line.size(), &n, nullptr) || n != line.size())
        return false;
    return ReadLine(w, reply, ms);
}

bool TestWindowStep(TestWindow* w, const std::string& step, TestWindowReport* report, DWORD ms)
{
    std::string reply;
    if (!PipedStep(w, step, &reply, ms)) return false;
    if (reply.compare(0, 3, "ok ") != 0 && reply != "ok") return false;
    if (report) return ParseTestWindowReport(reply, report);
    return true;
}

bool ReadTestWindowControls(TestWindow* w, TestWindowControls* controls, DWORD ms)
{
    std::string reply;
    if (!PipedStep(w, "controls", &reply, ms)) return false;
    int clicks = 0, enabled = 0, caps = 0, used = 0;
    if (sscanf(reply.c_str(), "ok clicks=%d enabled=%d caps=%d edit=%n", &clicks, &enabled, &caps, &used) != 3 ||
        !used)
        return false;
    controls->clicks = clicks;
    controls->buttonEnabled = enabled != 0;
    controls->capsLock = caps != 0;
    controls->edit = reply.substr((size_t)used);
    return true;
}

bool WaitForReport(TestWindow* w, const std::function<bool(const TestWindowReport&)>& done,
                   TestWindowReport* last, DWORD ms)
{
    return PumpUntil([&] { return TestWindowStep(w, "report", last) && done(*last); }, ms);
}

void StopTestWindow(TestWindow* w)
{
    if (w->toChild) {
        DWORD n = 0;
        WriteFile(w->toChild, "close\n", 6, &n, nullptr);
        CloseHandle(w->toChild);
        w->toChild = nullptr;
    }
    if (w->process) {
        if (!PumpUntil([&] { return WaitForSingleObject(w->process, 0) == WAIT_OBJECT_0; }, 5000))
            TerminateProcess(w->process, 1);
        WaitForSingleObject(w->process, 5000);
        CloseHandle(w->process);
        w->process = nullptr;
    }
    if (w->fromChild) {
        CloseHandle(w->fromChild);
        w->fromChild = nullptr;
    }
    w->hwnd = nullptr;
    w->pending.clear();
}
