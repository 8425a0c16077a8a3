// The window operations: dialogs, controls, boxes, file dialogs, start-up and threads,
// on the window model's handles and the shared thread table.
#include "platform/scripted/scripted_window_system.h"

#include <algorithm>

namespace tavrinole {
namespace {

WString Copy(LPCWSTR text) {
  return text != nullptr ? WString(text) : WString();
}
WString Copy(std::u16string_view text) {
  return WString(text.begin(), text.end());
}

}  // namespace

// Builds the dialog and its controls, then sends WM_INITDIALOG with the first tab stop.
HWND ScriptedWindowSystem::Open(Lock& lock, const resources::DialogTemplate& t, DLGPROC proc,
                                bool modal, LPARAM param) {
  if (gui_.load() == std::thread::id()) gui_ = std::this_thread::get_id();
  const HWND hwnd = model_.AddDialog();
  Window& d = windows_[Key(hwnd)] = {.hwnd = hwnd,
                                     .id = t.Id,
                                     .text = Copy(t.Title),
                                     .isDialog = true,
                                     .proc = proc,
                                     .modal = modal};
  HWND focus = nullptr;
  for (const resources::ControlTemplate& c : t.Controls) {
    const HWND control = model_.AddControl(hwnd, c.Id);
    windows_[Key(control)] = {
        .hwnd = control, .id = c.Id, .kind = c.Kind, .text = Copy(c.Text), .enabled = c.Enabled()};
    d.controls.push_back(control);
    if (focus == nullptr && c.TabStop() && c.Enabled()) focus = control;
  }
  Notify();
  CallProc(lock, hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
  Find(hwnd)->shown = true;
  return hwnd;
}

INT_PTR ScriptedWindowSystem::CallProc(Lock& lock, HWND dialog, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
  Window* d = Live(dialog);
  if (d == nullptr || d->proc == nullptr) return 0;
  DLGPROC proc = d->proc;
  lock.unlock();
  INT_PTR result = 0;
  {
    const WindowSystem::CallingScope calling(*this);
    result = proc(dialog, message, wParam, lParam);
  }
  lock.lock();
  return result;
}

// A modal dialog goes when its loop unwinds; one opened step by step goes at once.
void ScriptedWindowSystem::MarkEnded(Window& dialog, INT_PTR result) {
  if (dialog.ended) return;
  dialog.ended = true;
  dialog.result = result;
  if (dialog.modal) {
    model_.End(dialog.hwnd);
  } else {
    model_.Retire(dialog.hwnd);
  }
  Notify();
}

ScriptedWindowSystem::~ScriptedWindowSystem() {
  model_.Close();  // fails every waiting text request
  Lock lock(mu_);
  shutdown_ = true;
  requests_.clear();
  for (auto& dismissed : held_) *dismissed = true;
  Notify();
}  // the thread table then cuts sleeps short and joins every thread

// --- Dialogs ---------------------------------------------------------------------------

INT_PTR ScriptedWindowSystem::DialogBoxParamW(HINSTANCE, LPCWSTR templateName, HWND owner,
                                              DLGPROC proc, LPARAM param) {
  Lock lock(mu_);
  const int templateId = IS_INTRESOURCE(templateName) ? LOWORD(Key(templateName)) : 0;
  CallRecord& call = Record("DialogBoxParamW", owner, {templateId, param});
  call.result = -1;
  if (ConsumeFailure("DialogBoxParamW")) return -1;
  const resources::DialogTemplate* found = model_.Template(templateName);
  if (found == nullptr || (owner != nullptr && !model_.Alive(owner))) {
    Problem("DialogBoxParamW for unknown template or owner " + std::to_string(templateId));
    return -1;
  }
  if (!OnGuiOrNone()) Problem("DialogBoxParamW off the GUI thread");
  model_.AddModalChild(owner, +1);
  const HWND dialog = Open(lock, *found, proc, true, param);
  if (!ServeUntil(lock, [&] { return Find(dialog)->ended; })) {
    MarkEnded(*Find(dialog), Abandoned);
  }
  model_.AddModalChild(owner, -1);
  model_.Retire(dialog);
  Notify();
  return call.result = Find(dialog)->result;
}

BOOL ScriptedWindowSystem::EndDialog(HWND dialog, INT_PTR result) {
  if (!OnGuiOrNone()) return PostEndDialog(dialog, result);
  auto [lock, call] = Log("EndDialog", dialog, {result});
  Window* d = Live(dialog);
  if (d == nullptr || !d->isDialog) return FALSE;
  MarkEnded(*d, result);
  return static_cast<BOOL>(call.result = TRUE);
}

BOOL ScriptedWindowSystem::PostEndDialog(HWND dialog, INT_PTR result) {
  auto [lock, call] = Log("PostEndDialog", dialog, {result});
  Window* d = Live(dialog);
  if (d == nullptr || !d->isDialog || d->ended) return FALSE;
  lock.unlock();
  const bool posted = Post([this, dialog, result] {
    const Lock ending(mu_);
    if (Window* d = Live(dialog); d != nullptr && !d->ended) MarkEnded(*d, result);
  });
  lock.lock();
  return static_cast<BOOL>(call.result = posted);
}

HWND ScriptedWindowSystem::GetDlgItem(HWND dialog, int id) {
  return model_.Control(dialog, id);
}

LONG_PTR ScriptedWindowSystem::SetWindowLongPtrW(HWND dialog, int index, LONG_PTR value) {
  return model_.SetWindowLongPtr(dialog, index, value);
}

LONG_PTR ScriptedWindowSystem::GetWindowLongPtrW(HWND dialog, int index) {
  return model_.GetWindowLongPtr(dialog, index);
}

// --- Controls --------------------------------------------------------------------------

BOOL ScriptedWindowSystem::EnableWindow(HWND window, BOOL enable) {
  auto [lock, call] = Log("EnableWindow", window, {enable});
  Window* w = Live(window);
  if (w == nullptr) return FALSE;
  const BOOL wasDisabled = w->enabled ? FALSE : TRUE;
  w->enabled = enable != FALSE;
  Notify();
  return static_cast<BOOL>(call.result = wasDisabled);
}

BOOL ScriptedWindowSystem::IsWindowEnabled(HWND window) {
  Lock lock(mu_);
  Window* w = Live(window);
  return w != nullptr && Enabled(*w) ? TRUE : FALSE;
}

// A text from another thread is set by the GUI thread when it next pumps, while the
// caller waits, and recorded then; it fails at once if the dialog ends first.
BOOL ScriptedWindowSystem::SetWindowTextW(HWND window, LPCWSTR text) {
  const WString value = Copy(text);
  const std::thread::id from = std::this_thread::get_id();
  auto record = [&](BOOL result) {  // with the lock held
    CallRecord& call = Record("SetWindowTextW", window, {}, from);
    call.text = value;
    if (result) Find(window)->text = value;
    return static_cast<BOOL>(call.result = result);
  };
  auto set = [&]() -> intptr_t {
    const Lock setting(mu_);
    return record(TRUE);
  };
  auto post = [this](std::function<void()> work) { return Post(std::move(work)); };
  if (model_.Call(window, OnGuiOrNone(), FALSE, set, post) == TRUE) return TRUE;
  const Lock lock(mu_);
  return record(FALSE);
}

int ScriptedWindowSystem::GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) {
  Lock lock(mu_);
  if (buffer == nullptr || maxCount <= 0) return 0;
  Window* w = Live(window);
  const WString text = w != nullptr ? w->text : WString();
  const size_t n = std::min(text.size(), static_cast<size_t>(maxCount - 1));
  std::copy_n(text.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

LRESULT ScriptedWindowSystem::SendMessageW(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto [lock, call] = Log("SendMessageW", window,
                          {static_cast<intptr_t>(message), static_cast<intptr_t>(wParam), lParam});
  Window* w = Live(window);
  if (w == nullptr) return 0;
  if (!OnGuiOrNone()) Problem("SendMessageW off the GUI thread");
  const bool checkBox = w->kind == resources::ControlKind::AutoCheckBox && !w->isDialog;
  if (w->isDialog) {
    call.result = CallProc(lock, window, message, wParam, lParam);
  } else if (checkBox && message == BM_GETCHECK) {
    call.result = w->checked ? BST_CHECKED : BST_UNCHECKED;
  } else if (checkBox && message == BM_SETCHECK) {
    w->checked = static_cast<LRESULT>(wParam) == BST_CHECKED;
  }
  return call.result;
}

// --- Message boxes and file dialogs ------------------------------------------------------

int ScriptedWindowSystem::MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  auto [lock, call] = Log("MessageBoxW", owner, {static_cast<intptr_t>(type)});
  call.text = Copy(text);
  call.caption = Copy(caption);
  Answer answer;
  if (!boxAnswers_.empty()) {
    answer = boxAnswers_.front();
    boxAnswers_.pop_front();
  } else if ((type & 0xF) != MB_OK) {
    Problem("unscripted message box answered No");
    answer.result = IDNO;
  }
  if (answer.hold) HoldOpen(lock, owner);
  return static_cast<int>(call.result = answer.result);
}

BOOL ScriptedWindowSystem::FileDialog(const char* op, LPOPENFILENAMEW ofn) {
  Lock lock(mu_);
  CallRecord& call = Record(op, ofn != nullptr ? ofn->hwndOwner : nullptr);
  if (ofn == nullptr) return FALSE;
  call.ofn = *ofn;
  call.filter = ParseFilter(ofn->lpstrFilter);
  if (ofn->lpstrFile != nullptr && ofn->nMaxFile > 0) {
    const WStringView given(ofn->lpstrFile, ofn->nMaxFile);
    call.fileOnEntry = WString(given.substr(0, given.find(WCHAR(0))));
  }
  Answer answer{0, true, false, {}};
  if (ofn->lStructSize != sizeof(OPENFILENAMEW)) {
    Problem(std::string(op) + " with a wrong lStructSize");
  } else if (!fileAnswers_.empty()) {
    answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
  } else {
    Problem(std::string("unscripted ") + op + ", cancelled");
  }
  if (answer.hold) HoldOpen(lock, ofn->hwndOwner);
  call.result = !answer.cancel && StoreChosenPath(*ofn, answer.path);
  if (call.result) call.text = answer.path;
  return static_cast<BOOL>(call.result);
}

BOOL ScriptedWindowSystem::GetOpenFileNameW(LPOPENFILENAMEW record) {
  return FileDialog("GetOpenFileNameW", record);
}

BOOL ScriptedWindowSystem::GetSaveFileNameW(LPOPENFILENAMEW record) {
  return FileDialog("GetSaveFileNameW", record);
}

// --- Start-up ------------------------------------------------------------------------------

BOOL ScriptedWindowSystem::InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  auto [lock, call] = Log("InitCommonControlsEx", nullptr);
  if (init == nullptr) return FALSE;
  call.args = {static_cast<intptr_t>(init->dwSize), static_cast<intptr_t>(init->dwICC)};
  if (ConsumeFailure("InitCommonControlsEx") || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
    return FALSE;
  }
  return static_cast<BOOL>(call.result = TRUE);
}

BOOL ScriptedWindowSystem::GetClassInfoExW(HINSTANCE, LPCWSTR className, LPWNDCLASSEXW info) {
  const bool isAtom = IS_INTRESOURCE(className);
  auto [lock, call] = Log("GetClassInfoExW", nullptr,
                          {isAtom ? static_cast<intptr_t>(Key(className)) : 0,
                           info != nullptr ? static_cast<intptr_t>(info->cbSize) : 0});
  if (!isAtom) call.text = Copy(className);
  if (info == nullptr || ConsumeFailure("GetClassInfoExW")) return FALSE;
  return static_cast<BOOL>(call.result = model_.ClassInfo(className, *info));
}

ATOM ScriptedWindowSystem::RegisterClassExW(const WNDCLASSEXW* info) {
  auto [lock, call] = Log("RegisterClassExW", nullptr);
  if (info == nullptr) return 0;
  call.args = {static_cast<intptr_t>(info->cbSize)};
  if (info->lpszClassName != nullptr && !IS_INTRESOURCE(info->lpszClassName)) {
    call.text = info->lpszClassName;
  }
  if (ConsumeFailure("RegisterClassExW")) return 0;
  return static_cast<ATOM>(call.result = model_.RegisterClass(*info));
}

HANDLE ScriptedWindowSystem::LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int cx, int cy,
                                        UINT flags) {
  auto [lock, call] = Log("LoadImageW", nullptr,
                          {IS_INTRESOURCE(name) ? static_cast<intptr_t>(Key(name)) : -1,
                           static_cast<intptr_t>(type), cx, cy, static_cast<intptr_t>(flags)});
  if (ConsumeFailure("LoadImageW")) return nullptr;
  const HANDLE image = model_.AddImage(IS_INTRESOURCE(name) ? Key(name) : 0);
  call.result = static_cast<intptr_t>(Key(image));
  return image;
}

