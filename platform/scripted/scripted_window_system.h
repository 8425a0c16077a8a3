// An in-memory window system for tests, on the window model: the model keeps every
// window's text, flags and end; this layer adds the user, who is a script.
//
// Two ways to drive a dialog:
//  - Modal: queue user actions (QueueClick, QueueClose, ...) and answers, then call the
//    code under test, which calls DialogBoxParamW. The modal loop serves requests from
//    other threads first, then the next action, until EndDialog ends the dialog. Nested
//    dialogs (Help over the main dialog) serve the same queue.
//  - Step by step: OpenDialog, then Click/PressEscape/Close/Pump on the calling thread,
//    inspecting state between steps.
// Either way the thread that creates the first dialog is the GUI thread.
//
// Threads started with BeginThread are real threads with real sleeps. A test that must
// act at a given point of a thread's work holds it at the gate (WaitAtGate), waits for
// what it expects (WaitFor), then opens the gate; joining a thread opens it too, as the
// program's close does.
//
// Every operation is recorded with its arguments, result and thread. Queries
// (GetDlgItem, IsWindowEnabled, GetWindowTextW) are not. EndDialog called off the GUI
// thread is recorded as the PostEndDialog it becomes; a text request from another
// thread is recorded when the GUI thread carries it out (or it fails), so the record's
// order is the order in which texts took effect. A held box on a thread other than the
// GUI thread only blocks that thread; Dismiss (queued or direct) ends it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/file_filter.h"
#include "platform/thread_table.h"
#include "platform/window_model.h"
#include "platform/window_system.h"
#include "resources/dialog_templates.h"

namespace tavrinole {

struct CallRecord {
  std::string op;              // the operation ("SetWindowTextW") or user action ("Click")
  HWND window = nullptr;       // the window addressed (the owner for boxes), if any
  int id = 0;                  // that window's control id, or its dialog's template id
  WString text;                // the text argument (SetWindowTextW, MessageBoxW, classes), or
                               // the path a file dialog copied back
  WString caption;             // MessageBoxW's caption
  std::vector<intptr_t> args;  // numeric arguments in call order
  intptr_t result = 0;         // what the call returned (1/0 for user actions: sent or not)
  std::thread::id thread;      // the calling thread
  bool onGuiThread = false;
  // File dialogs: the record as given (its pointers are only compared), its lpstrFilter
  // decoded, and lpstrFile as given (empty: no preset name).
  OPENFILENAMEW ofn{};
  std::vector<FilterPair> filter;
  WString fileOnEntry;
};

class ScriptedWindowSystem final : public WindowSystem {
 public:
  // What DialogBoxParamW returns when its loop gives up (see Problems()).
  static constexpr INT_PTR Abandoned = -2;

  struct Options {
    // How long a loop waits with nothing happening before it gives up, and how long
    // WaitFor waits.
    std::chrono::milliseconds realTimeout{5000};
  };

  // Whether a scripted box or file dialog answers at once or stays open until dismissed.
  enum class Hold { No, UntilDismissed };
  // What the user does to a dialog: click a control, press Esc or Enter, or close it.
  enum class Input { Click, Escape, Enter, Close };

  ScriptedWindowSystem() : ScriptedWindowSystem(Options{}) {}
  explicit ScriptedWindowSystem(Options options)
      : options_(options), model_(WindowModel::Retired::Keep) {}
  ~ScriptedWindowSystem() override;  // releases every waiter, then joins every thread
  ScriptedWindowSystem(const ScriptedWindowSystem&) = delete;
  ScriptedWindowSystem& operator=(const ScriptedWindowSystem&) = delete;

  // Makes dialogs buildable by id: ws.RegisterTemplates(resources::DialogTemplates), or a
  // test's own. The templates must outlive the layer, as static data does.
  void RegisterTemplates(std::span<const resources::DialogTemplate> dialogs) {
    model_.RegisterTemplates(dialogs);
  }

