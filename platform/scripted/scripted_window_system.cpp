// The window operations: dialogs, controls, boxes, file dialogs, start-up and threads,
// on the window model's handles and the shared thread table.
#include "platform/scripted/scripted_window_system.h"

#include <algorithm>

#include "platform/scripted/scripted_state.h"

namespace tavrinole {
namespace {

using Impl = ScriptedWindowSystem::Impl;

WString Copy(LPCWSTR text) {
  return text != nullptr ? WString(text) : WString();
}
WString Copy(std::u16string_view text) {
  return WString(text.begin(), text.end());
}

}  // namespace

// Builds the dialog and its controls, then sends WM_INITDIALOG with the first tab stop.
HWND Impl::OpenDialog(Lock& lock, const resources::DialogTemplate& t, DLGPROC proc, bool modal,
                      LPARAM param) {
  if (gui.load() == std::thread::id()) gui = std::this_thread::get_id();
  const HWND hwnd = model.AddDialog();
  Window& d = windows.try_emplace(Key(hwnd), hwnd, t.Id, Copy(t.Title)).first->second;
  d.isDialog = true;
  d.proc = proc;
  d.modal = modal;
  HWND focus = nullptr;
  for (const resources::ControlTemplate& c : t.Controls) {
    const HWND control = model.AddControl(hwnd, c.Id);
    windows.try_emplace(Key(control), control, c.Id, Copy(c.Text), c.Kind, c.Enabled());
    d.controls.push_back(control);
    if (focus == nullptr && c.TabStop() && c.Enabled()) focus = control;
  }
  Notify();
  CallProc(lock, hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
  Find(hwnd)->shown = true;
  return hwnd;
}

INT_PTR Impl::CallProc(Lock& lock, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* d = Live(dialog);
  if (d == nullptr || d->proc == nullptr) return 0;
  DLGPROC proc = d->proc;
  lock.unlock();
  INT_PTR result = 0;
  {
    const WindowSystem::CallingScope calling(self);
    result = proc(dialog, message, wParam, lParam);
  }
  lock.lock();
  return result;
}

// A modal dialog goes when its loop unwinds; one opened step by step goes at once.
void Impl::MarkEnded(Window& dialog, INT_PTR result) {
  if (dialog.ended) return;
  dialog.ended = true;
  dialog.result = result;
  if (dialog.modal) {
    model.End(dialog.hwnd);
  } else {
    model.Retire(dialog.hwnd);
  }
  Notify();
}

ScriptedWindowSystem::ScriptedWindowSystem() : ScriptedWindowSystem(Options{}) {}

ScriptedWindowSystem::ScriptedWindowSystem(Options options)
    : impl_(std::make_unique<Impl>(options, *this)) {}

ScriptedWindowSystem::~ScriptedWindowSystem() {
  Impl& s = *impl_;
  s.model.Close();  // fails every waiting text request
  Lock lock(s.mu);
  s.shutdown = true;
  s.requests.clear();
  for (auto& dismissed : s.held) *dismissed = true;
  s.Notify();
}  // the thread table then cuts sleeps short and joins every thread

void ScriptedWindowSystem::RegisterTemplates(std::span<const resources::DialogTemplate> dialogs) {
  impl_->model.RegisterTemplates(dialogs);
}

// --- Dialogs ---------------------------------------------------------------------------

INT_PTR ScriptedWindowSystem::DialogBoxParamW(HINSTANCE, LPCWSTR templateName, HWND owner,
                                              DLGPROC proc, LPARAM param) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  const int templateId = IS_INTRESOURCE(templateName) ? LOWORD(Key(templateName)) : 0;
  CallRecord& call = s.Record("DialogBoxParamW", owner, {templateId, param});
  call.result = -1;
  if (s.ConsumeFailure("DialogBoxParamW")) return -1;
  const resources::DialogTemplate* found = s.model.Template(templateName);
  if (found == nullptr || (owner != nullptr && !s.model.Alive(owner))) {
    s.Problem("DialogBoxParamW for unknown template or owner " + std::to_string(templateId));
    return -1;
  }
  if (!s.OnGuiOrNone()) s.Problem("DialogBoxParamW off the GUI thread");
  s.model.AddModalChild(owner, +1);
  const HWND dialog = s.OpenDialog(lock, *found, proc, true, param);
  if (!s.ServeUntil(lock, [&] { return s.Find(dialog)->ended; })) {
    s.MarkEnded(*s.Find(dialog), Abandoned);
  }
  s.model.AddModalChild(owner, -1);
  s.model.Retire(dialog);
  s.Notify();
  return call.result = s.Find(dialog)->result;
}

BOOL ScriptedWindowSystem::EndDialog(HWND dialog, INT_PTR result) {
  Impl& s = *impl_;
  if (!s.OnGuiOrNone()) return PostEndDialog(dialog, result);
  auto [lock, call] = s.Log("EndDialog", dialog, {result});
  Impl::Window* d = s.Live(dialog);
  if (d == nullptr || !d->isDialog) return FALSE;
  s.MarkEnded(*d, result);
  return static_cast<BOOL>(call.result = TRUE);
}

BOOL ScriptedWindowSystem::PostEndDialog(HWND dialog, INT_PTR result) {
  Impl& s = *impl_;
  auto [lock, call] = s.Log("PostEndDialog", dialog, {result});
  Impl::Window* d = s.Live(dialog);
  if (d == nullptr || !d->isDialog || d->ended) return FALSE;
  lock.unlock();
  const bool posted = s.Post([&s, dialog, result] {
    const Lock ending(s.mu);
    if (Impl::Window* d = s.Live(dialog); d != nullptr && !d->ended) s.MarkEnded(*d, result);
  });
  lock.lock();
  return static_cast<BOOL>(call.result = posted);
}

HWND ScriptedWindowSystem::GetDlgItem(HWND dialog, int id) {
  return impl_->model.Control(dialog, id);
}

LONG_PTR ScriptedWindowSystem::SetWindowLongPtrW(HWND dialog, int index, LONG_PTR value) {
  return impl_->model.SetWindowLongPtr(dialog, index, value);
}

LONG_PTR ScriptedWindowSystem::GetWindowLongPtrW(HWND dialog, int index) {
  return impl_->model.GetWindowLongPtr(dialog, index);
}

// --- Controls --------------------------------------------------------------------------

BOOL ScriptedWindowSystem::EnableWindow(HWND window, BOOL enable) {
  Impl& s = *impl_;
  auto [lock, call] = s.Log("EnableWindow", window, {enable});
  Impl::Window* w = s.Live(window);
  if (w == nullptr) return FALSE;
  const BOOL wasDisabled = w->enabled ? FALSE : TRUE;
  w->enabled = enable != FALSE;
  s.Notify();
  return static_cast<BOOL>(call.result = wasDisabled);
}

BOOL ScriptedWindowSystem::IsWindowEnabled(HWND window) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  Impl::Window* w = s.Live(window);
  return w != nullptr && s.Enabled(*w) ? TRUE : FALSE;
}

