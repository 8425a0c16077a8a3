// The window operations: dialogs, controls, boxes, file dialogs and start-up, on the
// window model's handles.
#include "platform/scripted/scripted_window_system.h"

#include <algorithm>

#include "platform/scripted/scripted_state.h"

namespace tavrinole {
namespace {

WString Copy(LPCWSTR text) {
  return text != nullptr ? WString(text) : WString();
}

}  // namespace

HWND ScriptedWindowSystem::Impl::MakeDialog(int templateId, DLGPROC proc, bool modal) {
  const StoredTemplate& t = templates.at(templateId);
  const HWND hwnd = model.AddDialog();
  Window& d = windows[Key(hwnd)];
  d.hwnd = d.dialog = hwnd;
  d.id = t.id;
  d.text = t.title;
  d.isDialog = true;
  d.proc = proc;
  d.modal = modal;
  for (const StoredControl& c : t.controls) {
    const HWND control = model.AddControl(hwnd, c.id);
    Window& w = windows[Key(control)];
    w.hwnd = control;
    w.dialog = hwnd;
    w.id = c.id;
    w.kind = c.kind;
    w.text = c.text;
    w.enabled = c.enabled;
    w.tabStop = c.tabStop;
    d.controls.push_back(control);
  }
  Notify();
  return hwnd;
}

INT_PTR ScriptedWindowSystem::Impl::CallProc(Lock& lock, HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  Window* d = Find(dialog);
  if (d == nullptr || d->destroyed || d->proc == nullptr) return 0;
  DLGPROC proc = d->proc;
  lock.unlock();
  INT_PTR result = 0;
  {
    const WindowSystem::CallingScope calling(*self);
    result = proc(dialog, message, wParam, lParam);
  }
  lock.lock();
  return result;
}

void ScriptedWindowSystem::Impl::MarkEnded(Window& dialog, INT_PTR result) {
  if (dialog.ended) return;
  dialog.ended = true;
  dialog.result = result;
  model.End(dialog.hwnd);
  if (!dialog.modal) Destroy(dialog);
  Notify();
}

void ScriptedWindowSystem::Impl::Destroy(Window& dialog) {
  dialog.ended = dialog.destroyed = true;
  model.Retire(dialog.hwnd);
  Notify();
}

bool ScriptedWindowSystem::Impl::TakesInput(const Window& dialog) const {
  return !dialog.ended && dialog.enabled && model.ModalChildren(dialog.hwnd) == 0;
}

ScriptedWindowSystem::ScriptedWindowSystem() : ScriptedWindowSystem(Options{}) {}

ScriptedWindowSystem::ScriptedWindowSystem(Options options)
    : impl_(std::make_unique<Impl>(options)) {
  impl_->self = this;
}

void ScriptedWindowSystem::RegisterTemplate(const resources::DialogTemplate& dialog) {
  Impl::StoredTemplate stored{dialog.Id, WString(dialog.Title.begin(), dialog.Title.end()), {}};
  for (const resources::ControlTemplate& c : dialog.Controls) {
    stored.controls.push_back(
        {c.Id, c.Kind, WString(c.Text.begin(), c.Text.end()), c.Enabled(), c.TabStop()});
  }
  Lock lock(impl_->mu);
  impl_->templates[dialog.Id] = std::move(stored);
}

void ScriptedWindowSystem::RegisterTemplates(std::span<const resources::DialogTemplate> dialogs) {
  for (const resources::DialogTemplate& dialog : dialogs) RegisterTemplate(dialog);
}

// --- Dialogs ---------------------------------------------------------------------------

INT_PTR ScriptedWindowSystem::DialogBoxParamW(HINSTANCE, LPCWSTR templateName, HWND owner,
                                              DLGPROC proc, LPARAM param) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call = s.Record("DialogBoxParamW", owner);
  const int templateId = IS_INTRESOURCE(templateName) ? LOWORD(Key(templateName)) : 0;
  call.args = {templateId, param};
  call.result = -1;
  if (s.ConsumeFailure("DialogBoxParamW")) return -1;
  if (!s.templates.contains(templateId) || (owner != nullptr && !s.model.Alive(owner))) {
    s.Problem("DialogBoxParamW for unknown template or owner " + std::to_string(templateId));
    return -1;
  }
  if (!s.gui) s.gui = std::this_thread::get_id();
  if (!s.OnGui()) s.Problem("DialogBoxParamW off the GUI thread");
  const HWND dialog = s.MakeDialog(templateId, proc, true);
  s.model.AddModalChild(owner, +1);
  const HWND focus = s.FirstTabStop(*s.Find(dialog));
  s.CallProc(lock, dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
  s.Find(dialog)->shown = true;
  if (!s.ServeUntil(lock, [&] { return s.Find(dialog)->ended; })) {
    s.MarkEnded(*s.Find(dialog), Abandoned);
  }
  s.model.AddModalChild(owner, -1);
  Impl::Window& d = *s.Find(dialog);
  s.Destroy(d);
  call.result = d.result;
  return d.result;
}

BOOL ScriptedWindowSystem::EndDialog(HWND dialog, INT_PTR result) {
  Impl& s = *impl_;
  {
    Lock lock(s.mu);
    if (!s.gui || s.OnGui()) {
      CallRecord& call = s.Record("EndDialog", dialog, {result});
      Impl::Window* d = s.Live(dialog);
      if (d == nullptr || !d->isDialog) return FALSE;
      s.MarkEnded(*d, result);
      call.result = TRUE;
      return TRUE;
    }
  }
  return PostEndDialog(dialog, result);
}

BOOL ScriptedWindowSystem::PostEndDialog(HWND dialog, INT_PTR result) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call = s.Record("PostEndDialog", dialog, {result});
  Impl::Window* d = s.Live(dialog);
  if (d == nullptr || !d->isDialog || d->ended) return FALSE;
  s.requests.push_back({nullptr, dialog, {}, result, false, std::this_thread::get_id()});
  call.result = TRUE;
  s.Notify();
  return TRUE;
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
  Lock lock(s.mu);
  CallRecord& call = s.Record("EnableWindow", window, {enable});
  Impl::Window* w = s.Live(window);
  if (w == nullptr) return FALSE;
  const BOOL wasDisabled = w->enabled ? FALSE : TRUE;
  w->enabled = enable != FALSE;
  call.result = wasDisabled;
  s.Notify();
  return wasDisabled;
}

