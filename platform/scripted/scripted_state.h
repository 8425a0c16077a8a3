// The scripted layer's own state, shared by its files: the window model's handles with
// the texts and flags behind them, tracked threads, the queue of
// requests for the GUI thread, the script, and the call log. One mutex guards it all.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>

#include "platform/scripted/scripted_window_system.h"
#include "platform/window_model.h"

namespace tavrinole {

using Lock = std::unique_lock<std::mutex>;

inline uintptr_t Key(const void* handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

struct ScriptedWindowSystem::Impl {
  // What the model leaves to the layer: kept after the dialog ends, for inspection.
  struct Window {
    HWND hwnd = nullptr;
    HWND dialog = nullptr;  // itself for a dialog
    int id = 0;             // template id for a dialog, control id for a control
    resources::ControlKind kind = resources::ControlKind::StaticText;
    WString text;
    bool isDialog = false, enabled = true, checked = false, tabStop = false;
    DLGPROC proc = nullptr;  // dialogs only, as are the rest
    bool modal = false, shown = false, ended = false, destroyed = false;
    INT_PTR result = 0;
    std::vector<HWND> controls;
  };
  struct ThreadRec {
    uintptr_t handle = 0;  // 0: a thread not started here (the test's own, say)
    std::thread thread;
    std::thread::id id;
    bool done = false, joining = false, blocked = false;
    ThreadRec* joiner = nullptr;  // runnable again once this one ends
    bool sleeping = false, alertable = false, alertPending = false, alerted = false;
    bool atGate = false;
    std::shared_ptr<WindowModel::Request> waitingOn;  // a request for the GUI thread
  };
  struct Pending {
    std::shared_ptr<WindowModel::Request> tracked;  // null for an end request
    HWND window = nullptr;
    WString text;  // a text request's; otherwise an end request with `result`
    INT_PTR result = 0;
    bool setText = true;
    std::thread::id from;
  };
  enum class ActionKind { Click, Escape, Enter, Close, Dismiss, WaitIdle, Call };
  struct Action {
    ActionKind kind = ActionKind::Click;
    int templateId = 0, controlId = 0;
    std::function<void()> call;
  };
  struct Answer {  // a box's or a file dialog's
    int result = IDOK;
    bool cancel = false, hold = false;
    WString path;
  };
  struct StoredControl {  // what a dialog is built from
    int id = 0;
    resources::ControlKind kind = resources::ControlKind::StaticText;
    WString text;
    bool enabled = true, tabStop = false;
  };
  struct StoredTemplate {
    int id = 0;
    WString title;
    std::vector<StoredControl> controls;
  };
  struct HeldBox {
    bool done = false;
    ThreadRec* waiter = nullptr;
  };

  explicit Impl(Options o) : options(o) {}

  // --- Bookkeeping (scripted_log.cpp), all with mu held --------------------------------
  // The call's record; it stays where it is while later calls are recorded.
  CallRecord& Record(std::string op, HWND window, std::vector<intptr_t> args = {},
                     std::thread::id thread = std::this_thread::get_id());
  void Problem(std::string text) { problems.push_back(std::move(text)); }
  bool ConsumeFailure(std::string_view op);
  Window* Find(HWND hwnd);
  Window* Live(HWND hwnd) { return model.Alive(hwnd) ? Find(hwnd) : nullptr; }
  Window* ControlOf(const Window& dialog, int id);
  HWND NewestOpen(int templateId) const;
  HWND FirstTabStop(const Window& dialog);

  // --- Windows (scripted_window_system.cpp) -------------------------------------------
  HWND MakeDialog(int templateId, DLGPROC proc, bool modal);
  INT_PTR CallProc(Lock& lock, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void MarkEnded(Window& dialog, INT_PTR result);
  void Destroy(Window& dialog);
  bool TakesInput(const Window& dialog) const;
  BOOL FileDialog(const char* op, LPOPENFILENAMEW ofn);

  // --- Threads and loops (scripted_threads.cpp) ---------------------------------------
  void Notify() {
    ++generation;
    cv.notify_all();
  }
  bool WaitChange(Lock& lock);
  bool OnGui() const { return gui && *gui == std::this_thread::get_id(); }
  ThreadRec* Current();
  ThreadRec* Started(ThreadHandle thread);  // started here and not yet joined
  bool Idle(bool sleepersToo) const;
  void Block(Lock& lock, const std::function<bool()>& done);
  void ServeRequest();
  bool ServeUntil(Lock& lock, const std::function<bool()>& done);
  bool WaitIdle(Lock& lock);
  BOOL SendText(Lock& lock, HWND window, LPCWSTR text);
  void HoldOpen(Lock& lock, HWND owner);
  bool DismissNewest();

  // --- The script (scripted_script.cpp) -----------------------------------------------
  bool Deliver(Lock& lock, ActionKind kind, HWND dialog, int controlId);
  void ServeAction(Lock& lock, Action& action);
  template <typename T>
  void Enqueue(std::deque<T>& queue, T item) {
    std::lock_guard<std::mutex> lock(mu);
    queue.push_back(std::move(item));
    Notify();
  }

  ScriptedWindowSystem* self = nullptr;  // named as the caller of dialog procedures
  Options options;
  mutable std::mutex mu;
  std::condition_variable cv;
  uint64_t generation = 0;
  bool shutdown = false, gateOpen = false;
  uintptr_t nextThread = 0, nextImage = 0x7F000000;
  std::optional<std::thread::id> gui;
  WindowModel model;

  std::map<int, StoredTemplate> templates;
  std::map<uintptr_t, Window> windows;  // never erased: stale handles stay inspectable
  std::map<uintptr_t, std::unique_ptr<ThreadRec>> threads;  // started here, by handle
  std::deque<std::unique_ptr<ThreadRec>> others;            // other threads that called us
  std::map<std::thread::id, ThreadRec*> byId;               // live threads
  std::deque<Pending> requests;
  std::deque<Action> actions;
  std::deque<Answer> boxAnswers, fileAnswers;
  std::vector<std::shared_ptr<HeldBox>> held;
  std::map<std::string, int, std::less<>> failures;
  std::deque<CallRecord> calls;
  std::vector<FileDialogRecord> fileDialogs;
  std::vector<std::string> problems;
};

}  // namespace tavrinole
