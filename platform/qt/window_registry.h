// Handles of the Qt layer's windows, and requests from other threads.
//
// A handle is a number that is never reused, not a widget pointer: once its dialog has
// ended, the number finds nothing, so every operation on it fails at once instead of
// touching a deleted widget. Widgets are only touched on the GUI thread; other threads
// see nothing but whether a handle is still alive.
//
// A request from another thread is queued to the GUI thread, which serves it when its
// event loop next runs (a modal loop, never the middle of a dialog procedure), while
// the caller waits. When a dialog ends, requests still waiting on it fail at once: on
// Win32 a message to a destroyed window returns, and a worker must never hang on a
// dialog that is gone while the GUI thread waits to join it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/win32_api.h"

namespace tavrinole::qt {

class WindowRegistry {
 public:
  WindowRegistry();  // on the GUI thread, which is the thread that creates it
  ~WindowRegistry();
  WindowRegistry(const WindowRegistry&) = delete;
  WindowRegistry& operator=(const WindowRegistry&) = delete;

  bool OnGuiThread() const;

  // GUI thread: give a dialog and its controls handles.
  HWND AddDialog(QWidget* dialog);
  HWND AddControl(HWND dialog, int id, QWidget* control);
  // GUI thread: the dialog has ended; its handles go stale and waiting requests fail.
  void Retire(HWND dialog);

  // GUI thread: the live widget of a handle, or null.
  QWidget* Widget(HWND window) const;
  // Any thread.
  bool Alive(HWND window) const;
  HWND DialogOf(HWND window) const;  // the dialog of a control, or the dialog itself
  int IdOf(HWND window) const;       // a control's id, 0 for a dialog
  HWND Control(HWND dialog, int id) const;

  // A dialog's DWLP_USER value; 0 for a control or a stale handle. Set returns the
  // value before.
  intptr_t SetUserData(HWND dialog, intptr_t value);
  intptr_t UserData(HWND dialog) const;

  // GUI thread: count the modal dialogs and boxes a dialog owns (it is disabled while
  // any is open).
  void AddModalChild(HWND dialog, int delta);
  int ModalChildren(HWND dialog) const;

  // Runs `work` on the GUI thread for a live window and returns its result; `failure`
  // when the window is stale, or goes stale while the caller waits.
  intptr_t Call(HWND window, intptr_t failure, const std::function<intptr_t()>& work);

  // Queues `work` to the GUI thread and returns at once. False once the registry is
  // closing.
  bool Post(std::function<void()> work);

  // Fails every waiting request and every later one, so that workers can be joined.
  void Close();

 private:
  struct Entry {
    QPointer<QWidget> widget;
    uintptr_t dialog = 0;
    int id = 0;
    bool alive = true;
    int modalChildren = 0;
    intptr_t userData = 0;                        // a dialog's DWLP_USER
    std::unordered_map<int, uintptr_t> controls;  // a dialog's controls by id
  };
  struct Pending {
    uintptr_t dialog = 0;
    intptr_t result = 0;
    bool done = false;
  };

  const Entry* FindLocked(HWND window) const;
  void Finish(const std::shared_ptr<Pending>& call, intptr_t result);
  void Serve();
  void Wake();

  QObject context_;  // marks the GUI thread
  // Queued work travels in our own queue, and a byte on a pipe wakes the GUI thread's
  // event loop for it (wake_ holds -1 when there is no pipe): nothing allocated by Qt crosses
  // threads, so ThreadSanitizer can check the hand-off (Qt's own synchronisation is invisible to
  // it).
  int wake_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  std::deque<std::function<void()>> queue_;
  mutable std::mutex mu_;
  std::condition_variable served_;
  std::unordered_map<uintptr_t, Entry> windows_;
  std::vector<std::shared_ptr<Pending>> pending_;
  uintptr_t next_ = 0x1000;
  bool closing_ = false;
};

}  // namespace tavrinole::qt