BOOL ScriptedWindowSystem::IsWindowEnabled(HWND window) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  Impl::Window* w = s.Live(window);
  if (w == nullptr) return FALSE;
  return w->enabled && (!w->isDialog || s.model.ModalChildren(window) == 0) ? TRUE : FALSE;
}

BOOL ScriptedWindowSystem::SetWindowTextW(HWND window, LPCWSTR text) {
  Lock lock(impl_->mu);
  return impl_->SendText(lock, window, text);
}

int ScriptedWindowSystem::GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  if (buffer == nullptr || maxCount <= 0) return 0;
  buffer[0] = 0;
  Impl::Window* w = s.Live(window);
  if (w == nullptr) return 0;
  const size_t n = std::min(w->text.size(), static_cast<size_t>(maxCount - 1));
  std::copy_n(w->text.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

LRESULT ScriptedWindowSystem::SendMessageW(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call =
      s.Record("SendMessageW", window,
               {static_cast<intptr_t>(message), static_cast<intptr_t>(wParam), lParam});
  Impl::Window* w = s.Live(window);
  if (w == nullptr) return 0;
  if (s.gui && !s.OnGui()) s.Problem("SendMessageW off the GUI thread");
  const bool checkBox = w->kind == resources::ControlKind::AutoCheckBox && !w->isDialog;
  LRESULT result = 0;
  if (w->isDialog) {
    result = s.CallProc(lock, window, message, wParam, lParam);
  } else if (checkBox && message == BM_GETCHECK) {
    result = w->checked ? BST_CHECKED : BST_UNCHECKED;
  } else if (checkBox && message == BM_SETCHECK) {
    w->checked = static_cast<LRESULT>(wParam) == BST_CHECKED;
  }
  call.result = result;
  return result;
}

// --- Message boxes and file dialogs ------------------------------------------------------

int ScriptedWindowSystem::MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call = s.Record("MessageBoxW", owner);
  call.text = Copy(text);
  call.caption = Copy(caption);
  call.args = {static_cast<intptr_t>(type)};
  Impl::Answer answer;
  if (!s.boxAnswers.empty()) {
    answer = s.boxAnswers.front();
    s.boxAnswers.pop_front();
  } else if ((type & 0xF) != MB_OK) {
    s.Problem("unscripted message box answered No");
    answer.result = IDNO;
  }
  if (answer.hold) s.HoldOpen(lock, owner);
  call.result = answer.result;
  return answer.result;
}