// A text from another thread is set by the GUI thread when it next pumps, while the
// caller waits, and recorded then; it fails at once if the dialog ends first.
BOOL ScriptedWindowSystem::SetWindowTextW(HWND window, LPCWSTR text) {
  Impl& s = *impl_;
  const WString value = Copy(text);
  const std::thread::id from = std::this_thread::get_id();
  auto record = [&](BOOL result) {  // with the lock held
    CallRecord& call = s.Record("SetWindowTextW", window, {}, from);
    call.text = value;
    if (result) s.Find(window)->text = value;
    return static_cast<BOOL>(call.result = result);
  };
  auto set = [&]() -> intptr_t {
    const Lock setting(s.mu);
    return record(TRUE);
  };
  auto post = [&s](std::function<void()> work) { return s.Post(std::move(work)); };
  if (s.model.Call(window, s.OnGuiOrNone(), FALSE, set, post) == TRUE) return TRUE;
  const Lock lock(s.mu);
  return record(FALSE);
}

int ScriptedWindowSystem::GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  if (buffer == nullptr || maxCount <= 0) return 0;
  Impl::Window* w = s.Live(window);
  const WString text = w != nullptr ? w->text : WString();
  const size_t n = std::min(text.size(), static_cast<size_t>(maxCount - 1));
  std::copy_n(text.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

LRESULT ScriptedWindowSystem::SendMessageW(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  Impl& s = *impl_;
  auto [lock, call] =
      s.Log("SendMessageW", window,
            {static_cast<intptr_t>(message), static_cast<intptr_t>(wParam), lParam});
  Impl::Window* w = s.Live(window);
  if (w == nullptr) return 0;
  if (!s.OnGuiOrNone()) s.Problem("SendMessageW off the GUI thread");
  const bool checkBox = w->kind == resources::ControlKind::AutoCheckBox && !w->isDialog;
  if (w->isDialog) {
    call.result = s.CallProc(lock, window, message, wParam, lParam);
  } else if (checkBox && message == BM_GETCHECK) {
    call.result = w->checked ? BST_CHECKED : BST_UNCHECKED;
  } else if (checkBox && message == BM_SETCHECK) {
    w->checked = static_cast<LRESULT>(wParam) == BST_CHECKED;
  }
  return call.result;
}

// --- Message boxes and file dialogs ------------------------------------------------------

int ScriptedWindowSystem::MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  Impl& s = *impl_;
  auto [lock, call] = s.Log("MessageBoxW", owner, {static_cast<intptr_t>(type)});
  call.text = Copy(text);
  call.caption = Copy(caption);
  Impl::Answer answer;
  if (!s.boxAnswers.empty()) {
    answer = s.boxAnswers.front();
    s.boxAnswers.pop_front();
  } else if ((type & 0xF) != MB_OK) {
    s.Problem("unscripted message box answered No");
    answer.result = IDNO;
  }
  if (answer.hold) s.HoldOpen(lock, owner);
  return static_cast<int>(call.result = answer.result);
}

