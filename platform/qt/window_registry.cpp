#include "platform/qt/window_registry.h"

#include <QThread>

namespace tavrinole::qt {

WindowRegistry::WindowRegistry() = default;

WindowRegistry::~WindowRegistry() {
  Close();
}

// One piece of work at a time, taken under the lock: a piece that runs a nested loop
// lets the rest be served inside it, in order.
void WindowRegistry::Serve() {
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard lock(queueMu_);
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

HWND WindowRegistry::AddDialog(int templateId, QWidget* dialog) {
  const HWND handle = model_.AddDialog(templateId);
  widgets_[Key(handle)] = dialog;
  return handle;
}

HWND WindowRegistry::AddControl(HWND dialog, int id, QWidget* control) {
  const HWND handle = model_.AddControl(dialog, id);
  if (handle != nullptr) widgets_[Key(handle)] = control;
  return handle;
}

void WindowRegistry::Retire(HWND dialog) {
  if (!model_.IsDialog(dialog)) return;
  std::erase_if(widgets_, [&](const auto& entry) {
    return entry.first == Key(dialog) ||
           model_.DialogOf(reinterpret_cast<HWND>(entry.first)) == dialog;
  });
  model_.Retire(dialog);
}

QWidget* WindowRegistry::Widget(HWND window) const {
  auto found = widgets_.find(Key(window));
  return found == widgets_.end() || !model_.Alive(window) ? nullptr : found->second.data();
}

intptr_t WindowRegistry::Call(HWND window, intptr_t failure,
                              const std::function<intptr_t()>& work) {
  return model_.Call(window, OnGuiThread(), failure, work,
                     [this](std::function<void()> queued) { return Post(std::move(queued)); });
}

bool WindowRegistry::Post(std::function<void()> work) {
  if (model_.Closed()) return false;
  {
    std::lock_guard lock(queueMu_);
    queue_.push_back(std::move(work));
  }
  if (wake_.Ready()) {
    wake_.Wake();
  } else {
    QMetaObject::invokeMethod(
        &context_, [this] { Serve(); }, Qt::QueuedConnection);
  }
  return true;
}

void WindowRegistry::Close() {
  model_.Close();
  std::lock_guard lock(queueMu_);
  queue_.clear();
}

}  // namespace tavrinole::qt
