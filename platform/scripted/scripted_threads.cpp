// Threads, requests for the GUI thread, and the loops that serve them.
//
// Threads are real and so are their sleeps. A thread started here counts as blocked while
// it waits in one of our calls or at the gate; "idle" means every such thread is blocked
// or done and nothing waits for the GUI thread, which is what makes WaitIdle and a loop's
// "the script ran dry" deterministic.
#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

#include "platform/scripted/scripted_state.h"

namespace tavrinole {

using Impl = ScriptedWindowSystem::Impl;

bool Impl::WaitChange(Lock& lock) {
  const uint64_t seen = generation;
  return cv.wait_for(lock, options.realTimeout, [&] { return generation != seen || shutdown; });
}

Impl::ThreadRec* Impl::Current() {
  auto it = byId.find(std::this_thread::get_id());
  if (it != byId.end()) return it->second;
  others.push_back(std::make_unique<ThreadRec>());
  ThreadRec* rec = others.back().get();
  rec->id = std::this_thread::get_id();
  return byId[rec->id] = rec;
}

// `sleepersToo`: a thread in a timed sleep counts as blocked; otherwise it will move on.
bool Impl::Idle(bool sleepersToo) const {
  if (!requests.empty()) return false;
  return std::ranges::all_of(threads, [&](const auto& entry) {
    const ThreadRec& t = *entry.second;
    const bool answered = t.waitingOn != nullptr && model.Done(*t.waitingOn);
    return t.done || (t.blocked && !answered && (sleepersToo || !t.sleeping));
  });
}

// Blocks the calling thread, counted as blocked, until `done`.
void Impl::Block(Lock& lock, const std::function<bool()>& done) {
  ThreadRec* me = Current();
  me->blocked = true;
  Notify();
  cv.wait(lock, [&] { return done() || shutdown; });
  me->blocked = false;
}

void Impl::ServeRequest() {
  Pending r = std::move(requests.front());
  requests.pop_front();
  if (!r.setText) {
    if (Window* d = Live(r.window); d != nullptr && d->isDialog) MarkEnded(*d, r.result);
  } else if (Window* w = Live(r.window); w != nullptr && model.Finish(*r.tracked, TRUE)) {
    w->text = r.text;
    CallRecord& call = Record("SetWindowTextW", r.window, {}, r.from);
    call.text = r.text;
    call.result = TRUE;
  } else {
    model.Finish(*r.tracked, FALSE);
  }
  Notify();
}

// The GUI thread's pump: requests first, then the user's next action, until `done`.
bool Impl::ServeUntil(Lock& lock, const std::function<bool()>& done) {
  while (!done()) {
    if (shutdown) return false;
    if (!requests.empty()) {
      ServeRequest();
    } else if (!actions.empty()) {
      Action action = std::move(actions.front());
      actions.pop_front();
      ServeAction(lock, action);
    } else if (Idle(false)) {
      Problem("the script ran dry before the loop ended");
      return false;
    } else if (!WaitChange(lock)) {
      Problem("timed out waiting for a thread started here");
      return false;
    }
  }
  return true;
}

bool Impl::WaitIdle(Lock& lock) {
  while (!shutdown) {
    if (!requests.empty() && (!gui || OnGui())) {
      ServeRequest();
    } else if (Idle(true)) {
      return true;
    } else if (!WaitChange(lock)) {
      Problem("timed out waiting for the threads started here to go idle");
      return false;
    }
  }
  return false;
}

// A text from another thread is set by the GUI thread when it next pumps, while the
// caller waits; the model fails it at once if the dialog ends first.
BOOL Impl::SendText(Lock& lock, HWND window, LPCWSTR text) {
  const WString value = text != nullptr ? WString(text) : WString();
  Window* w = Live(window);
  if (w != nullptr && !shutdown && (!gui || OnGui())) {
    w->text = value;
    CallRecord& call = Record("SetWindowTextW", window);
    call.text = value;
    return static_cast<BOOL>(call.result = TRUE);
  }
  std::shared_ptr<WindowModel::Request> tracked;
  if (w != nullptr && !shutdown) tracked = model.Track(window, FALSE);
  if (tracked != nullptr) {
    Current()->waitingOn = tracked;
    requests.push_back({tracked, window, value, 0, true, std::this_thread::get_id()});
    Block(lock, [&] { return model.Done(*tracked); });
    Current()->waitingOn = nullptr;
    if (model.Done(*tracked) && tracked->result == TRUE) return TRUE;
  }
  CallRecord& call = Record("SetWindowTextW", window);
  call.text = value;
  return FALSE;
}

// Keeps a box or file dialog open until dismissed. Its owner takes no input meanwhile; on
// the GUI thread the loop keeps serving, elsewhere only the calling thread waits.
void Impl::HoldOpen(Lock& lock, HWND owner) {
  auto box = std::make_shared<HeldBox>();
  model.AddModalChild(owner, +1);
  held.push_back(box);
  Notify();
  if (OnGui()) {
    if (!ServeUntil(lock, [&] { return box->done; })) box->done = true;
  } else {
    box->waiter = Current();
    Block(lock, [&] { return box->done; });
  }
  model.AddModalChild(owner, -1);
  held.erase(std::find(held.begin(), held.end(), box));
  Notify();
}

bool Impl::DismissNewest() {
  for (auto it = held.rbegin(); it != held.rend(); ++it) {
    if ((*it)->done) continue;
    (*it)->done = true;
    if ((*it)->waiter != nullptr) (*it)->waiter->blocked = false;
    Notify();
    return true;
  }
  return false;
}

ScriptedWindowSystem::~ScriptedWindowSystem() {
  Impl& s = *impl_;
  s.model.Close();  // fails every waiting text request
  Lock lock(s.mu);
  s.shutdown = true;
  s.requests.clear();
  for (auto& box : s.held) box->done = true;
  s.Notify();
  // Join every thread nobody else is joining; wait for those someone is.
  while (!s.threads.empty()) {
    auto it = std::ranges::find_if(s.threads, [](const auto& e) { return !e.second->joining; });
    if (it == s.threads.end()) {
      s.cv.wait(lock);
      continue;
    }
    std::thread thread = std::move(it->second->thread);
    std::unique_ptr<Impl::ThreadRec> rec = std::move(it->second);
    s.threads.erase(it);
    lock.unlock();
    if (thread.joinable()) thread.join();
    lock.lock();
  }
}

// --- Threads and time --------------------------------------------------------------------

ThreadHandle ScriptedWindowSystem::BeginThread(ThreadRoutine routine, void* argument) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call = s.Record("BeginThread", nullptr);
  if (s.shutdown || s.ConsumeFailure("BeginThread")) return ThreadHandle::None;
  auto rec = std::make_unique<Impl::ThreadRec>();
  Impl::ThreadRec* t = rec.get();
  t->handle = ++s.nextThread;
  try {
    t->thread = std::thread([&s, t, routine, argument] {
      { Lock wait(s.mu); }  // until the starter has registered this thread
      routine(argument);
      Lock done(s.mu);
      t->done = true;
      t->blocked = false;
      // The joiner is runnable from now on; were it still counted as blocked, a loop
      // could find everything idle before the joiner has woken and give up.
      if (t->joiner != nullptr) t->joiner->blocked = false;
      s.byId.erase(t->id);
      s.Notify();
    });
  } catch (const std::system_error&) {
    return ThreadHandle::None;
  }
  t->id = t->thread.get_id();
  s.byId[t->id] = t;
  s.threads[t->handle] = std::move(rec);
  call.result = static_cast<intptr_t>(t->handle);
  s.Notify();
  return static_cast<ThreadHandle>(t->handle);
}

