// The call log, and what a test may inspect: any thread, also after a dialog has ended.
#include <algorithm>

#include "platform/scripted/scripted_state.h"

namespace tavrinole {

using Impl = ScriptedWindowSystem::Impl;

CallRecord& Impl::Record(std::string op, HWND window, std::vector<intptr_t> args,
                         std::thread::id thread) {
  CallRecord& r = calls.emplace_back();
  r.op = std::move(op);
  r.window = window;
  r.args = std::move(args);
  if (const Window* w = Find(window)) r.id = w->id;
  r.thread = thread;
  r.onGuiThread = gui.load() == thread;
  return r;
}

bool Impl::ConsumeFailure(std::string_view op) {
  auto it = failures.find(op);
  if (it == failures.end() || it->second <= 0) return false;
  --it->second;
  return true;
}

Impl::Window* Impl::Find(HWND hwnd) {
  auto it = windows.find(Key(hwnd));
  return it == windows.end() ? nullptr : &it->second;
}

Impl::Window* Impl::ControlOf(const Window& dialog, int id) {
  for (HWND c : dialog.controls) {
    if (Window* w = Find(c); w->id == id) return w;
  }
  return nullptr;
}

// The newest dialog made from the template (handles only grow), open or not.
HWND Impl::Newest(int templateId, bool openOnly) const {
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    const Window& w = it->second;
    if (w.isDialog && w.id == templateId && !(openOnly && w.ended)) return w.hwnd;
  }
  return nullptr;
}

namespace {

// A window's record, ended or not, read under the lock.
template <typename T, typename Read>
T Inspect(Impl& s, HWND window, T missing, Read read) {
  Lock lock(s.mu);
  const Impl::Window* w = s.Find(window);
  return w != nullptr ? read(*w) : missing;
}

}  // namespace

HWND ScriptedWindowSystem::LastDialog(int templateId) const {
  Lock lock(impl_->mu);
  return impl_->Newest(templateId, false);
}

HWND ScriptedWindowSystem::Control(HWND dialog, int id) const {
  Lock lock(impl_->mu);
  Impl::Window* d = impl_->Find(dialog);
  Impl::Window* c = d != nullptr && d->isDialog ? impl_->ControlOf(*d, id) : nullptr;
  return c != nullptr ? c->hwnd : nullptr;
}

WString ScriptedWindowSystem::Text(HWND window) const {
  return Inspect(*impl_, window, WString(), [](const auto& w) { return w.text; });
}
WString ScriptedWindowSystem::ControlText(HWND dialog, int id) const {
  return Text(Control(dialog, id));
}
bool ScriptedWindowSystem::ControlEnabled(HWND dialog, int id) const {
  return Inspect(*impl_, Control(dialog, id), false, [](const auto& w) { return w.enabled; });
}
bool ScriptedWindowSystem::ControlChecked(HWND dialog, int id) const {
  return Inspect(*impl_, Control(dialog, id), false, [](const auto& w) { return w.checked; });
}
bool ScriptedWindowSystem::DialogEnabled(HWND dialog) const {
  return Inspect(*impl_, dialog, false,
                 [&](const auto& w) { return w.isDialog && impl_->Enabled(w); });
}
bool ScriptedWindowSystem::Shows(HWND dialog) const {
  return Inspect(*impl_, dialog, false, [](const auto& w) { return w.shown && !w.ended; });
}
bool ScriptedWindowSystem::HasEnded(HWND dialog) const {
  return Inspect(*impl_, dialog, false, [](const auto& w) { return w.ended; });
}
INT_PTR ScriptedWindowSystem::DialogResult(HWND dialog) const {
  return Inspect(*impl_, dialog, INT_PTR{0}, [](const auto& w) { return w.result; });
}

int ScriptedWindowSystem::HeldOpen() const {
  Lock lock(impl_->mu);
  return static_cast<int>(std::ranges::count(impl_->held, false, [](auto& d) { return *d; }));
}

int ScriptedWindowSystem::AtGate() const {
  Lock lock(impl_->mu);
  return impl_->atGate;
}

int ScriptedWindowSystem::PendingRequests() const {
  Lock lock(impl_->mu);
  return static_cast<int>(impl_->requests.size());
}

std::optional<std::thread::id> ScriptedWindowSystem::GuiThread() const {
  const std::thread::id gui = impl_->gui;
  return gui == std::thread::id() ? std::nullopt : std::optional(gui);
}

std::optional<WNDCLASSEXW> ScriptedWindowSystem::RegisteredClass(WStringView name) const {
  return impl_->model.Class(name);
}

std::vector<CallRecord> ScriptedWindowSystem::Calls(std::string_view op) const {
  Lock lock(impl_->mu);
  std::vector<CallRecord> matching;
  std::ranges::copy_if(impl_->calls, std::back_inserter(matching),
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

std::vector<FileDialogRecord> ScriptedWindowSystem::FileDialogs() const {
  Lock lock(impl_->mu);
  return impl_->fileDialogs;
}

std::vector<std::string> ScriptedWindowSystem::Problems() const {
  Lock lock(impl_->mu);
  return impl_->problems;
}

}  // namespace tavrinole
