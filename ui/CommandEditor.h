// CommandEditor.h - the Command Editor: one command script of a rule or a
// profile, with buttons that insert statements, drag buttons that write them
// for the window under the mouse, and a test that runs the script (or the
// selected statements) on a thread of its own against a real window.
#pragma once

#include <windows.h>

#include "engine/Script.h"

// Modal over owner. context: the caller's, its rule copy's slot holds the
// script; the caller keeps it until this returns. 1 with OK (the slot holds
// the checked script), 2 otherwise (the caller ignores the slot).
INT_PTR ShowCommandEditor(HWND owner, ScriptThreadContext* context);
INT_PTR CALLBACK CommandEditorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The five drag buttons' subclass procedure, installed at WM_INITDIALOG.
LRESULT CALLBACK CommandPickerProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam);
void SubclassCommandPicker(HWND button);

// Replaces the edit box's selection with the formatted statement and CR LF
// (undoable) and focuses it; a statement that would not fit the slot's 1023
// characters is refused whole (false). Only while the editor is open.
bool AppendEditorOutput(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The longest stretch of text without a double quote (the statement's
// quotes cannot hold one): a window's title, class or program, of which any
// part still finds the window.
void CopyQuotableText(char* out, size_t cap, const char* text);
