// An in-memory window system for tests, on the window model: dialogs are controls by
// id with their texts and flags, and the user is a script.
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

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/file_filter.h"
#include "platform/window_system.h"
#include "resources/dialog_templates.h"

namespace tavrinole {

struct CallRecord {
  std::string op;              // the operation ("SetWindowTextW") or user action ("Click")
  HWND window = nullptr;       // the window addressed (the owner for boxes), if any
  int id = 0;                  // that window's control id, or its dialog's template id
  WString text;                // the text argument (SetWindowTextW, MessageBoxW, classes)
  WString caption;             // MessageBoxW's caption
  std::vector<intptr_t> args;  // numeric arguments in call order
  intptr_t result = 0;         // what the call returned (1/0 for user actions: sent or not)
  std::thread::id thread;      // the calling thread
  bool onGuiThread = false;
};

struct FileDialogRecord {
  std::string op;                  // "GetOpenFileNameW" or "GetSaveFileNameW"
  OPENFILENAMEW record{};          // the fields as given; its pointers are only compared
  std::vector<FilterPair> filter;  // lpstrFilter, decoded
  WString fileOnEntry;             // lpstrFile as given (empty: no preset name)
  WString chosen;                  // what was copied back, if anything
  BOOL result = FALSE;
  std::thread::id thread;
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

  ScriptedWindowSystem();
  explicit ScriptedWindowSystem(Options options);
  ~ScriptedWindowSystem() override;  // releases every waiter, then joins every thread
  ScriptedWindowSystem(const ScriptedWindowSystem&) = delete;
  ScriptedWindowSystem& operator=(const ScriptedWindowSystem&) = delete;

  // Makes dialogs buildable by id: ws.RegisterTemplates(resources::DialogTemplates), or a
  // test's own. The templates must outlive the layer, as static data does.
  void RegisterTemplates(std::span<const resources::DialogTemplate> dialogs);

  // --- WindowSystem ------------------------------------------------------------------
  INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC proc,
                          LPARAM param) override;
  BOOL EndDialog(HWND dialog, INT_PTR result) override;
  BOOL PostEndDialog(HWND dialog, INT_PTR result) override;
  HWND GetDlgItem(HWND dialog, int id) override;
  LONG_PTR SetWindowLongPtrW(HWND dialog, int index, LONG_PTR value) override;
  LONG_PTR GetWindowLongPtrW(HWND dialog, int index) override;
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
  // send nothing (recorded with result 0).
  void QueueClick(int templateId, int controlId);
  void QueueEscape(int templateId);            // WM_COMMAND IDCANCEL
  void QueueEnter(int templateId);             // WM_COMMAND IDOK
  void QueueClose(int templateId);             // WM_CLOSE
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
  bool Click(HWND dialog, int controlId);  // true if a command was sent
  bool PressEscape(HWND dialog);
  bool PressEnter(HWND dialog);
  bool Close(HWND dialog);
  bool Dismiss();  // answers the newest held box or file dialog now
  int Pump();      // serves the requests already waiting; returns how many
  // Serves requests (on the GUI thread) until `done`, which is asked without the
  // layer's lock; false, noted in Problems(), after Options::realTimeout.
  bool WaitFor(const std::function<bool()>& done);
  void WaitAtGate();  // any thread: blocks until the gate opens
  void OpenGate();    // for good

  // --- Inspection: any thread, also after a dialog has ended -------------------------
  HWND LastDialog(int templateId) const;  // newest dialog from that template, or null
  HWND Control(HWND dialog, int id) const;
  WString Text(HWND window) const;
  WString ControlText(HWND dialog, int id) const;
  bool ControlEnabled(HWND dialog, int id) const;  // the control's own flag
  bool ControlChecked(HWND dialog, int id) const;
  bool DialogEnabled(HWND dialog) const;  // own flag and no modal child open
  bool Shows(HWND dialog) const;          // from WM_INITDIALOG's return until it ends
  bool HasEnded(HWND dialog) const;
  INT_PTR DialogResult(HWND dialog) const;
  int HeldOpen() const;         // held boxes and file dialogs showing
  int AtGate() const;           // threads waiting at the gate
  int PendingRequests() const;  // requests waiting for the GUI thread
  std::optional<std::thread::id> GuiThread() const;
  std::optional<WNDCLASSEXW> RegisteredClass(WStringView name) const;

  std::vector<CallRecord> Calls(std::string_view op = {}) const;  // all, or one operation's
  std::vector<WString> TextsSet(HWND window) const;  // SetWindowTextW texts that took effect
  std::vector<FileDialogRecord> FileDialogs() const;
  // What a test did not script or a loop could not finish: a dry script, a timeout, an
  // action for a dialog that is not open, an unscripted answer. Empty in a clean run.
  std::vector<std::string> Problems() const;

  struct Impl;  // scripted_state.h, shared by the layer's files

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tavrinole
