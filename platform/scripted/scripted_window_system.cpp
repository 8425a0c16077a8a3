// The window operations: dialogs, controls, boxes, file dialogs, start-up and threads,
// on the window model's handles and the shared thread table.
#include "platform/scripted/scripted_window_system.h"

#include <algorithm>

namespace tavrinole {
namespace {

WString Copy(LPCWSTR text) {
  return text != nullptr ? WString(text) : WString();
}

}  // namespace

// Builds the dialog and its controls, then sends WM_INITDIALOG with the first tab stop.
HWND ScriptedWindowSystem::Open(Lock& lock, const resources::DialogTemplate& t, DLGPROC proc,
                                bool modal, LPARAM param) {
  if (gui_.load() == std::thread::id()) gui_ = std::this_thread::get_id();
  const HWND hwnd = model_.AddDialog(t, proc, modal);
  auto first = std::ranges::find_if(t.Controls, [](auto& c) { return c.TabStop() && c.Enabled(); });
  const HWND focus = first != t.Controls.end() ? model_.Control(hwnd, first->Id) : nullptr;
  Notify();
  CallProc(lock, hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
  model_.Update(hwnd, [](Window& d) { d.shown = true; });
  return hwnd;
}

INT_PTR ScriptedWindowSystem::CallProc(Lock& lock, HWND dialog, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
  const std::optional<Window> d = model_.Get(dialog);
  if (!d || d->proc == nullptr) return 0;
  const DLGPROC proc = d->proc;
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
void ScriptedWindowSystem::MarkEnded(HWND dialog, INT_PTR result) {
  if (!model_.End(dialog, result)) return;
  if (!model_.Inspect(dialog).modal) model_.Retire(dialog);
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
  if (!ServeUntil(lock, [&] { return model_.Inspect(dialog).ended; })) {
    MarkEnded(dialog, Abandoned);
  }
  model_.AddModalChild(owner, -1);
  model_.Retire(dialog);
  Notify();
  return call.result = model_.Inspect(dialog).result;
}

BOOL ScriptedWindowSystem::EndDialog(HWND dialog, INT_PTR result) {
  if (!OnGuiOrNone()) return PostEndDialog(dialog, result);
  auto [lock, call] = Log("EndDialog", dialog, {result});
  if (!model_.IsDialog(dialog)) return FALSE;
  MarkEnded(dialog, result);
  return static_cast<BOOL>(call.result = TRUE);
}

BOOL ScriptedWindowSystem::PostEndDialog(HWND dialog, INT_PTR result) {
  auto [lock, call] = Log("PostEndDialog", dialog, {result});
  const std::optional<Window> d = model_.Get(dialog);
  if (!d || !d->isDialog || d->ended) return FALSE;
  lock.unlock();
  const bool posted = Post([this, dialog, result] {
    const Lock ending(mu_);
    MarkEnded(dialog, result);
  });
  lock.lock();
  return static_cast<BOOL>(call.result = posted);
}

// --- Controls --------------------------------------------------------------------------

BOOL ScriptedWindowSystem::EnableWindow(HWND window, BOOL enable) {
  auto [lock, call] = Log("EnableWindow", window, {enable});
  BOOL wasDisabled = FALSE;
  if (!model_.Update(window, [&](Window& w) {
        wasDisabled = w.enabled ? FALSE : TRUE;
        w.enabled = enable != FALSE;
      })) {
    return FALSE;
  }
  Notify();
  return static_cast<BOOL>(call.result = wasDisabled);
}

BOOL ScriptedWindowSystem::IsWindowEnabled(HWND window) {
  return model_.Alive(window) && model_.Enabled(window) ? TRUE : FALSE;
}

// A text from another thread is set by the GUI thread when it next pumps, while the
// caller waits, and recorded then; it fails at once if the dialog ends first.
BOOL ScriptedWindowSystem::SetWindowTextW(HWND window, LPCWSTR text) {
  const WString value = Copy(text);
  const std::thread::id from = std::this_thread::get_id();
  auto record = [&](BOOL result) {  // with the lock held
    CallRecord& call = Record("SetWindowTextW", window, {}, from);
    call.text = value;
    if (result) model_.Update(window, [&](Window& w) { w.text = value; });
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
  const std::optional<Window> w = model_.Get(window);
  return StoreWindowText(w ? w->text : WString(), buffer, maxCount);
}

LRESULT ScriptedWindowSystem::SendMessageW(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto [lock, call] = Log("SendMessageW", window,
                          {static_cast<intptr_t>(message), static_cast<intptr_t>(wParam), lParam});
  const std::optional<Window> w = model_.Get(window);
  if (!w) return 0;
  if (!OnGuiOrNone()) Problem("SendMessageW off the GUI thread");
  const bool checkBox = w->kind == resources::ControlKind::AutoCheckBox && !w->isDialog;
  if (w->isDialog) {
    call.result = CallProc(lock, window, message, wParam, lParam);
  } else if (checkBox && message == BM_GETCHECK) {
    call.result = w->checked ? BST_CHECKED : BST_UNCHECKED;
  } else if (checkBox && message == BM_SETCHECK) {
    model_.Update(window,
                  [&](Window& c) { c.checked = static_cast<LRESULT>(wParam) == BST_CHECKED; });
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
