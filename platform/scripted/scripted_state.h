// The scripted layer's own state, shared by its files: the texts and flags behind the
// window model's handles, the work queued for the GUI thread, the script and the call
// log. One mutex guards it all; the model and the thread table guard themselves.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <type_traits>

#include "platform/scripted/scripted_window_system.h"
#include "platform/thread_table.h"
#include "platform/window_model.h"

namespace tavrinole {

using Lock = std::unique_lock<std::mutex>;

struct ScriptedWindowSystem::Impl {
  // What the model leaves to the layer: kept after the dialog ends, for inspection.
  struct Window {
    Window(HWND h, int i, WString t, resources::ControlKind k = resources::ControlKind::StaticText,
           bool e = true)
        : hwnd(h), id(i), kind(k), text(std::move(t)), enabled(e) {}
    HWND hwnd = nullptr;
    int id = 0;  // template id for a dialog, control id for a control
    resources::ControlKind kind = resources::ControlKind::StaticText;
    WString text;
    bool isDialog = false, enabled = true, checked = false;
    DLGPROC proc = nullptr;  // dialogs only, as are the rest
    bool modal = false, shown = false, ended = false;
    INT_PTR result = 0;
    std::vector<HWND> controls;
  };
  enum class Input { Click, Escape, Enter, Close };
  struct Answer {  // a box's or a file dialog's
    int result = IDOK;
    bool cancel = false, hold = false;
    WString path;
  };

  Impl(Options o, ScriptedWindowSystem& layer) : self(layer), options(o) {}

  // --- Bookkeeping (scripted_log.cpp), all with mu held --------------------------------
  // The call's record; it stays where it is while later calls are recorded.
  CallRecord& Record(std::string op, HWND window, std::vector<intptr_t> args = {},
                     std::thread::id thread = std::this_thread::get_id());
  struct Logged {
    Lock lock;
    CallRecord& call;
  };
  Logged Log(std::string op, HWND window, std::vector<intptr_t> args = {}) {
    return {Lock(mu), Record(std::move(op), window, std::move(args))};  // locks first
  }
  void Problem(std::string text) { problems.push_back(std::move(text)); }
  bool ConsumeFailure(std::string_view op);
  Window* Find(HWND hwnd);
  Window* Live(HWND hwnd) { return model.Alive(hwnd) ? Find(hwnd) : nullptr; }
  // Its own flag, and for a dialog no modal dialog or box of its open.
  bool Enabled(const Window& w) const {
    return w.enabled && (!w.isDialog || model.ModalChildren(w.hwnd) == 0);
  }
  Window* ControlOf(const Window& dialog, int id);
  HWND Newest(int templateId, bool openOnly) const;

  // --- Windows (scripted_window_system.cpp) -------------------------------------------
  HWND OpenDialog(Lock& lock, const resources::DialogTemplate& t, DLGPROC proc, bool modal,
                  LPARAM param);
  INT_PTR CallProc(Lock& lock, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void MarkEnded(Window& dialog, INT_PTR result);
  BOOL FileDialog(const char* op, LPOPENFILENAMEW ofn);

  // --- The loops and the script (scripted_script.cpp) ---------------------------------
  void Notify() {
    ++generation;
    cv.notify_all();
  }
  bool OnGui() const { return gui.load() == std::this_thread::get_id(); }
  bool OnGuiOrNone() const { return gui.load() == std::thread::id() || OnGui(); }
  bool Post(std::function<void()> work);  // for the GUI thread; false once shutting down
  bool RunNext(Lock& lock, std::deque<std::function<void()>>& queue);
  bool ServeUntil(Lock& lock, const std::function<bool()>& done);
  void HoldOpen(Lock& lock, HWND owner);
  bool DismissNewest();
  bool Deliver(Lock& lock, Input input, HWND dialog, int controlId);
  void QueueInput(Input input, int templateId, int controlId);
  template <typename T>
  void Enqueue(std::deque<T>& queue, std::type_identity_t<T> item) {
    std::lock_guard<std::mutex> lock(mu);
    queue.push_back(std::move(item));
    Notify();
  }

  ScriptedWindowSystem& self;  // named as the caller of dialog procedures
  Options options;
  mutable std::mutex mu;
  std::condition_variable cv;
  uint64_t generation = 0;
  bool shutdown = false, gateOpen = false;
  int atGate = 0;
  std::atomic<std::thread::id> gui;  // none until the first dialog
  WindowModel model;

  std::map<uintptr_t, Window> windows;         // never erased: stale handles stay inspectable
  std::deque<std::function<void()>> requests;  // from other threads, for the GUI thread
  std::deque<std::function<void()>> actions;   // the user's
  std::deque<Answer> boxAnswers, fileAnswers;
  std::vector<std::shared_ptr<bool>> held;  // whether each held box was dismissed
  std::map<std::string, int, std::less<>> failures;
  std::deque<CallRecord> calls;
  std::vector<FileDialogRecord> fileDialogs;
  std::vector<std::string> problems;
  // Last, so that its threads may still call the layer while they are joined. A join
  // waits without serving, as WaitForSingleObject does.
  ThreadTable threads;
};

}  // namespace tavrinole
