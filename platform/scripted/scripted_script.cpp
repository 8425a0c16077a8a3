// The user's script and the loops that serve it: requests from other threads first,
// then the next action; and the same input step by step on the calling thread.
#include <algorithm>

#include "platform/scripted/scripted_window_system.h"

namespace tavrinole {

// Runs the front of `queue` without the lock: work may call the layer. False if empty.
bool ScriptedWindowSystem::RunNext(Lock& lock, std::deque<std::function<void()>>& queue) {
  if (queue.empty()) return false;
  std::function<void()> next = std::move(queue.front());
  queue.pop_front();
  lock.unlock();
  next();
  lock.lock();
  Notify();
  return true;
}

bool ScriptedWindowSystem::Post(std::function<void()> work) {
  const Lock lock(mu_);
  if (shutdown_) return false;
  requests_.push_back(std::move(work));
  Notify();
  return true;
}

// The GUI thread's pump until `done`: requests first, then the user's next action.
// Gives up when nothing has happened for a while.
bool ScriptedWindowSystem::ServeUntil(Lock& lock, const std::function<bool()>& done) {
  while (!done()) {
    if (shutdown_) return false;
    if (RunNext(lock, requests_) || RunNext(lock, actions_)) continue;
    const uint64_t seen = generation_;
    if (!cv_.wait_for(lock, options_.realTimeout,
                      [&] { return generation_ != seen || shutdown_ || done(); })) {
      Problem("the script ran dry before the loop ended");
      return false;
    }
  }
  return true;
}

// Keeps a box or file dialog open until dismissed. Its owner takes no input meanwhile; on
// the GUI thread the loop keeps serving, elsewhere only the calling thread waits.
void ScriptedWindowSystem::HoldOpen(Lock& lock, HWND owner) {
  auto dismissed = std::make_shared<bool>(false);
  model_.AddModalChild(owner, +1);
  held_.push_back(dismissed);
  Notify();
  if (OnGui()) {
    if (!ServeUntil(lock, [&] { return *dismissed; })) *dismissed = true;
  } else {
    cv_.wait(lock, [&] { return *dismissed || shutdown_; });
  }
  model_.AddModalChild(owner, -1);
  held_.erase(std::ranges::find(held_, dismissed));
  Notify();
}

bool ScriptedWindowSystem::DismissNewest() {
  auto open = std::ranges::find_if(held_.rbegin(), held_.rend(), [](auto& d) { return !*d; });
  if (open == held_.rend()) return false;
  **open = true;
  Notify();
  return true;
}

bool ScriptedWindowSystem::Send(Input input, HWND dialog, int controlId) {
  static constexpr const char* Names[] = {"Click", "Escape", "Enter", "Close"};
  Lock lock(mu_);
  CallRecord& call = Record(Names[static_cast<int>(input)], dialog);
  if (input == Input::Click) call.args = {controlId};
  const std::optional<Window> d = model_.Get(dialog);
  if (!d || !d->isDialog || d->ended || !model_.Enabled(dialog)) return false;
  UINT message = input == Input::Close ? WM_CLOSE : WM_COMMAND;
  WPARAM wParam = input == Input::Close ? 0 : input == Input::Escape ? IDCANCEL : IDOK;
  LPARAM lParam = 0;
  if (input == Input::Click) {
    const std::optional<Window> c = model_.Get(model_.Control(dialog, controlId));
    if (!c || !c->enabled || c->kind == resources::ControlKind::StaticText) return false;
    if (c->kind == resources::ControlKind::AutoCheckBox) {
      model_.Update(c->hwnd, [](Window& box) { box.checked = !box.checked; });
    }
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

void ScriptedWindowSystem::Queue(Input input, int templateId, int controlId) {
  QueueCall([this, input, templateId, controlId] {
    const HWND dialog = model_.Newest(templateId);
    if (dialog == nullptr) {
      const Lock lock(mu_);
      Problem("an action for dialog " + std::to_string(templateId) + ", which is not open");
    }
    Send(input, dialog, controlId);
  });
}
void ScriptedWindowSystem::QueueDismiss() {
  QueueCall([this] {
    const Lock lock(mu_);
    Record("Dismiss", nullptr);
    if (!DismissNewest()) Problem("Dismiss with no held box or file dialog open");
  });
}
void ScriptedWindowSystem::QueueCall(std::function<void()> call) {
  Enqueue(actions_, std::move(call));
}

void ScriptedWindowSystem::AnswerMessageBox(int result, Hold hold) {
  Enqueue(boxAnswers_, {result, false, hold == Hold::UntilDismissed, {}});
}
void ScriptedWindowSystem::AnswerFileDialog(WStringView path, Hold hold) {
  Enqueue(fileAnswers_, {0, false, hold == Hold::UntilDismissed, WString(path)});
}
void ScriptedWindowSystem::CancelFileDialog(Hold hold) {
  Enqueue(fileAnswers_, {0, true, hold == Hold::UntilDismissed, {}});
}

void ScriptedWindowSystem::FailNext(std::string_view operation, int count) {
  const Lock lock(mu_);
  failures_.try_emplace(std::string(operation), 0).first->second += count;
}

// --- Step by step ----------------------------------------------------------------------

HWND ScriptedWindowSystem::OpenDialog(int templateId, HWND owner, DLGPROC proc, LPARAM param) {
  Lock lock(mu_);
  CallRecord& call = Record("OpenDialog", owner, {templateId, param});
  const resources::DialogTemplate* found = model_.Template(MAKEINTRESOURCEW(templateId));
  if (found == nullptr) {
    Problem("OpenDialog for unknown template " + std::to_string(templateId));
    return nullptr;
  }
  const HWND dialog = Open(lock, *found, proc, false, param);
  call.result = static_cast<intptr_t>(Key(dialog));
  return dialog;
}

bool ScriptedWindowSystem::Dismiss() {
  const Lock lock(mu_);
  return DismissNewest();
}

int ScriptedWindowSystem::Pump() {
  Lock lock(mu_);
  int served = 0;
  while (RunNext(lock, requests_)) ++served;
  return served;
}

bool ScriptedWindowSystem::WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + options_.realTimeout;
  Lock lock(mu_);
  while (!shutdown_ && std::chrono::steady_clock::now() < deadline) {
    while (OnGuiOrNone() && RunNext(lock, requests_)) {
    }
    lock.unlock();
    if (done()) return true;
    lock.lock();
    cv_.wait_for(lock, std::chrono::milliseconds(2));  // `done` may not notify
  }
  Problem("timed out waiting for what a test expected");
  return false;
}

void ScriptedWindowSystem::WaitAtGate() {
  Lock lock(mu_);
  ++atGate_;
  Notify();
  cv_.wait(lock, [&] { return gateOpen_ || shutdown_; });
  --atGate_;
}

void ScriptedWindowSystem::OpenGate() {
  const Lock lock(mu_);
  gateOpen_ = true;
  Notify();
}

}  // namespace tavrinole