// --- Threads and time: recorded, then the thread table's --------------------------------

ThreadHandle ScriptedWindowSystem::BeginThread(ThreadRoutine routine, void* argument) {
  auto [lock, call] = Log("BeginThread", nullptr);
  if (shutdown_ || ConsumeFailure("BeginThread")) return ThreadHandle::None;
  const ThreadHandle thread = threads_.Begin(routine, argument);
  call.result = static_cast<intptr_t>(thread);
  return thread;
}

// A join opens the gate for good: whoever joins wants the thread to finish.
BOOL ScriptedWindowSystem::JoinThread(ThreadHandle thread) {
  auto [lock, call] = Log("JoinThread", nullptr, {static_cast<intptr_t>(thread)});
  gateOpen_ = true;
  Notify();
  lock.unlock();
  const BOOL joined = threads_.Join(thread);
  lock.lock();
  return static_cast<BOOL>(call.result = joined);
}

BOOL ScriptedWindowSystem::AlertThread(ThreadHandle thread) {
  auto [lock, call] = Log("AlertThread", nullptr, {static_cast<intptr_t>(thread)});
  return static_cast<BOOL>(call.result = threads_.Alert(thread));
}

DWORD ScriptedWindowSystem::SleepEx(DWORD milliseconds, BOOL alertable) {
  auto [lock, call] = Log("SleepEx", nullptr, {static_cast<intptr_t>(milliseconds), alertable});
  lock.unlock();
  const DWORD result = threads_.Sleep(milliseconds, alertable);
  lock.lock();
  return static_cast<DWORD>(call.result = result);
}

}  // namespace tavrinole
