// The window system of the Windows program: Windows' own operations.
//
// Almost everything forwards to user32, comctl32, comdlg32 and kernel32 unchanged;
// Windows already behaves as the interface describes. What this layer adds:
//  - every dialog procedure is wrapped, so a worker thread can ask the GUI thread to
//    end a dialog with a posted message (a dialog can only be ended on its own thread);
//  - threads are started with _beginthreadex and kept as handles that can be joined
//    once, and alerted with an empty APC to cut an alertable SleepEx short.
#pragma once

#include <map>
#include <mutex>

#include "platform/window_system.h"

namespace tavrinole {

class Win32WindowSystem final : public WindowSystem {
 public:
  // Posted to a dialog by PostEndDialog; the wrapper answers it with EndDialog(wParam)
  // and never passes it on to the dialog's own procedure.
  static constexpr UINT EndDialogMessage = WM_APP + 0x2E0;

  Win32WindowSystem() = default;
  ~Win32WindowSystem() override;  // releases the handles of threads never joined
  Win32WindowSystem(const Win32WindowSystem&) = delete;
  Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

  INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC proc,
                          LPARAM param) override;
  BOOL EndDialog(HWND dialog, INT_PTR result) override;
  BOOL PostEndDialog(HWND dialog, INT_PTR result) override;
  HWND GetDlgItem(HWND dialog, int id) override;
  LONG_PTR SetWindowLongPtrW(HWND dialog, int index, LONG_PTR value) override;
  LONG_PTR GetWindowLongPtrW(HWND dialog, int index) override;
  BOOL EnableWindow(HWND window, BOOL enable) override;
  BOOL IsWindowEnabled(HWND window) override;
  BOOL SetWindowTextW(HWND window, LPCWSTR text) override;
  int GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) override;
  LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) override;
  BOOL GetOpenFileNameW(LPOPENFILENAMEW record) override;
  BOOL GetSaveFileNameW(LPOPENFILENAMEW record) override;
  BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) override;
  BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSEXW info) override;
  ATOM RegisterClassExW(const WNDCLASSEXW* info) override;
  HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy,
                    UINT flags) override;
  ThreadHandle BeginThread(ThreadRoutine routine, void* argument) override;
  BOOL JoinThread(ThreadHandle thread) override;
  BOOL AlertThread(ThreadHandle thread) override;
  DWORD SleepEx(DWORD milliseconds, BOOL alertable) override;

 private:
  std::mutex mutex_;
  std::map<HANDLE, DWORD> threads_;  // started and not yet joined: handle -> thread id
};

}  // namespace tavrinole
