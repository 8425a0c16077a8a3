// The Qt layer's widgets behind the window model's handles, and requests from other
// threads.
//
// Handles come from the window model (platform/window_model.h): numbers never reused,
// not widget pointers, so an operation on an ended dialog's handle fails at once
// instead of touching a deleted widget. Widgets are only touched on the GUI thread;
// other threads see nothing but whether a handle is still alive.
//
// A request from another thread is queued to the GUI thread, which serves it when its
// event loop next runs (a modal loop, never the middle of a dialog procedure), while
// the caller waits. When a dialog ends, requests still waiting on it fail at once: on
// Win32 a message to a destroyed window returns, and a worker must never hang on a
// dialog that is gone while the GUI thread waits to join it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/qt/wake_pipe.h"
#include "platform/window_model.h"

namespace tavrinole::qt {

class WindowRegistry {
 public:
  WindowRegistry();  // on the GUI thread, which is the thread that creates it
  ~WindowRegistry();
  WindowRegistry(const WindowRegistry&) = delete;
  WindowRegistry& operator=(const WindowRegistry&) = delete;

  bool OnGuiThread() const;

  // GUI thread: give a dialog (built from template `templateId`) and its controls handles.
  HWND AddDialog(int templateId, QWidget* dialog);
  HWND AddControl(HWND dialog, int id, QWidget* control);
  // GUI thread: the dialog has ended; its handles go stale and waiting requests fail.
  void Retire(HWND dialog);

  // GUI thread: the live widget of a handle, or null.
  QWidget* Widget(HWND window) const;
  // Any thread.
  bool Alive(HWND window) const { return model_.Alive(window); }
  // The dialog of a control, or the dialog itself.
  HWND DialogOf(HWND window) const { return model_.DialogOf(window); }
  HWND Control(HWND dialog, int id) const { return model_.Control(dialog, id); }

  // GUI thread: count the modal dialogs and boxes a dialog owns (it is disabled while
  // any is open).
  void AddModalChild(HWND dialog, int delta) { model_.AddModalChild(dialog, delta); }
  int ModalChildren(HWND dialog) const { return model_.ModalChildren(dialog); }

  // Runs `work` on the GUI thread for a live window and returns its result; `failure`
  // when the window is stale, or goes stale while the caller waits.
  intptr_t Call(HWND window, intptr_t failure, const std::function<intptr_t()>& work);

  // Queues `work` to the GUI thread and returns at once. False once the registry is
  // closing.
  bool Post(std::function<void()> work);

  // Fails every waiting request and every later one, so that workers can be joined.
  void Close();

  WindowModel& Model() { return model_; }

 private:
  void Serve();

  QObject context_;  // marks the GUI thread
  std::mutex queueMu_;
  std::deque<std::function<void()>> queue_;
  WindowModel model_;
  std::unordered_map<uintptr_t, QPointer<QWidget>> widgets_;  // GUI thread only
  // Queued work travels in our own queue, and the pipe wakes the GUI thread's event loop
  // for it: nothing allocated by Qt crosses threads, so ThreadSanitizer can check the
  // hand-off (Qt's own synchronisation is invisible to it). Without a pipe (none left to
  // the process) Qt's own queued call carries the wake-up.
  WakePipe wake_{[this] { Serve(); }};
};

}  // namespace tavrinole::qt
