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
  if (const Window* w = Find(window)) r.id = w->id;
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

const ScriptedWindowSystem::Window* ScriptedWindowSystem::Find(HWND hwnd) const {
  auto it = windows_.find(Key(hwnd));
  return it == windows_.end() ? nullptr : &it->second;
}

HWND ScriptedWindowSystem::ControlOf(HWND dialog, int id) const {
  const Window* d = Find(dialog);
  if (d == nullptr || !d->isDialog) return nullptr;
  auto found = std::ranges::find(d->controls, id, [&](HWND c) { return Find(c)->id; });
  return found != d->controls.end() ? *found : nullptr;
}

// The newest dialog made from the template (handles only grow), open or not.
HWND ScriptedWindowSystem::Newest(int templateId, bool openOnly) const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    const Window& w = it->second;
    if (w.isDialog && w.id == templateId && !(openOnly && w.ended)) return w.hwnd;
  }
  return nullptr;
}

HWND ScriptedWindowSystem::LastDialog(int templateId) const {
  const Lock lock(mu_);
  return Newest(templateId, false);
}

HWND ScriptedWindowSystem::Control(HWND dialog, int id) const {
  const Lock lock(mu_);
  return ControlOf(dialog, id);
}

ScriptedWindowSystem::Window ScriptedWindowSystem::State(HWND window) const {
  const Lock lock(mu_);
  const Window* w = Find(window);
  Window state = w != nullptr ? *w : Window{};
  state.enabled = w != nullptr && Enabled(*w);
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

std::optional<WNDCLASSEXW> ScriptedWindowSystem::RegisteredClass(WStringView name) const {
  return model_.Class(name);
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
