// CaptureFrameLink.cpp - the capture frame, through the entry point the
// program hands in.
#include "engine/CaptureFrameLink.h"

// Set once on the UI thread before the message loop, read only afterwards.
static ShowCaptureFrameProc g_showFrame;

void SetCaptureFrameEntryPoint(ShowCaptureFrameProc show)
{
    g_showFrame = show;
}

void ShowCaptureFrame(HWND window)
{
    if (g_showFrame) g_showFrame(window);
}
