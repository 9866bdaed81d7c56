// CaptureFrameLink.h - the engine's way to the red capture frame that blinks
// round a window. The frame is drawn by the product UI above the engine; the
// program hands its entry point in at start-up.
#pragma once

#include <windows.h>

// Frames the window, or removes the frame for null. UI thread.
typedef void (*ShowCaptureFrameProc)(HWND window);

// Called once by the program before its message loop; null leaves no frame.
void SetCaptureFrameEntryPoint(ShowCaptureFrameProc show);

// The main window's WM_CAPTUREFRAME: frames the window or removes the frame.
void ShowCaptureFrame(HWND window);
