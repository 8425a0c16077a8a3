// The call log, and what a test may inspect: any thread, also after a dialog has ended.
#include <algorithm>

#include "platform/scripted/scripted_window_system.h"

namespace tavrinole {

CallRecord& ScriptedWindowSystem::Record(std::string op, HWND window, std::vector<intptr_t> args,
                                         std::thread::id thread) {
  CallRecord& r = calls_.emplace_back();
  r.op = std::move(op);
  r.window = window;
  r.args = std::move(args);
  r.id = model_.Inspect(window).id;
  r.thread = thread;
  r.onGuiThread = gui_.load() == thread;
  return r;
}

bool ScriptedWindowSystem::ConsumeFailure(std::string_view op) {
  auto it = failures_.find(op);
  if (it == failures_.end() || it->second <= 0) return false;
  --it->second;
  return true;
}

ScriptedWindowSystem::Window ScriptedWindowSystem::State(HWND window) const {
  Window state = model_.Inspect(window);
  state.enabled = model_.Enabled(window);
  state.shown = state.shown && !state.ended;
  return state;
}

int ScriptedWindowSystem::HeldOpen() const {
  const Lock lock(mu_);
  return static_cast<int>(std::ranges::count(held_, false, [](auto& d) { return *d; }));
}

int ScriptedWindowSystem::AtGate() const {
  const Lock lock(mu_);
  return atGate_;
}

int ScriptedWindowSystem::PendingRequests() const {
  const Lock lock(mu_);
  return static_cast<int>(requests_.size());
}

std::optional<std::thread::id> ScriptedWindowSystem::GuiThread() const {
  const std::thread::id gui = gui_;
  return gui == std::thread::id() ? std::nullopt : std::optional(gui);
}

std::vector<CallRecord> ScriptedWindowSystem::Calls(std::string_view op) const {
  const Lock lock(mu_);
  std::vector<CallRecord> matching;
  std::ranges::copy_if(calls_, std::back_inserter(matching),
                       [&](const CallRecord& call) { return op.empty() || call.op == op; });
  return matching;
}

std::vector<WString> ScriptedWindowSystem::TextsSet(HWND window) const {
  std::vector<WString> texts;
  for (const CallRecord& call : Calls("SetWindowTextW")) {
    if (call.window == window && call.result) texts.push_back(call.text);
  }
  return texts;
}

std::vector<CallRecord> ScriptedWindowSystem::FileDialogs() const {
  std::vector<CallRecord> dialogs = Calls();
  std::erase_if(dialogs, [](const CallRecord& call) { return !call.op.ends_with("FileNameW"); });
  return dialogs;
}

std::vector<std::string> ScriptedWindowSystem::Problems() const {
  const Lock lock(mu_);
  return problems_;
}

}  // namespace tavrinole
