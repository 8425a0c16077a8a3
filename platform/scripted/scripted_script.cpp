// The user's script and the loops that serve it: requests from other threads first,
// then the next action; and the same actions step by step on the calling thread.
#include <algorithm>

#include "platform/scripted/scripted_state.h"

namespace tavrinole {

using Impl = ScriptedWindowSystem::Impl;

void Impl::ServeRequest() {
  Pending r = std::move(requests.front());
  requests.pop_front();
  Window* w = Live(r.window);
  if (r.text == nullptr) {
    if (w != nullptr && w->isDialog) MarkEnded(*w, r.result);
  } else if (w != nullptr && model.Finish(*r.text, TRUE)) {
    w->text = r.value;
    CallRecord& call = Record("SetWindowTextW", r.window, {}, r.from);
    call.text = r.value;
    call.result = TRUE;
  } else {
    model.Finish(*r.text, FALSE);
  }
  Notify();
}

// The GUI thread's pump until `done`: requests first, then the user's next action.
// Gives up when nothing has happened for a while.
bool Impl::ServeUntil(Lock& lock, const std::function<bool()>& done) {
  while (!done()) {
    if (shutdown) return false;
    if (!requests.empty()) {
      ServeRequest();
    } else if (!actions.empty()) {
      Action action = std::move(actions.front());
      actions.pop_front();
      if (action.kind == ActionKind::Dismiss) {
        Record("Dismiss", nullptr);
        if (!DismissNewest()) Problem("Dismiss with no held box or file dialog open");
      } else if (action.kind == ActionKind::Call) {
        lock.unlock();
        action.call();
        lock.lock();
      } else {
        const HWND dialog = Newest(action.templateId, true);
        if (dialog == nullptr) {
          Problem("an action for dialog " + std::to_string(action.templateId) +
                  ", which is not open");
        }
        Deliver(lock, action.kind, dialog, action.controlId);
      }
    } else {
      const uint64_t seen = generation;
      if (!cv.wait_for(lock, options.realTimeout,
                       [&] { return generation != seen || shutdown || done(); })) {
        Problem("the script ran dry before the loop ended");
        return false;
      }
    }
  }
  return true;
}

// A text from another thread is set by the GUI thread when it next pumps, while the
// caller waits; the model fails it at once if the dialog ends first.
BOOL Impl::SendText(Lock& lock, HWND window, LPCWSTR text) {
  const WString value = text != nullptr ? WString(text) : WString();
  Window* w = shutdown ? nullptr : Live(window);
  BOOL result = FALSE;
  if (w != nullptr && (!gui || OnGui())) {
    w->text = value;
    result = TRUE;
  } else if (auto request = w != nullptr ? model.Track(window, FALSE) : nullptr) {
    requests.push_back({request, window, value, 0, std::this_thread::get_id()});
    Notify();
    cv.wait(lock, [&] { return model.Done(*request) || shutdown; });
    if (model.Done(*request) && request->result == TRUE) return TRUE;  // recorded when set
  }
  CallRecord& call = Record("SetWindowTextW", window);
  call.text = value;
  return static_cast<BOOL>(call.result = result);
}

// Keeps a box or file dialog open until dismissed. Its owner takes no input meanwhile; on
// the GUI thread the loop keeps serving, elsewhere only the calling thread waits.
void Impl::HoldOpen(Lock& lock, HWND owner) {
  auto dismissed = std::make_shared<bool>(false);
  model.AddModalChild(owner, +1);
  held.push_back(dismissed);
  Notify();
  if (OnGui()) {
    if (!ServeUntil(lock, [&] { return *dismissed; })) *dismissed = true;
  } else {
    cv.wait(lock, [&] { return *dismissed || shutdown; });
  }
  model.AddModalChild(owner, -1);
  held.erase(std::ranges::find(held, dismissed));
  Notify();
}

bool Impl::DismissNewest() {
  auto open = std::ranges::find_if(held.rbegin(), held.rend(), [](auto& d) { return !*d; });
  if (open == held.rend()) return false;
  **open = true;
  Notify();
  return true;
}

bool Impl::Deliver(Lock& lock, ActionKind kind, HWND dialog, int controlId) {
  static constexpr const char* Names[] = {"Click", "Escape", "Enter", "Close"};
  CallRecord& call = Record(Names[static_cast<int>(kind)], dialog);
  if (kind == ActionKind::Click) call.args = {controlId};
  Window* d = Live(dialog);
  if (d == nullptr || !d->isDialog || d->ended || !d->enabled || model.ModalChildren(dialog) != 0) {
    return false;
  }
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
  if (kind == ActionKind::Close) {
    CallProc(lock, dialog, WM_CLOSE, 0, 0);
  } else {
    CallProc(lock, dialog, WM_COMMAND, wParam, lParam);
  }
  return true;
}

// --- Queued -------------------------------------------------------------------------------

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
  const HWND dialog = s.OpenDialog(lock, templateId, proc, false, param);
  call.result = static_cast<intptr_t>(Key(dialog));
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

bool ScriptedWindowSystem::WaitFor(const std::function<bool()>& done) {
  Impl& s = *impl_;
  const auto deadline = std::chrono::steady_clock::now() + s.options.realTimeout;
  Lock lock(s.mu);
  while (!s.shutdown && std::chrono::steady_clock::now() < deadline) {
    while ((!s.gui || s.OnGui()) && !s.requests.empty()) s.ServeRequest();
    lock.unlock();
    if (done()) return true;
    lock.lock();
    s.cv.wait_for(lock, std::chrono::milliseconds(2));  // `done` may not notify
  }
  s.Problem("timed out waiting for what a test expected");
  return false;
}

void ScriptedWindowSystem::WaitAtGate() {
  Lock lock(impl_->mu);
  ++impl_->atGate;
  impl_->Notify();
  impl_->cv.wait(lock, [&] { return impl_->gateOpen || impl_->shutdown; });
  --impl_->atGate;
}

void ScriptedWindowSystem::OpenGate() {
  std::lock_guard lock(impl_->mu);
  impl_->gateOpen = true;
  impl_->Notify();
}

}  // namespace tavrinole
