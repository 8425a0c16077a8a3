// Our window system on Qt 6 Widgets: the dialogs of the Linux desktop program, built
// from the same templates as the Windows resources and behaving as the Windows dialogs
// do for our procedures (see window_system.h for what every layer promises).
//
// Create it on the thread that owns the QApplication; that thread is the GUI thread.
// Handles are the window model's numbers (window_registry.h), never widget pointers.
//
// For tests and pictures it offers hooks: see each dialog, box or file dialog once it
// shows and drive the real widget, or queue the next answers of boxes and file dialogs
// so that no window opens for them.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "platform/window_system.h"
#include "resources/dialog_templates.h"

// Qt's own types appear here only by name, so a program or test that does not touch
// them needs none of Qt's headers.
class QFileDialog;
class QIcon;
class QMessageBox;
class QWidget;

namespace tavrinole::qt {

class TemplateDialog;

class QtWindowSystem final : public WindowSystem {
 public:
  QtWindowSystem();  // knows the program's three dialogs
  ~QtWindowSystem() override;
  QtWindowSystem(const QtWindowSystem&) = delete;
  QtWindowSystem& operator=(const QtWindowSystem&) = delete;

  // Makes more dialogs buildable by id (a test's own); the templates must outlive us.
  void RegisterTemplates(std::span<const resources::DialogTemplate> dialogs);

  // --- WindowSystem ----------------------------------------------------------------
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

  // --- Hooks, GUI thread ------------------------------------------------------------
  // Called from inside each modal loop once its window shows.
  void OnDialogShown(std::function<void(HWND dialog, int templateId)> hook);
  void OnMessageBoxShown(std::function<void(QMessageBox& box)> hook);
  void OnFileDialogShown(std::function<void(QFileDialog& dialog)> hook);
  // Called on the GUI thread each time SetWindowTextW takes effect, in that order.
  void OnTextSet(std::function<void(HWND window, const WString& text)> hook);
  // Answers for the next boxes and file dialogs, in call order; no window opens.
  // A file answer of nullopt cancels.
  void AnswerNextMessageBox(int result);
  void AnswerNextFileDialog(std::optional<WString> path);

  // GUI thread: closes what is open as the user would, so that the program ends as it
  // does when its main window is closed. Boxes and file dialogs are dismissed as Esc
  // dismisses them, then every dialog gets WM_CLOSE, newest first.
  void CloseAll();

  // --- Inspection, GUI thread -------------------------------------------------------
  QWidget* Widget(HWND window) const;     // null once stale
  HWND OpenDialog(int templateId) const;  // the newest open dialog of a template, or null
  const QIcon& ProgramIcon();             // the program icon at every size we ship

 private:
  struct BoxWait;
  struct Impl;  // the registry, the threads, hooks and answers
  TemplateDialog* DialogWidget(HWND dialog) const;
  HWND Register(TemplateDialog& dialog);
  void Place(TemplateDialog& dialog, QWidget* owner) const;
  void ShowBox(HWND owner, WString text, WString caption, UINT type,
               const std::shared_ptr<BoxWait>& wait);
  BOOL FileDialog(LPOPENFILENAMEW record, bool open);
  void PumpUntil(const std::function<bool()>& done);

  std::unique_ptr<Impl> impl_;
};

}  // namespace tavrinole::qt
