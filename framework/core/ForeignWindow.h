// ForeignWindow.h - calls on windows that may belong to another thread, whose
// thread may have stopped taking messages: none of them waits on it unbounded.
#pragma once

#include <windows.h>

// How long a window's thread may take to answer before it counts as busy or
// hung for now.
#define WINDOW_ANSWER_MS 200

// True for a window of the calling thread.
bool IsOwnThreadWindow(HWND window);
// True when the window's thread takes a message within WINDOW_ANSWER_MS (at
// once for a window of this thread); false for a hung or gone window. Asked
// after asynchronous calls, it also waits for them where they travel as sent
// messages (Wine); posted ones may still be on their way.
bool WindowAnswers(HWND window);
// The window's title, read without a message to its thread; its length.
int ReadWindowTitle(HWND window, char* buffer, int size);
// Sets the extended style; another thread's window is asked first and then
// waited for at most WINDOW_ANSWER_MS. True when the change was made.
bool SetWindowExStyle(HWND window, LONG style);
