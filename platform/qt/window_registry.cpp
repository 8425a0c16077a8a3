#include "platform/qt/window_registry.h"

#include <fcntl.h>
#include <unistd.h>

#include <QThread>
#include <algorithm>
#include <utility>

namespace tavrinole::qt {
namespace {

uintptr_t Key(HWND window) {
  return reinterpret_cast<uintptr_t>(window);
}
HWND Handle(uintptr_t key) {
  return reinterpret_cast<HWND>(key);
}

}  // namespace

// Without a pipe (no descriptors left) the registry still works: Post then wakes the
// GUI thread through Qt's own queue, which only ThreadSanitizer cannot follow.
WindowRegistry::WindowRegistry() {
  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    wake_[0] = wake_[1] = -1;
    return;
  }
  notifier_ = std::make_unique<QSocketNotifier>(wake_[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, &context_, [this] { Serve(); });
}

WindowRegistry::~WindowRegistry() {
  Close();
  notifier_.reset();
  if (wake_[0] >= 0) close(wake_[0]);
  if (wake_[1] >= 0) close(wake_[1]);
}

void WindowRegistry::Wake() {
  if (wake_[1] < 0) {
    QMetaObject::invokeMethod(
        &context_, [this] { Serve(); }, Qt::QueuedConnection);
    return;
  }
  const char wake = 1;
  // A full pipe already holds a wake-up, so a short write loses nothing.
  [[maybe_unused]] const ssize_t written = write(wake_[1], &wake, 1);
}

// One piece of work at a time, taken under the lock: a piece that runs a nested loop
// lets the rest be served inside it, in order.
void WindowRegistry::Serve() {
  char drained[64];
  while (wake_[0] >= 0 && read(wake_[0], drained, sizeof drained) > 0) {
  }
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard lock(mu_);
      if (queue_.empty()) return;
      work = std::move(queue_.front());
      queue_.pop_front();
    }
    work();
  }
}

bool WindowRegistry::OnGuiThread() const {
  return QThread::currentThread() == context_.thread();
}

HWND WindowRegistry::AddDialog(QWidget* dialog) {
  std::lock_guard lock(mu_);
  const uintptr_t key = next_++;
  Entry& entry = windows_[key];
  entry.widget = dialog;
  entry.dialog = key;
  return Handle(key);
}

HWND WindowRegistry::AddControl(HWND dialog, int id, QWidget* control) {
  std::lock_guard lock(mu_);
  auto owner = windows_.find(Key(dialog));
  if (owner == windows_.end()) return nullptr;
  const uintptr_t key = next_++;
  owner->second.controls[id] = key;
  Entry& entry = windows_[key];
  entry.widget = control;
  entry.dialog = Key(dialog);
  entry.id = id;
  return Handle(key);
}

void WindowRegistry::Retire(HWND dialog) {
  std::lock_guard lock(mu_);
  auto found = windows_.find(Key(dialog));
  if (found == windows_.end()) return;
  for (const auto& [id, control] : found->second.controls) windows_.erase(control);
  windows_.erase(found);
  for (const auto& call : pending_) {
    if (call->dialog == Key(dialog)) call->done = true;  // its result stays the failure
  }
  std::erase_if(pending_, [](const auto& call) { return call->done; });
  served_.notify_all();
}

const WindowRegistry::Entry* WindowRegistry::FindLocked(HWND window) const {
  auto found = windows_.find(Key(window));
  return found == windows_.end() ? nullptr : &found->second;
}

QWidget* WindowRegistry::Widget(HWND window) const {
  std::lock_guard lock(mu_);
  const Entry* entry = FindLocked(window);
  return entry == nullptr ? nullptr : entry->widget.data();
}

bool WindowRegistry::Alive(HWND window) const {
  std::lock_guard lock(mu_);
  return FindLocked(window) != nullptr;
}

HWND WindowRegistry::DialogOf(HWND window) const {
  std::lock_guard lock(mu_);
  const Entry* entry = FindLocked(window);
  return entry == nullptr ? nullptr : Handle(entry->dialog);
}

int WindowRegistry::IdOf(HWND window) const {
  std::lock_guard lock(mu_);
  const Entry* entry = FindLocked(window);
  return entry == nullptr ? 0 : entry->id;
}

HWND WindowRegistry::Control(HWND dialog, int id) const {
  std::lock_guard lock(mu_);
  const Entry* entry = FindLocked(dialog);
  if (entry == nullptr) return nullptr;
  auto control = entry->controls.find(id);
  return control == entry->controls.end() ? nullptr : Handle(control->second);
}

void WindowRegistry::AddModalChild(HWND dialog, int delta) {
  std::lock_guard lock(mu_);
  auto found = windows_.find(Key(dialog));
  if (found != windows_.end()) found->second.modalChildren += delta;
}

intptr_t WindowRegistry::SetUserData(HWND dialog, intptr_t value) {
  std::lock_guard lock(mu_);
  auto found = windows_.find(Key(dialog));
  if (found == windows_.end() || found->second.dialog != Key(dialog)) return 0;
  return std::exchange(found->second.userData, value);
}

intptr_t WindowRegistry::UserData(HWND dialog) const {
  std::lock_guard lock(mu_);
  const Entry* entry = FindLocked(dialog);
  return entry == nullptr || entry->dialog != Key(dialog) ? 0 : entry->userData;
}

int WindowRegistry::ModalChildren(HWND dialog) const {
  std::lock_guard lock(mu_);
  const Entry* entry = FindLocked(dialog);
  return entry == nullptr ? 0 : entry->modalChildren;
}

intptr_t WindowRegistry::Call(HWND window, intptr_t failure,
                              const std::function<intptr_t()>& work) {
  if (OnGuiThread()) return Alive(window) ? work() : failure;
  auto call = std::make_shared<Pending>();
  call->result = failure;
  {
    std::lock_guard lock(mu_);
    const Entry* entry = FindLocked(window);
    if (entry == nullptr || closing_) return failure;
    call->dialog = entry->dialog;
    pending_.push_back(call);
  }
  const bool queued = Post([this, call, window, work] {
    {
      std::lock_guard lock(mu_);
      if (call->done) return;
    }
    Finish(call, Alive(window) ? work() : call->result);
  });
  if (!queued) Finish(call, call->result);
  std::unique_lock lock(mu_);
  served_.wait(lock, [&] { return call->done; });
  return call->result;
}

void WindowRegistry::Finish(const std::shared_ptr<Pending>& call, intptr_t result) {
  std::lock_guard lock(mu_);
  if (call->done) return;
  call->result = result;
  call->done = true;
  std::erase(pending_, call);
  served_.notify_all();
}

bool WindowRegistry::Post(std::function<void()> work) {
  {
    std::lock_guard lock(mu_);
    if (closing_) return false;
    queue_.push_back(std::move(work));
  }
  Wake();
  return true;
}

void WindowRegistry::Close() {
  std::lock_guard lock(mu_);
  closing_ = true;
  queue_.clear();
  for (const auto& call : pending_) call->done = true;
  pending_.clear();
  served_.notify_all();
}

}  // namespace tavrinole::qt
