// The window system and thread operations that the dialogs and the job call.
//
// Every operation keeps its Win32 name and, where Win32 has one, its Win32 signature,
// so dialog procedures read as Win32 code: ws.SetWindowTextW(status, WTEXT("...")).
// Three layers provide it: win32/ (the real API, mostly forwarding), qt/ (Qt Widgets)
// and scripted/ (in memory, for tests). Each comment says what callers may rely on on
// every layer; anything not said there is the layer's own business.
//
// Threads. One thread, the GUI thread, runs DialogBoxParamW and with it every dialog
// procedure. Other threads (the job and its ticker) may call only SetWindowTextW,
// MessageBoxW, PostEndDialog, EndDialog, the thread operations and the sleeps.
#pragma once

#include <cstdint>

#include "platform/win32_api.h"

namespace tavrinole {

// A routine run on a thread of its own; the thread ends when the routine returns.
using ThreadRoutine = void (*)(void* argument);

// A started thread. None means the thread could not be started.
enum class ThreadHandle : uintptr_t { None = 0 };

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // --- Dialogs ---------------------------------------------------------------------

  // Builds dialog `templateName` (MAKEINTRESOURCEW(id)) of the program's resources, sends
  // WM_INITDIALOG to `proc` with `param`, and runs a modal loop until EndDialog is called
  // for it; returns the value given to EndDialog, or -1 if the dialog cannot be created.
  // An owner, when given, is disabled while the dialog runs and enabled again at its end;
  // the owner's controls keep their own enabled flags. While the loop runs the GUI thread
  // serves requests from other threads (SetWindowTextW, PostEndDialog), also inside
  // nested loops, but never in the middle of a procedure call. Esc and Enter reach the
  // procedure as WM_COMMAND with IDCANCEL and IDOK; the close box as WM_CLOSE. Nothing
  // but EndDialog ends the loop, and a nested loop above it is unwound first.
  virtual INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner,
                                  DLGPROC proc, LPARAM param) = 0;

  // Marks a modal dialog to end with `result`; its DialogBoxParamW returns once control
  // is back in its loop. Called on another thread it is the same as PostEndDialog.
  virtual BOOL EndDialog(HWND dialog, INT_PTR result) = 0;

  // From any thread: asks the GUI thread to end `dialog` with `result` and returns at
  // once without waiting. FALSE if the dialog no longer exists. The dialog procedure has
  // nothing to handle for it: the layer carries it out (Win32 posts a private message).
  virtual BOOL PostEndDialog(HWND dialog, INT_PTR result) = 0;

  // The handle of control `id` of `dialog`, or null. Handles go stale safely: once their
  // dialog has ended, every operation on them fails at once instead of touching freed
  // state.
  virtual HWND GetDlgItem(HWND dialog, int id) = 0;

  // GUI thread. A dialog's DWLP_USER value, which its procedure stores at WM_INITDIALOG
  // to find its object later: Set returns the value before, Get the value now, 0 until
  // one is set. A stale handle gives 0 and changes nothing. Other indices, and
  // controls, are for nothing of ours: Win32 acts on them as it does, the other layers
  // return 0.
  virtual LONG_PTR SetWindowLongPtrW(HWND dialog, int index, LONG_PTR value) = 0;
  virtual LONG_PTR GetWindowLongPtrW(HWND dialog, int index) = 0;

  // The window system that calls a dialog procedure on this thread now, or null. A
  // procedure has no argument for it; every layer names itself for the length of each
  // call, so the procedure can reach the operations, its dialog's DWLP_USER among them.
  static WindowSystem* Calling();

  // --- Controls --------------------------------------------------------------------

  // Sets a control's (or a dialog's) own enabled flag. Returns nonzero if it was
  // disabled before. A disabled control, or any control of a disabled dialog, takes no
  // input and sends no command.
  virtual BOOL EnableWindow(HWND window, BOOL enable) = 0;

  // A control's own flag; for a dialog, also FALSE while a modal dialog or message box
  // it owns is open.
  virtual BOOL IsWindowEnabled(HWND window) = 0;

  // Replaces a control's text, shown exactly as given. From another thread it is carried
  // out by the GUI thread when it next pumps, while the caller waits; a request to a
  // window whose dialog has ended fails at once (FALSE) and never blocks.
  virtual BOOL SetWindowTextW(HWND window, LPCWSTR text) = 0;

  // Copies at most maxCount - 1 code units of the window's text and a terminator into
  // `buffer`; returns the number copied (0 for a stale handle).
  virtual int GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) = 0;

  // GUI thread only. BM_GETCHECK on a check box: BST_CHECKED (1) or BST_UNCHECKED (0);
  // BM_SETCHECK sets it. A message to a dialog goes to its procedure. An automatic check
  // box toggles before its WM_COMMAND arrives, so the procedure reads the new state.
  virtual LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

  // --- Message boxes and file dialogs ----------------------------------------------

  // Shows `text` (a lone '\n' breaks the line) under `caption`, both verbatim; MB_OK is
  // one OK button, MB_YESNO Yes and No. Returns IDOK, IDYES or IDNO once the user has
  // answered. Only the calling thread waits: from a worker the GUI keeps running. An
  // owner, when given, is disabled while the box shows; with no owner every dialog
  // stays usable.
  virtual int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) = 0;

  // The common file dialogs. Nonzero when a file was chosen: its full path, exactly as
  // typed with its folder and no extension added, is in record->lpstrFile (at most
  // nMaxFile units with the terminator). Zero on cancel or failure, including a path
  // that does not fit. Filters are (display text, ';'-separated patterns) pairs matched
  // without regard to case; "*.*" matches every name. OFN_PATHMUSTEXIST,
  // OFN_FILEMUSTEXIST (open) and OFN_OVERWRITEPROMPT (save) keep the dialog open until
  // the name is acceptable.
  virtual BOOL GetOpenFileNameW(LPOPENFILENAMEW record) = 0;
  virtual BOOL GetSaveFileNameW(LPOPENFILENAMEW record) = 0;

  // --- Start-up --------------------------------------------------------------------

  virtual BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) = 0;
  // Fills `info` with the class `className` (WC_DIALOG: the system dialog class).
  virtual BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSEXW info) = 0;
  // Registers a class; dialogs whose template names it use it. Zero on failure.
  virtual ATOM RegisterClassExW(const WNDCLASSEXW* info) = 0;
  // Loads image resource `name` (IMAGE_ICON) at cx by cy pixels; null on failure.
  virtual HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy,
                            UINT flags) = 0;

  // --- Threads and time ------------------------------------------------------------

  // Runs routine(argument) on a new thread with the default stack size. Returns None if
  // the thread could not be started (the routine then never runs).
  virtual ThreadHandle BeginThread(ThreadRoutine routine, void* argument) = 0;

  // Waits until the thread's routine has returned and releases the handle; FALSE for an
  // unknown or already joined handle, or when a thread tries to join itself. A handle
  // never joined is released with the window system.
  virtual BOOL JoinThread(ThreadHandle thread) = 0;

  // Cuts short the thread's current alertable SleepEx, or its next one if it is not
  // sleeping now. How the job stops its ticker without waiting out a 500 ms step.
  virtual BOOL AlertThread(ThreadHandle thread) = 0;

  // Suspends the calling thread for `milliseconds`. Returns 0 when the time is up, or
  // WAIT_IO_COMPLETION when `alertable` and the thread was alerted.
  virtual DWORD SleepEx(DWORD milliseconds, BOOL alertable) = 0;
  void Sleep(DWORD milliseconds) { (void)SleepEx(milliseconds, FALSE); }

  // Held by a layer around each call of a dialog procedure; calls nest.
  class CallingScope {
   public:
    explicit CallingScope(WindowSystem& windows);
    ~CallingScope();
    CallingScope(const CallingScope&) = delete;
    CallingScope& operator=(const CallingScope&) = delete;

   private:
    WindowSystem* outer_;
  };
};

}  // namespace tavrinole