BOOL ScriptedWindowSystem::Impl::FileDialog(const char* op, LPOPENFILENAMEW ofn) {
  Lock lock(mu);
  CallRecord& call = Record(op, ofn != nullptr ? ofn->hwndOwner : nullptr);
  if (ofn == nullptr) return FALSE;
  call.args = {static_cast<intptr_t>(ofn->lStructSize), static_cast<intptr_t>(ofn->Flags),
               static_cast<intptr_t>(ofn->nFilterIndex), static_cast<intptr_t>(ofn->nMaxFile)};
  FileDialogRecord fr;
  fr.op = op;
  fr.record = *ofn;
  fr.filter = ParseFilter(ofn->lpstrFilter);
  fr.thread = std::this_thread::get_id();
  if (ofn->lpstrFile != nullptr && ofn->nMaxFile > 0) {
    WStringView given(ofn->lpstrFile, ofn->nMaxFile);
    fr.fileOnEntry = WString(given.substr(0, given.find(WCHAR(0))));
  }
  if (ofn->lStructSize != sizeof(OPENFILENAMEW)) {
    Problem(std::string(op) + " with a wrong lStructSize");
    fileDialogs.push_back(std::move(fr));
    return FALSE;
  }
  Answer answer;
  answer.cancel = true;
  if (!fileAnswers.empty()) {
    answer = std::move(fileAnswers.front());
    fileAnswers.pop_front();
  } else {
    Problem(std::string("unscripted ") + op + ", cancelled");
  }
  if (answer.hold) HoldOpen(lock, ofn->hwndOwner);
  const BOOL ok = !answer.cancel && StoreChosenPath(*ofn, answer.path);
  if (ok) fr.chosen = answer.path;
  fr.result = ok;
  call.text = fr.chosen;
  call.result = ok;
  fileDialogs.push_back(std::move(fr));
  return ok;
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
  Lock lock(s.mu);
  CallRecord& call = s.Record("InitCommonControlsEx", nullptr);
  if (init == nullptr) return FALSE;
  call.args = {static_cast<intptr_t>(init->dwSize), static_cast<intptr_t>(init->dwICC)};
  if (s.ConsumeFailure("InitCommonControlsEx") || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
    return FALSE;
  }
  return static_cast<BOOL>(call.result = TRUE);
}

BOOL ScriptedWindowSystem::GetClassInfoExW(HINSTANCE, LPCWSTR className, LPWNDCLASSEXW info) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call = s.Record("GetClassInfoExW", nullptr);
  const bool isAtom = IS_INTRESOURCE(className);
  if (!isAtom) call.text = Copy(className);
  call.args = {isAtom ? static_cast<intptr_t>(Key(className)) : 0,
               info != nullptr ? static_cast<intptr_t>(info->cbSize) : 0};
  if (info == nullptr || s.ConsumeFailure("GetClassInfoExW")) return FALSE;
  const BOOL found = s.model.ClassInfo(className, *info);
  if (found && isAtom) info->hCursor = reinterpret_cast<HCURSOR>(++s.nextImage);
  call.result = found;
  return found;
}

ATOM ScriptedWindowSystem::RegisterClassExW(const WNDCLASSEXW* info) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call = s.Record("RegisterClassExW", nullptr);
  if (info == nullptr) return 0;
  call.args = {static_cast<intptr_t>(info->cbSize)};
  if (info->lpszClassName != nullptr && !IS_INTRESOURCE(info->lpszClassName)) {
    call.text = info->lpszClassName;
  }
  if (s.ConsumeFailure("RegisterClassExW")) return 0;
  const ATOM atom = s.model.RegisterClass(*info);
  call.result = atom;
  return atom;
}

HANDLE ScriptedWindowSystem::LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int cx, int cy,
                                        UINT flags) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call = s.Record("LoadImageW", nullptr,
                              {IS_INTRESOURCE(name) ? static_cast<intptr_t>(Key(name)) : -1,
                               static_cast<intptr_t>(type), cx, cy, static_cast<intptr_t>(flags)});
  if (s.ConsumeFailure("LoadImageW")) return nullptr;
  call.result = static_cast<intptr_t>(++s.nextImage);
  return reinterpret_cast<HANDLE>(s.nextImage);
}

}  // namespace tavrinole
