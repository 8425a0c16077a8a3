// The user's script: actions and answers served in order by the modal loops, and the
// same actions step by step on the calling thread.
#include "platform/scripted/scripted_state.h"

namespace tavrinole {

using Impl = ScriptedWindowSystem::Impl;

bool Impl::Deliver(Lock& lock, ActionKind kind, HWND dialog, int controlId) {
  static constexpr const char* Names[] = {"Click", "Escape", "Enter", "Close"};
  CallRecord& call = Record(Names[static_cast<int>(kind)], dialog);
  if (kind == ActionKind::Click) call.args = {controlId};
  Window* d = Live(dialog);
  if (d == nullptr || !d->isDialog || !TakesInput(*d)) return false;
  UINT message = kind == ActionKind::Close ? WM_CLOSE : WM_COMMAND;
  WPARAM wParam = MAKEWPARAM(kind == ActionKind::Escape ? IDCANCEL : IDOK, BN_CLICKED);
  LPARAM lParam = 0;
  if (kind == ActionKind::Click) {
    Window* c = ControlOf(*d, controlId);
    if (c == nullptr || !c->enabled || c->kind == resources::ControlKind::StaticText) return false;
    if (c->kind == resources::ControlKind::AutoCheckBox) c->checked = !c->checked;
    call.window = c->hwnd;
    call.id = controlId;
    wParam = MAKEWPARAM(static_cast<WORD>(controlId), BN_CLICKED);
    lParam = reinterpret_cast<LPARAM>(c->hwnd);
  }
  call.result = 1;
  CallProc(lock, dialog, message, kind == ActionKind::Close ? 0 : wParam, lParam);
  return true;
}

void Impl::ServeAction(Lock& lock, Action& action) {
  switch (action.kind) {
    case ActionKind::Dismiss:
      Record("Dismiss", nullptr);
      if (!DismissNewest()) Problem("Dismiss with no held box or file dialog open");
      break;
    case ActionKind::WaitIdle:
      WaitIdle(lock);
      break;
    case ActionKind::Call:
      lock.unlock();
      action.call();
      lock.lock();
      break;
    default: {
      const HWND dialog = NewestOpen(action.templateId);
      if (dialog == nullptr) {
        Problem("an action for dialog " + std::to_string(action.templateId) +
                ", which is not open");
      }
      Deliver(lock, action.kind, dialog, action.controlId);
    }
  }
}

void ScriptedWindowSystem::QueueClick(int templateId, int controlId) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Click, templateId, controlId, {}});
}
void ScriptedWindowSystem::QueueEscape(int templateId) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Escape, templateId, 0, {}});
}
void ScriptedWindowSystem::QueueEnter(int templateId) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Enter, templateId, 0, {}});
}
void ScriptedWindowSystem::QueueClose(int templateId) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Close, templateId, 0, {}});
}
void ScriptedWindowSystem::QueueDismiss() {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Dismiss, 0, 0, {}});
}
void ScriptedWindowSystem::QueueWaitIdle() {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::WaitIdle, 0, 0, {}});
}
void ScriptedWindowSystem::QueueCall(std::function<void()> call) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Call, 0, 0, std::move(call)});
}

void ScriptedWindowSystem::AnswerMessageBox(int result, Hold hold) {
  impl_->Enqueue(impl_->boxAnswers, {result, false, hold == Hold::UntilDismissed, {}});
}
void ScriptedWindowSystem::AnswerFileDialog(WStringView path, Hold hold) {
  impl_->Enqueue(impl_->fileAnswers, {0, false, hold == Hold::UntilDismissed, WString(path)});
}
void ScriptedWindowSystem::CancelFileDialog(Hold hold) {
  impl_->Enqueue(impl_->fileAnswers, {0, true, hold == Hold::UntilDismissed, {}});
}

void ScriptedWindowSystem::FailNext(std::string_view operation, int count) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->failures.try_emplace(std::string(operation), 0).first->second += count;
}

// --- Step by step ----------------------------------------------------------------------

HWND ScriptedWindowSystem::OpenDialog(int templateId, HWND owner, DLGPROC proc, LPARAM param) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call = s.Record("OpenDialog", owner, {templateId, param});
  if (!s.templates.contains(templateId)) {
    s.Problem("OpenDialog for unknown template " + std::to_string(templateId));
    return nullptr;
  }
  if (!s.gui) s.gui = std::this_thread::get_id();
  const HWND dialog = s.MakeDialog(templateId, proc, false);
  call.result = static_cast<intptr_t>(Key(dialog));
  const HWND focus = s.FirstTabStop(*s.Find(dialog));
  s.CallProc(lock, dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
  s.Find(dialog)->shown = true;
  return dialog;
}

bool ScriptedWindowSystem::Click(HWND dialog, int controlId) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::ActionKind::Click, dialog, controlId);
}
bool ScriptedWindowSystem::PressEscape(HWND dialog) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::ActionKind::Escape, dialog, 0);
}
bool ScriptedWindowSystem::PressEnter(HWND dialog) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::ActionKind::Enter, dialog, 0);
}
bool ScriptedWindowSystem::Close(HWND dialog) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::ActionKind::Close, dialog, 0);
}
bool ScriptedWindowSystem::Dismiss() {
  Lock lock(impl_->mu);
  return impl_->DismissNewest();
}
int ScriptedWindowSystem::Pump() {
  Lock lock(impl_->mu);
  int served = 0;
  for (; !impl_->requests.empty(); ++served) impl_->ServeRequest();
  return served;
}
bool ScriptedWindowSystem::WaitIdle() {
  Lock lock(impl_->mu);
  return impl_->WaitIdle(lock);
}

}  // namespace tavrinole