Impl::ThreadRec* Impl::Started(ThreadHandle thread) {
  auto it = threads.find(static_cast<uintptr_t>(thread));
  return it == threads.end() ? nullptr : it->second.get();
}

BOOL ScriptedWindowSystem::JoinThread(ThreadHandle thread) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call = s.Record("JoinThread", nullptr, {static_cast<intptr_t>(thread)});
  Impl::ThreadRec* t = s.Started(thread);
  if (t == nullptr || t->joining || t->id == std::this_thread::get_id()) return FALSE;
  Impl::ThreadRec* me = s.Current();
  t->joining = me->blocked = true;
  t->joiner = me;
  if (t->atGate) s.gateOpen = true;  // a test's join lets a held thread go on
  s.Notify();
  while (!t->done && !s.shutdown && s.WaitChange(lock)) {
  }
  me->blocked = false;
  if (!t->done) {
    t->joining = false;
    t->joiner = nullptr;
    s.Problem("JoinThread gave up waiting for a thread");
    s.Notify();
    return FALSE;
  }
  std::thread finished = std::move(t->thread);
  s.threads.erase(static_cast<uintptr_t>(thread));
  call.result = TRUE;
  s.Notify();
  lock.unlock();
  finished.join();
  return TRUE;
}

BOOL ScriptedWindowSystem::AlertThread(ThreadHandle thread) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  CallRecord& call = s.Record("AlertThread", nullptr, {static_cast<intptr_t>(thread)});
  Impl::ThreadRec* t = s.Started(thread);
  if (t == nullptr || t->done) return FALSE;
  (t->sleeping && t->alertable ? t->alerted : t->alertPending) = true;
  call.result = TRUE;
  s.Notify();
  return TRUE;
}

DWORD ScriptedWindowSystem::SleepEx(DWORD milliseconds, BOOL alertable) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  Impl::ThreadRec* me = s.Current();
  CallRecord& call = s.Record("SleepEx", nullptr, {static_cast<intptr_t>(milliseconds), alertable});
  if (!(alertable && std::exchange(me->alertPending, false))) {
    me->sleeping = me->blocked = true;
    me->alertable = alertable != FALSE;
    s.Notify();
    s.cv.wait_for(lock, std::chrono::milliseconds(milliseconds),
                  [&] { return me->alerted || s.shutdown; });
    me->sleeping = me->blocked = false;
    s.Notify();
    if (!std::exchange(me->alerted, false)) return 0;
  }
  return static_cast<DWORD>(call.result = WAIT_IO_COMPLETION);
}

void ScriptedWindowSystem::WaitAtGate() {
  Lock lock(impl_->mu);
  Impl::ThreadRec* me = impl_->Current();
  me->atGate = true;
  impl_->Block(lock, [&] { return impl_->gateOpen; });
  me->atGate = false;
}

void ScriptedWindowSystem::OpenGate() {
  std::lock_guard lock(impl_->mu);
  impl_->gateOpen = true;
  impl_->Notify();
}

}  // namespace tavrinole
