// The scripted layer's own state, shared by its files: the texts and flags behind the
// window model's handles, the requests for the GUI thread, the script and the call
// log. One mutex guards it all; the model and the thread table guard themselves.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/scripted/scripted_window_system.h"
#include "platform/thread_table.h"
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
    int id = 0;  // template id for a dialog, control id for a control
    resources::ControlKind kind = resources::ControlKind::StaticText;
    WString text;
    bool isDialog = false, enabled = true, checked = false, tabStop = false;
    DLGPROC proc = nullptr;  // dialogs only, as are the rest
    bool modal = false, shown = false, ended = false;
    INT_PTR result = 0;
    std::vector<HWND> controls;
  };
  struct Pending {  // a text request, or an end request when `text` is null
    std::shared_ptr<WindowModel::Request> text;
    HWND window = nullptr;
    WString value;
    INT_PTR result = 0;
    std::thread::id from;
  };
  enum class ActionKind { Click, Escape, Enter, Close, Dismiss, Call };
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

  explicit Impl(Options o, ScriptedWindowSystem& layer);

  // --- Bookkeeping (scripted_log.cpp), all with mu held --------------------------------
  // The call's record; it stays where it is while later calls are recorded.
  CallRecord& Record(std::string op, HWND window, std::vector<intptr_t> args = {},
                     std::thread::id thread = std::this_thread::get_id());
  void Problem(std::string text) { problems.push_back(std::move(text)); }
  bool ConsumeFailure(std::string_view op);
  Window* Find(HWND hwnd);
  Window* Live(HWND hwnd) { return model.Alive(hwnd) ? Find(hwnd) : nullptr; }
  Window* ControlOf(const Window& dialog, int id);
  HWND Newest(int templateId, bool openOnly) const;

  // --- Windows (scripted_window_system.cpp) -------------------------------------------
  HWND OpenDialog(Lock& lock, int templateId, DLGPROC proc, bool modal, LPARAM param);
  INT_PTR CallProc(Lock& lock, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void MarkEnded(Window& dialog, INT_PTR result);
  BOOL FileDialog(const char* op, LPOPENFILENAMEW ofn);

  // --- Requests, loops and the script (scripted_script.cpp) ---------------------------
  void Notify() {
    ++generation;
    cv.notify_all();
  }
  bool OnGui() const { return gui && *gui == std::this_thread::get_id(); }
  void ServeRequest();
  bool ServeUntil(Lock& lock, const std::function<bool()>& done);
  BOOL SendText(Lock& lock, HWND window, LPCWSTR text);
  void HoldOpen(Lock& lock, HWND owner);
  bool DismissNewest();
  bool Deliver(Lock& lock, ActionKind kind, HWND dialog, int controlId);
  template <typename T>
  void Enqueue(std::deque<T>& queue, T item) {
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
  uintptr_t nextImage = 0x7F000000;
  std::optional<std::thread::id> gui;
  WindowModel model;

  std::map<int, const resources::DialogTemplate*> templates;
  std::map<uintptr_t, Window> windows;  // never erased: stale handles stay inspectable
  std::deque<Pending> requests;
  std::deque<Action> actions;
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