BOOL Impl::FileDialog(const char* op, LPOPENFILENAMEW ofn) {
  Lock lock(mu);
  CallRecord& call = Record(op, ofn != nullptr ? ofn->hwndOwner : nullptr);
  if (ofn == nullptr) return FALSE;
  call.args = {static_cast<intptr_t>(ofn->lStructSize), static_cast<intptr_t>(ofn->Flags),
               static_cast<intptr_t>(ofn->nFilterIndex), static_cast<intptr_t>(ofn->nMaxFile)};
  FileDialogRecord record{op, *ofn, ParseFilter(ofn->lpstrFilter), {}, {}, FALSE, {}};
  record.thread = std::this_thread::get_id();
  if (ofn->lpstrFile != nullptr && ofn->nMaxFile > 0) {
    const WStringView given(ofn->lpstrFile, ofn->nMaxFile);
    record.fileOnEntry = WString(given.substr(0, given.find(WCHAR(0))));
  }
  Answer answer{0, true, false, {}};
  if (ofn->lStructSize != sizeof(OPENFILENAMEW)) {
    Problem(std::string(op) + " with a wrong lStructSize");
  } else if (!fileAnswers.empty()) {
    answer = std::move(fileAnswers.front());
    fileAnswers.pop_front();
  } else {
    Problem(std::string("unscripted ") + op + ", cancelled");
  }
  if (answer.hold) HoldOpen(lock, ofn->hwndOwner);
  record.result = !answer.cancel && StoreChosenPath(*ofn, answer.path);
  if (record.result) record.chosen = call.text = answer.path;
  fileDialogs.push_back(std::move(record));
  return static_cast<BOOL>(call.result = fileDialogs.back().result);
}

BOOL ScriptedWindowSystem::GetOpenFileNameW(LPOPENFILENAMEW record) {
  return impl_->FileDialog("GetOpenFileNameW", record);
}

BOOL ScriptedWindowSystem::GetSaveFileNameW(LPOPENFILENAMEW record) {
  return impl_->FileDialog("GetSaveFileNameW", record);
}

// --- Start-up ------------------------------------------------------------------------------

BOOL ScriptedWindowSystem::InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  Impl& s = *impl_;
  auto [lock, call] = s.Log("InitCommonControlsEx", nullptr);
  if (init == nullptr) return FALSE;
  call.args = {static_cast<intptr_t>(init->dwSize), static_cast<intptr_t>(init->dwICC)};
  if (s.ConsumeFailure("InitCommonControlsEx") || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
    return FALSE;
  }
  return static_cast<BOOL>(call.result = TRUE);
}

