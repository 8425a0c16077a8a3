// The user's script and the loops that serve it: requests from other threads first,
// then the next action; and the same actions step by step on the calling thread.
#include <algorithm>

#include "platform/scripted/scripted_state.h"

namespace tavrinole {

using Impl = ScriptedWindowSystem::Impl;

// Runs the front of `queue` without the lock: work may call the layer. False if empty.
bool Impl::RunNext(Lock& lock, std::deque<std::function<void()>>& queue) {
  if (queue.empty()) return false;
  std::function<void()> next = std::move(queue.front());
  queue.pop_front();
  lock.unlock();
  next();
  lock.lock();
  Notify();
  return true;
}

bool Impl::Post(std::function<void()> work) {
  const Lock lock(mu);
  if (shutdown) return false;
  requests.push_back(std::move(work));
  Notify();
  return true;
}

// The GUI thread's pump until `done`: requests first, then the user's next action.
// Gives up when nothing has happened for a while.
bool Impl::ServeUntil(Lock& lock, const std::function<bool()>& done) {
  while (!done()) {
    if (shutdown) return false;
    if (RunNext(lock, requests) || RunNext(lock, actions)) continue;
    const uint64_t seen = generation;
    if (!cv.wait_for(lock, options.realTimeout,
                     [&] { return generation != seen || shutdown || done(); })) {
      Problem("the script ran dry before the loop ended");
      return false;
    }
  }
  return true;
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

bool Impl::Deliver(Lock& lock, Input input, HWND dialog, int controlId) {
  static constexpr const char* Names[] = {"Click", "Escape", "Enter", "Close"};
  CallRecord& call = Record(Names[static_cast<int>(input)], dialog);
  if (input == Input::Click) call.args = {controlId};
  Window* d = Live(dialog);
  if (d == nullptr || !d->isDialog || d->ended || !Enabled(*d)) return false;
  UINT message = input == Input::Close ? WM_CLOSE : WM_COMMAND;
  WPARAM wParam = input == Input::Close ? 0 : input == Input::Escape ? IDCANCEL : IDOK;
  LPARAM lParam = 0;
  if (input == Input::Click) {
    Window* c = ControlOf(*d, controlId);
    if (c == nullptr || !c->enabled || c->kind == resources::ControlKind::StaticText) return false;
    if (c->kind == resources::ControlKind::AutoCheckBox) c->checked = !c->checked;
    call.window = c->hwnd;
    call.id = controlId;
    wParam = static_cast<WORD>(controlId);  // BN_CLICKED in the high word is 0
    lParam = reinterpret_cast<LPARAM>(c->hwnd);
  }
  call.result = 1;
  CallProc(lock, dialog, message, wParam, lParam);
  return true;
}

// --- Queued ---------------------------------------------------------------------------------

void Impl::QueueInput(Input input, int templateId, int controlId) {
  Enqueue(actions, [this, input, templateId, controlId] {
    Lock lock(mu);
    const HWND dialog = Newest(templateId, true);
    if (dialog == nullptr) {
      Problem("an action for dialog " + std::to_string(templateId) + ", which is not open");
    }
    Deliver(lock, input, dialog, controlId);
  });
}

void ScriptedWindowSystem::QueueClick(int templateId, int controlId) {
  impl_->QueueInput(Impl::Input::Click, templateId, controlId);
}
void ScriptedWindowSystem::QueueEscape(int templateId) {
  impl_->QueueInput(Impl::Input::Escape, templateId, 0);
}
void ScriptedWindowSystem::QueueEnter(int templateId) {
  impl_->QueueInput(Impl::Input::Enter, templateId, 0);
}
void ScriptedWindowSystem::QueueClose(int templateId) {
  impl_->QueueInput(Impl::Input::Close, templateId, 0);
}
void ScriptedWindowSystem::QueueDismiss() {
  QueueCall([this] {
    Lock lock(impl_->mu);
    impl_->Record("Dismiss", nullptr);
    if (!impl_->DismissNewest()) impl_->Problem("Dismiss with no held box or file dialog open");
  });
}
void ScriptedWindowSystem::QueueCall(std::function<void()> call) {
  impl_->Enqueue(impl_->actions, std::move(call));
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
  const resources::DialogTemplate* found = s.model.Template(MAKEINTRESOURCEW(templateId));
  if (found == nullptr) {
    s.Problem("OpenDialog for unknown template " + std::to_string(templateId));
    return nullptr;
  }
  const HWND dialog = s.OpenDialog(lock, *found, proc, false, param);
  call.result = static_cast<intptr_t>(Key(dialog));
  return dialog;
}

bool ScriptedWindowSystem::Click(HWND dialog, int controlId) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::Input::Click, dialog, controlId);
}
bool ScriptedWindowSystem::PressEscape(HWND dialog) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::Input::Escape, dialog, 0);
}
bool ScriptedWindowSystem::PressEnter(HWND dialog) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::Input::Enter, dialog, 0);
}
bool ScriptedWindowSystem::Close(HWND dialog) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::Input::Close, dialog, 0);
}
bool ScriptedWindowSystem::Dismiss() {
  Lock lock(impl_->mu);
  return impl_->DismissNewest();
}
int ScriptedWindowSystem::Pump() {
  Lock lock(impl_->mu);
  int served = 0;
  while (impl_->RunNext(lock, impl_->requests)) ++served;
  return served;
}

bool ScriptedWindowSystem::WaitFor(const std::function<bool()>& done) {
  Impl& s = *impl_;
  const auto deadline = std::chrono::steady_clock::now() + s.options.realTimeout;
  Lock lock(s.mu);
  while (!s.shutdown && std::chrono::steady_clock::now() < deadline) {
    while (s.OnGuiOrNone() && s.RunNext(lock, s.requests)) {
    }
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
