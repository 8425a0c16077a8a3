#include "platform/win32/win32_window_system.h"

#include <process.h>

#include <memory>

namespace tavrinole {
namespace {

// What the wrapper needs to reach the dialog's own procedure. It lives on the stack of
// DialogBoxParamW, which does not return before the dialog is destroyed.
struct DialogHook {
  WindowSystem* windows;
  DLGPROC proc;
  LPARAM param;
};

constexpr WCHAR HookProperty[] = L"Tavrinole.DialogHook";

// Messages that arrive before WM_INITDIALOG (WM_SETFONT and the like) find no hook yet
// and get the default handling; our procedures leave those to the system anyway.
INT_PTR CALLBACK WrappedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* hook = reinterpret_cast<DialogHook*>(lParam);
    SetPropW(dialog, HookProperty, hook);
    const WindowSystem::CallingScope calling(*hook->windows);
    return hook->proc(dialog, message, wParam, hook->param);
  }
  auto* hook = static_cast<DialogHook*>(GetPropW(dialog, HookProperty));
  if (hook == nullptr) return FALSE;
  if (message == Win32WindowSystem::EndDialogMessage) {
    ::EndDialog(dialog, static_cast<INT_PTR>(wParam));
    return TRUE;
  }
  if (message == WM_NCDESTROY) RemovePropW(dialog, HookProperty);
  const WindowSystem::CallingScope calling(*hook->windows);
  return hook->proc(dialog, message, wParam, lParam);
}

bool OnOwnThread(HWND window) {
  return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

struct ThreadStart {
  ThreadRoutine routine;
  void* argument;
};

unsigned __stdcall ThreadMain(void* start) {
  const std::unique_ptr<ThreadStart> owned(static_cast<ThreadStart*>(start));
  owned->routine(owned->argument);
  return 0;
}

// Queued by AlertThread only to make the thread's alertable wait return.
void CALLBACK WakeUp(ULONG_PTR) {}

HANDLE AsHandle(ThreadHandle thread) {
  return reinterpret_cast<HANDLE>(thread);
}

}  // namespace

Win32WindowSystem::~Win32WindowSystem() {
  for (const auto& [handle, id] : threads_) CloseHandle(handle);
}

INT_PTR Win32WindowSystem::DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner,
                                           DLGPROC proc, LPARAM param) {
  DialogHook hook{this, proc, param};
  return ::DialogBoxParamW(instance, templateName, owner, &WrappedDialogProc,
                           reinterpret_cast<LPARAM>(&hook));
}

BOOL Win32WindowSystem::EndDialog(HWND dialog, INT_PTR result) {
  if (!OnOwnThread(dialog)) return PostEndDialog(dialog, result);
  return ::EndDialog(dialog, result);
}

BOOL Win32WindowSystem::PostEndDialog(HWND dialog, INT_PTR result) {
  return PostMessageW(dialog, EndDialogMessage, static_cast<WPARAM>(result), 0);
}

HWND Win32WindowSystem::GetDlgItem(HWND dialog, int id) {
  return ::GetDlgItem(dialog, id);
}

LONG_PTR Win32WindowSystem::SetWindowLongPtrW(HWND dialog, int index, LONG_PTR value) {
  return ::SetWindowLongPtrW(dialog, index, value);
}

LONG_PTR Win32WindowSystem::GetWindowLongPtrW(HWND dialog, int index) {
  return ::GetWindowLongPtrW(dialog, index);
}

BOOL Win32WindowSystem::EnableWindow(HWND window, BOOL enable) {
  return ::EnableWindow(window, enable);
}

BOOL Win32WindowSystem::IsWindowEnabled(HWND window) {
  return ::IsWindowEnabled(window);
}

// From a worker this is a message sent to the GUI thread: the caller waits while the
// GUI thread sets the text, and a destroyed window fails at once.
BOOL Win32WindowSystem::SetWindowTextW(HWND window, LPCWSTR text) {
  return ::SetWindowTextW(window, text);
}

int Win32WindowSystem::GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) {
  return ::GetWindowTextW(window, buffer, maxCount);
}

LRESULT Win32WindowSystem::SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(window, message, wParam, lParam);
}

int Win32WindowSystem::MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return ::MessageBoxW(owner, text, caption, type);
}

BOOL Win32WindowSystem::GetOpenFileNameW(LPOPENFILENAMEW record) {
  return ::GetOpenFileNameW(record);
}

BOOL Win32WindowSystem::GetSaveFileNameW(LPOPENFILENAMEW record) {
  return ::GetSaveFileNameW(record);
}

BOOL Win32WindowSystem::InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  return ::InitCommonControlsEx(init);
}

BOOL Win32WindowSystem::GetClassInfoExW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSEXW info) {
  return ::GetClassInfoExW(instance, className, info);
}

ATOM Win32WindowSystem::RegisterClassExW(const WNDCLASSEXW* info) {
  return ::RegisterClassExW(info);
}

HANDLE Win32WindowSystem::LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy,
                                     UINT flags) {
  return ::LoadImageW(instance, name, type, cx, cy, flags);
}

ThreadHandle Win32WindowSystem::BeginThread(ThreadRoutine routine, void* argument) {
  auto start = std::make_unique<ThreadStart>(ThreadStart{routine, argument});
  // Held across the start, so a JoinThread racing with it finds the handle recorded.
  const std::lock_guard lock(mutex_);
  unsigned id = 0;
  const uintptr_t handle = _beginthreadex(nullptr, 0, &ThreadMain, start.get(), 0, &id);
  if (handle == 0) return ThreadHandle::None;
  start.release();  // the thread owns it now
  threads_[reinterpret_cast<HANDLE>(handle)] = id;
  return static_cast<ThreadHandle>(handle);
}

BOOL Win32WindowSystem::JoinThread(ThreadHandle thread) {
  HANDLE handle = AsHandle(thread);
  {
    const std::lock_guard lock(mutex_);
    const auto found = threads_.find(handle);
    if (found == threads_.end() || found->second == GetCurrentThreadId()) return FALSE;
    threads_.erase(found);
  }
  WaitForSingleObject(handle, INFINITE);
  CloseHandle(handle);
  return TRUE;
}

BOOL Win32WindowSystem::AlertThread(ThreadHandle thread) {
  const std::lock_guard lock(mutex_);
  const auto found = threads_.find(AsHandle(thread));
  if (found == threads_.end()) return FALSE;
  return QueueUserAPC(&WakeUp, found->first, 0) != 0;
}

DWORD Win32WindowSystem::SleepEx(DWORD milliseconds, BOOL alertable) {
  return ::SleepEx(milliseconds, alertable);
}

}  // namespace tavrinole