  // --- WindowSystem ------------------------------------------------------------------
  INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC proc,
                          LPARAM param) override;
  BOOL EndDialog(HWND dialog, INT_PTR result) override;
  BOOL PostEndDialog(HWND dialog, INT_PTR result) override;
  HWND GetDlgItem(HWND dialog, int id) override { return model_.Control(dialog, id); }
  LONG_PTR SetWindowLongPtrW(HWND dialog, int index, LONG_PTR value) override {
    return model_.SetWindowLongPtr(dialog, index, value);
  }
  LONG_PTR GetWindowLongPtrW(HWND dialog, int index) override {
    return model_.GetWindowLongPtr(dialog, index);
  }
  BOOL EnableWindow(HWND window, BOOL enable) override;
  BOOL IsWindowEnabled(HWND window) override;
  BOOL SetWindowTextW(HWND window, LPCWSTR text) override;
  int GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) override;
  LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) override;
  BOOL GetOpenFileNameW(LPOPENFILENAMEW record) override;
  BOOL GetSaveFileNameW(LPOPENFILENAMEW record) override;
  BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) override;
  BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSEXW info) override;
  ATOM RegisterClassExW(const WNDCLASSEXW* info) override;
  HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy,
                    UINT flags) override;
  ThreadHandle BeginThread(ThreadRoutine routine, void* argument) override;
  BOOL JoinThread(ThreadHandle thread) override;
  BOOL AlertThread(ThreadHandle thread) override;
  DWORD SleepEx(DWORD milliseconds, BOOL alertable) override;

  // --- The user's script, served in order by modal loops ------------------------------
  // Actions address the newest open dialog made from a template. A click on a disabled
  // control or into a disabled dialog, and Esc, Enter or close on a disabled dialog,
  // send nothing (recorded with result 0). Esc and Enter send WM_COMMAND IDCANCEL and
  // IDOK, a close WM_CLOSE.
  void Queue(Input input, int templateId, int controlId = 0);
  void QueueClick(int templateId, int controlId) { Queue(Input::Click, templateId, controlId); }
  void QueueEscape(int templateId) { Queue(Input::Escape, templateId); }
  void QueueEnter(int templateId) { Queue(Input::Enter, templateId); }
  void QueueClose(int templateId) { Queue(Input::Close, templateId); }
  void QueueDismiss();                         // answers the newest held box or file dialog
  void QueueCall(std::function<void()> call);  // runs on the GUI thread between actions

  // Answers for MessageBoxW and the file dialogs, used in call order. An unscripted
  // MB_OK box answers IDOK; any other unscripted box answers IDNO, and an unscripted
  // file dialog cancels, both noted in Problems().
  void AnswerMessageBox(int result, Hold hold = Hold::No);
  void AnswerFileDialog(WStringView path, Hold hold = Hold::No);
  void CancelFileDialog(Hold hold = Hold::No);

  // Makes the next `count` calls of `operation` fail ("BeginThread", "GetClassInfoExW",
  // "RegisterClassExW", "LoadImageW", "InitCommonControlsEx", "DialogBoxParamW").
  void FailNext(std::string_view operation, int count = 1);

  // --- Step by step, on the calling thread -------------------------------------------
  // Creates a dialog and sends WM_INITDIALOG without running a loop; EndDialog on it
  // ends it at once. nullptr if the template is unknown.
  HWND OpenDialog(int templateId, HWND owner, DLGPROC proc, LPARAM param);
  bool Send(Input input, HWND dialog, int controlId = 0);  // true if a message was sent
  bool Click(HWND dialog, int controlId) { return Send(Input::Click, dialog, controlId); }
  bool PressEscape(HWND dialog) { return Send(Input::Escape, dialog); }
  bool PressEnter(HWND dialog) { return Send(Input::Enter, dialog); }
  bool Close(HWND dialog) { return Send(Input::Close, dialog); }
  bool Dismiss();  // answers the newest held box or file dialog now
  int Pump();      // serves the requests already waiting; returns how many
  // Serves requests (on the GUI thread) until `done`, which is asked without the
  // layer's lock; false, noted in Problems(), after Options::realTimeout.
  bool WaitFor(const std::function<bool()>& done);
  void WaitAtGate();  // any thread: blocks until the gate opens
  void OpenGate();    // for good

  // --- Inspection: any thread, also after a dialog has ended -------------------------
  // A window as the model keeps it. `enabled` is a control's own flag, and for a dialog
  // its own flag with no modal dialog or box of its open; `shown` runs from
  // WM_INITDIALOG's return until the dialog ends.
  using Window = WindowModel::Window;
  Window State(HWND window) const;  // a blank, disabled record for an unknown handle
  Window State(HWND dialog, int id) const { return State(Control(dialog, id)); }
  HWND LastDialog(int templateId) const { return model_.Newest(templateId, false); }
  HWND Control(HWND dialog, int id) const { return model_.Inspect(dialog, id).hwnd; }
  int HeldOpen() const;         // held boxes and file dialogs showing
  int AtGate() const;           // threads waiting at the gate
  int PendingRequests() const;  // requests waiting for the GUI thread
  std::optional<std::thread::id> GuiThread() const;
  std::optional<WNDCLASSEXW> RegisteredClass(WStringView name) const { return model_.Class(name); }

  std::vector<CallRecord> Calls(std::string_view op = {}) const;  // all, or one operation's
  std::vector<WString> TextsSet(HWND window) const;  // SetWindowTextW texts that took effect
  std::vector<CallRecord> FileDialogs() const;       // both kinds, in call order
  // What a test did not script or a loop could not finish: a dry script, a timeout, an
  // action for a dialog that is not open, an unscripted answer. Empty in a clean run.
  std::vector<std::string> Problems() const;

 private:
  using Lock = std::unique_lock<std::mutex>;
  struct Answer {  // a box's or a file dialog's
    int result = IDOK;
    bool cancel = false, hold = false;
    WString path;
  };

  // Bookkeeping (scripted_log.cpp), all with mu_ held. A record stays where it is while
  // later calls are recorded.
  CallRecord& Record(std::string op, HWND window, std::vector<intptr_t> args = {},
                     std::thread::id thread = std::this_thread::get_id());
  struct Logged {
    Lock lock;
    CallRecord& call;
  };
  Logged Log(std::string op, HWND window, std::vector<intptr_t> args = {}) {
    return {Lock(mu_), Record(std::move(op), window, std::move(args))};  // locks first
  }
  void Problem(std::string text) { problems_.push_back(std::move(text)); }
  bool ConsumeFailure(std::string_view op);
  // Windows (scripted_window_system.cpp).
  HWND Open(Lock& lock, const resources::DialogTemplate& t, DLGPROC proc, bool modal, LPARAM param);
  INT_PTR CallProc(Lock& lock, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void MarkEnded(HWND dialog, INT_PTR result);
  BOOL FileDialog(const char* op, LPOPENFILENAMEW ofn);

  // The loops and the script (scripted_script.cpp).
  void Notify() {
    ++generation_;
    cv_.notify_all();
  }
  bool OnGui() const { return gui_.load() == std::this_thread::get_id(); }
  bool OnGuiOrNone() const { return gui_.load() == std::thread::id() || OnGui(); }
  bool Post(std::function<void()> work);  // for the GUI thread; false once shutting down
  bool RunNext(Lock& lock, std::deque<std::function<void()>>& queue);
  bool ServeUntil(Lock& lock, const std::function<bool()>& done);
  void HoldOpen(Lock& lock, HWND owner);
  bool DismissNewest();
  template <typename T>
  void Enqueue(std::deque<T>& queue, std::type_identity_t<T> item) {
    const Lock lock(mu_);
    queue.push_back(std::move(item));
    Notify();
  }

  // One mutex guards the layer's state; the model and the thread table guard themselves,
  // and no one takes this one while holding the model's.
  Options options_;
  mutable std::mutex mu_;
  std::condition_variable cv_;
  uint64_t generation_ = 0;
  bool shutdown_ = false, gateOpen_ = false;
  int atGate_ = 0;
  std::atomic<std::thread::id> gui_;  // none until the first dialog
  WindowModel model_;                 // keeps retired dialogs: stale handles stay inspectable

  std::deque<std::function<void()>> requests_;  // from other threads, for the GUI thread
  std::deque<std::function<void()>> actions_;   // the user's
  std::deque<Answer> boxAnswers_, fileAnswers_;
  std::vector<std::shared_ptr<bool>> held_;  // whether each held box was dismissed
  std::map<std::string, int, std::less<>> failures_;
  std::deque<CallRecord> calls_;
  std::vector<std::string> problems_;
  // Last, so that its threads may still call the layer while they are joined. A join
  // waits without serving, as WaitForSingleObject does.
  ThreadTable threads_;
};

}  // namespace tavrinole
