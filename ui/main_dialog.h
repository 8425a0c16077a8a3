// The main dialog: Open, Save as, the keypad, Run, Help and About. Its state is
// the input and output it holds, the password's length and whether the job runs; the
// enabled states follow from it through one table, and each flow writes the texts it
// changes.
//
// Guards beyond the plain flows: Run checks the new document's name first (too long,
// the original itself, an existing file to confirm) and stays in Ready when it
// refuses; from Run on only Help, About and "Show password" act; while a file dialog
// is open, Open, Save as and Run do nothing; a path that does not fit is refused with
// a message and changes nothing.
#pragma once

#include <array>
#include <string_view>

#include "engine/file_system.h"
#include "platform/window_system.h"
#include "ui/encoding_job.h"
#include "ui/info_dialog.h"
#include "ui/keypad.h"
#include "ui/wide_text.h"

namespace tavrinole {

struct FileDialogSetup;  // one file dialog's filter and flags

enum class DialogState { Start, FileChosen, OutputChosen, Ready, Running };

// The main dialog's procedure; it acts on the MainDialog its window carries.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

class MainDialog {
 public:
  static constexpr size_t PathCapacity = 256;        // 255 code units and a terminator
  static constexpr size_t FileDialogCapacity = 260;  // what a file dialog may return

  MainDialog(WindowSystem& windows, FileSystem& files, HINSTANCE instance);
  ~MainDialog();  // ends a job still running, as EndJob does
  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;

  // Runs the main dialog modally, without owner; returns DialogBoxParamW's result.
  INT_PTR Run();

  // Cancels a job that still runs and waits until its threads have returned.
  void EndJob();

  DialogState State() const;
  const Keypad& Keys() const { return keypad_; }
  WStringView InputPath() const { return TextOf(inputPath_); }
  WStringView OutputPath() const { return TextOf(outputPath_); }

 private:
  friend INT_PTR CALLBACK MainDialogProc(HWND, UINT, WPARAM, LPARAM);
  static constexpr size_t EnabledRows = 6;

  INT_PTR OnMessage(HWND dialog, UINT message, WPARAM wParam);
  void OnInitDialog(HWND dialog);
  void OnClose();
  void OnCommand(int id);
  void OnOpen();
  void OnSaveAs();
  void OnRun();
  void OnResetPassword();
  void OnKey(int id);

  void ResetToStart();
  void ForgetOutput();
  BOOL ShowFileDialog(const FileDialogSetup& setup);
  bool TakeChosenPath(WCHAR (&into)[PathCapacity]);
  enum class NotWritten { Refused, Declined };  // a refusal was shown; the user said No
  Result<bool, NotWritten> MayWrite(const Path& input, const Path& output);
  bool ConfirmReplace(const Path& output);
  void Warn(std::u16string_view text);
  bool AcceptsFileCommands() const { return !running_ && !fileDialogOpen_; }

  void Refresh();
  void ApplyEnabledStates(DialogState state);

  WindowSystem& windows_;
  FileSystem& files_;
  HINSTANCE instance_;
  Keypad keypad_;
  InfoDialog info_;
  EncodingJob job_;

  WCHAR inputPath_[PathCapacity] = {};
  WCHAR outputPath_[PathCapacity] = {};
  WCHAR fileDialogResult_[FileDialogCapacity] = {};
  OPENFILENAMEW fileDialog_{};  // shared by both file dialogs, filled before each

  bool inputChosen_ = false;
  bool outputChosen_ = false;
  bool running_ = false;
  bool fileDialogOpen_ = false;
  DialogState shown_ = DialogState::Start;  // the state the enabled flags show

  HWND dialog_ = nullptr;
  HWND inputLabel_ = nullptr;
  HWND outputLabel_ = nullptr;
  HWND display_ = nullptr;
  std::array<HWND, EnabledRows> rowControls_{};  // the control of each enabled-state row
};

}  // namespace tavrinole