BOOL ScriptedWindowSystem::GetClassInfoExW(HINSTANCE, LPCWSTR className, LPWNDCLASSEXW info) {
  Impl& s = *impl_;
  const bool isAtom = IS_INTRESOURCE(className);
  auto [lock, call] = s.Log("GetClassInfoExW", nullptr,
                            {isAtom ? static_cast<intptr_t>(Key(className)) : 0,
                             info != nullptr ? static_cast<intptr_t>(info->cbSize) : 0});
  if (!isAtom) call.text = Copy(className);
  if (info == nullptr || s.ConsumeFailure("GetClassInfoExW")) return FALSE;
  const BOOL found = s.model.ClassInfo(className, *info);
  if (found && isAtom) info->hCursor = static_cast<HCURSOR>(s.model.AddImage(0));
  return static_cast<BOOL>(call.result = found);
}

ATOM ScriptedWindowSystem::RegisterClassExW(const WNDCLASSEXW* info) {
  Impl& s = *impl_;
  auto [lock, call] = s.Log("RegisterClassExW", nullptr);
  if (info == nullptr) return 0;
  call.args = {static_cast<intptr_t>(info->cbSize)};
  if (info->lpszClassName != nullptr && !IS_INTRESOURCE(info->lpszClassName)) {
    call.text = info->lpszClassName;
  }
  if (s.ConsumeFailure("RegisterClassExW")) return 0;
  return static_cast<ATOM>(call.result = s.model.RegisterClass(*info));
}

HANDLE ScriptedWindowSystem::LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int cx, int cy,
                                        UINT flags) {
  Impl& s = *impl_;
  auto [lock, call] = s.Log("LoadImageW", nullptr,
                            {IS_INTRESOURCE(name) ? static_cast<intptr_t>(Key(name)) : -1,
                             static_cast<intptr_t>(type), cx, cy, static_cast<intptr_t>(flags)});
  if (s.ConsumeFailure("LoadImageW")) return nullptr;
  const HANDLE image = s.model.AddImage(IS_INTRESOURCE(name) ? Key(name) : 0);
  call.result = static_cast<intptr_t>(Key(image));
  return image;
}

// --- Threads and time: recorded, then the thread table's --------------------------------

ThreadHandle ScriptedWindowSystem::BeginThread(ThreadRoutine routine, void* argument) {
  Impl& s = *impl_;
  auto [lock, call] = s.Log("BeginThread", nullptr);
  if (s.shutdown || s.ConsumeFailure("BeginThread")) return ThreadHandle::None;
  const ThreadHandle thread = s.threads.Begin(routine, argument);
  call.result = static_cast<intptr_t>(thread);
  return thread;
}

// A join opens the gate for good: whoever joins wants the thread to finish.
BOOL ScriptedWindowSystem::JoinThread(ThreadHandle thread) {
  Impl& s = *impl_;
  auto [lock, call] = s.Log("JoinThread", nullptr, {static_cast<intptr_t>(thread)});
  s.gateOpen = true;
  s.Notify();
  lock.unlock();
  const BOOL joined = s.threads.Join(thread);
  lock.lock();
  return static_cast<BOOL>(call.result = joined);
}

BOOL ScriptedWindowSystem::AlertThread(ThreadHandle thread) {
  Impl& s = *impl_;
  auto [lock, call] = s.Log("AlertThread", nullptr, {static_cast<intptr_t>(thread)});
  return static_cast<BOOL>(call.result = s.threads.Alert(thread));
}

DWORD ScriptedWindowSystem::SleepEx(DWORD milliseconds, BOOL alertable) {
  Impl& s = *impl_;
  auto [lock, call] = s.Log("SleepEx", nullptr, {static_cast<intptr_t>(milliseconds), alertable});
  lock.unlock();
  const DWORD result = s.threads.Sleep(milliseconds, alertable);
  lock.lock();
  return static_cast<DWORD>(call.result = result);
}

}  // namespace tavrinole
