#include "ui/main_dialog.h"

#include <algorithm>

#include "engine/key_table.h"
#include "engine/path.h"
#include "engine/utf.h"
#include "resources/keypad_layout.h"
#include "resources/resource_ids.h"
#include "resources/texts.h"
#include "ui/dialog_object.h"

namespace tavrinole {

struct FileDialogSetup {
  const WCHAR* Filter;
  DWORD Flags;
  BOOL (WindowSystem::*Show)(LPOPENFILENAMEW record);
};

namespace {

namespace text {
constexpr auto StartPrompt = Wide(resources::StartPrompt);
constexpr auto OutputPrompt = Wide(resources::OutputPrompt);
constexpr auto StartPattern = Wide(resources::StartPattern);
constexpr auto OpenFilter = Wide(resources::OpenFilter);
constexpr auto SaveFilter = Wide(resources::SaveFilter);
}  // namespace text

// A name as a message shows it: what would break its line or turn the text around, and
// the bytes of a Linux name that are not text, written as \xNN (UTF-8 bytes), so the
// name cannot disguise itself.
WString ShownName(const Path& name) {
  WString shown;
  for (size_t at = 0; at < name.size(); ++at) {
    const char16_t c = name[at];
    const bool afterHigh = at > 0 && name[at - 1] >= 0xD800 && name[at - 1] < 0xDC00;
    const bool byte = c >= 0xDC80 && c <= 0xDCFF && !afterHigh;
    if (!byte && !HiddenInNames(c)) {
      shown += static_cast<WCHAR>(c);
      continue;
    }
    const std::string bytes = byte ? std::string(1, static_cast<char>(c & 0xFF))
                                   : Utf16ToUtf8(std::u16string_view(&c, 1)).value_or("");
    for (const char e : EscapedBytes(bytes)) shown += static_cast<WCHAR>(e);
  }
  return shown;
}

// Stands in the table for the 52 keys and "Reset password", which the keypad switches.
constexpr int KeypadKeys = 0;

struct EnabledRow {
  int ControlId;
  std::array<bool, 5> In;  // by DialogState
};

// Which controls each state enables. Help, About, the maker's label, the input label and "Show
// password" never change. Open and Save as go off in Running so that one run makes
// one job; the output label stays as it is.
// clang-format off
constexpr std::array<EnabledRow, 6> EnabledTable = {{
  //  Control               Start  FileChosen  OutputChosen  Ready  Running
  { ids::OpenButton,      {  1,     1,          1,            1,     0 } },
  { ids::SaveAsButton,    {  0,     1,          1,            1,     0 } },
  { ids::OutputLabel,     {  0,     1,          1,            1,     1 } },
  { KeypadKeys,           {  0,     0,          1,            1,     0 } },
  { ids::PasswordDisplay, {  0,     0,          1,            1,     0 } },
  { ids::RunButton,       {  0,     0,          0,            1,     0 } },
}};
// clang-format on

// The save dialog carries OFN_FILEMUSTEXIST as well; only open dialogs act on it.
// clang-format off
constexpr FileDialogSetup OpenSetup{text::OpenFilter.data(), OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST,
                                    &WindowSystem::GetOpenFileNameW};
constexpr FileDialogSetup SaveSetup{text::SaveFilter.data(), OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT,
                                    &WindowSystem::GetSaveFileNameW};
// clang-format on

}  // namespace

MainDialog::MainDialog(WindowSystem& windows, FileSystem& files, HINSTANCE instance)
    : windows_(windows),
      files_(files),
      instance_(instance),
      keypad_(windows),
      info_(windows, instance),
      job_(windows, files) {
  static_assert(EnabledTable.size() == EnabledRows);
}

MainDialog::~MainDialog() {
  EndJob();
}

// The dialog carries its object from WM_INITDIALOG on: the procedure finds it there.
INT_PTR MainDialog::Run() {
  return windows_.DialogBoxParamW(instance_, MAKEINTRESOURCEW(ids::MainDialog), nullptr,
                                  MainDialogProc, reinterpret_cast<LPARAM>(this));
}

void MainDialog::EndJob() {
  job_.Cancel();
  job_.Join();
}

DialogState MainDialog::State() const {
  if (running_) return DialogState::Running;
  if (!inputChosen_) return DialogState::Start;
  if (!outputChosen_) return DialogState::FileChosen;
  return keypad_.PasswordLength() >= MinPasswordLength ? DialogState::Ready
                                                       : DialogState::OutputChosen;
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  MainDialog* self = DialogObject<MainDialog>(dialog, message, lParam);
  return self != nullptr ? self->OnMessage(dialog, message, wParam) : FALSE;
}

INT_PTR MainDialog::OnMessage(HWND dialog, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_CLOSE:
      OnClose();
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

// The handles are looked up once: the job gets them at Run, and nothing rewrites them
// while it runs.
void MainDialog::OnInitDialog(HWND dialog) {
  dialog_ = dialog;
  inputLabel_ = windows_.GetDlgItem(dialog, ids::InputLabel);
  outputLabel_ = windows_.GetDlgItem(dialog, ids::OutputLabel);
  display_ = windows_.GetDlgItem(dialog, ids::PasswordDisplay);
  for (size_t row = 0; row < EnabledTable.size(); ++row) {
    const int id = EnabledTable[row].ControlId;
    rowControls_[row] = id == KeypadKeys ? nullptr : windows_.GetDlgItem(dialog, id);
  }
  keypad_.LookUpControls(dialog);
  ApplyEnabledStates(State());
}

// Closing during a job cancels it; the entry waits for its threads after the dialog.
void MainDialog::OnClose() {
  if (running_) job_.Cancel();
  windows_.EndDialog(dialog_, 0);
}

// Ids not listed (the labels, IDOK from Enter, IDCANCEL from Esc) do nothing.
void MainDialog::OnCommand(int id) {
  switch (id) {
    case ids::HelpButton:
      info_.Run(dialog_, ids::HelpDialog);
      break;
    case ids::AboutButton:
      info_.Run(dialog_, ids::AboutDialog);
      break;
    case ids::OpenButton:
      if (AcceptsFileCommands()) OnOpen();
      break;
    case ids::SaveAsButton:
      if (AcceptsFileCommands()) OnSaveAs();
      break;
    case ids::RunButton:
      if (AcceptsFileCommands()) OnRun();
      break;
    case ids::ResetPasswordButton:
      if (!running_) OnResetPassword();
      break;
    case ids::ShowPasswordBox:
      keypad_.ToggleShowPassword();
      break;
    default:
      if (!running_) OnKey(id);
      break;
  }
}

void MainDialog::OnOpen() {
  if (!ShowFileDialog(OpenSetup)) return ResetToStart();
  if (!TakeChosenPath(inputPath_)) return;
  inputChosen_ = true;
  windows_.SetWindowTextW(inputLabel_, inputPath_);
  Refresh();
}

// A cancelled or failed Open brings back the start: no input, no output, no password.
void MainDialog::ResetToStart() {
  CopyLiteral(inputPath_, text::StartPrompt);
  CopyLiteral(outputPath_, text::OutputPrompt);
  inputChosen_ = false;
  outputChosen_ = false;
  Refresh();
  windows_.SetWindowTextW(inputLabel_, inputPath_);
  windows_.SetWindowTextW(outputLabel_, outputPath_);
  keypad_.ResetPassword();
  windows_.SetWindowTextW(display_, text::StartPattern.data());
}

// A new output always starts a new password.
void MainDialog::OnSaveAs() {
  if (!ShowFileDialog(SaveSetup)) return ForgetOutput();
  if (!TakeChosenPath(outputPath_)) return;
  outputChosen_ = true;
  windows_.SetWindowTextW(outputLabel_, outputPath_);
  keypad_.ResetPassword();
  Refresh();
}

void MainDialog::ForgetOutput() {
  CopyLiteral(outputPath_, text::OutputPrompt);
  outputChosen_ = false;
  Refresh();
  windows_.SetWindowTextW(outputLabel_, outputPath_);
  keypad_.ResetPassword();
  windows_.SetWindowTextW(display_, text::StartPattern.data());
}

// The job gets its own copies of the paths and the password, and the handles looked
// up at the start. Its first status text comes after this one: the GUI thread serves
// its requests only between handlers.
void MainDialog::OnRun() {
  if (State() != DialogState::Ready) return;
  const Path input = ToPath(InputPath());
  const Path output = DeriveOutputName(input, ToPath(OutputPath()));
  const Result<bool, NotWritten> replace = MayWrite(input, output);
  if (!replace) return;
  if (!job_.Start({input, output, keypad_.Slots(), dialog_, display_, *replace})) {
    Warn(resources::CantStartJob);
    windows_.EndDialog(dialog_, 0);
    return;
  }
  running_ = true;
  Refresh();
  windows_.SetWindowTextW(display_, ToWide(resources::Running).c_str());
}

void MainDialog::OnResetPassword() {
  keypad_.ResetPassword();
  Refresh();
}

void MainDialog::OnKey(int id) {
  const resources::KeyPlace* key = resources::KeyPlaceByControlId(id);
  if (key == nullptr) return;
  keypad_.PressKey(key->KeyIndex, KeyByIndex(key->KeyIndex).CharacterCode);
  Refresh();
}

// The record is filled afresh for every call, so nothing of an earlier answer stays.
// While the dialog is open the main dialog keeps serving, and the flag keeps a second
// file dialog, or Run, from starting meanwhile.
BOOL MainDialog::ShowFileDialog(const FileDialogSetup& setup) {
  std::fill(std::begin(fileDialogResult_), std::end(fileDialogResult_), WCHAR(0));
  fileDialog_ = OPENFILENAMEW{};
  fileDialog_.lStructSize = sizeof(OPENFILENAMEW);
  fileDialog_.lpstrFilter = setup.Filter;
  fileDialog_.nFilterIndex = 1;
  fileDialog_.lpstrFile = fileDialogResult_;
  fileDialog_.nMaxFile = FileDialogCapacity;
  fileDialog_.Flags = setup.Flags;
  fileDialogOpen_ = true;
  const BOOL chosen = (windows_.*setup.Show)(&fileDialog_);
  fileDialogOpen_ = false;
  return chosen;
}

// A path of 256 code units or more does not fit InputPath or OutputPath: refused with a
// message, and the dialog stays as it was.
bool MainDialog::TakeChosenPath(WCHAR (&into)[PathCapacity]) {
  if (CopyText(into, TextOf(fileDialogResult_))) return true;
  Warn(resources::PathTooLong);
  return false;
}

// The checks before a job may write `output`; each refusal leaves the dialog in Ready.
// The value says the user agreed to replace what is there (a link counts as a file).
Result<bool, MainDialog::NotWritten> MainDialog::MayWrite(const Path& input, const Path& output) {
  if (output.size() >= PathCapacity) {
    Warn(resources::NameTooLong);
    return Fail(NotWritten::Refused);
  }
  const TransformResult<EntryKind> existing = CheckOutput(files_, input, output);
  if (!existing) {
    Warn(TextFor(existing.Error().What).Text);
    return Fail(NotWritten::Refused);
  }
  if (*existing == EntryKind::Missing) return false;
  if (!ConfirmReplace(output)) return Fail(NotWritten::Declined);
  return true;
}

// Save as asked about the chosen name, but the job writes the name with the suffix.
bool MainDialog::ConfirmReplace(const Path& output) {
  const WString question = ShownName(output) + ToWide(resources::AlreadyExists);
  // No is the default, so a stray Enter keeps the file.
  return windows_.MessageBoxW(dialog_, question.c_str(), ToWide(resources::ConfirmSaveAs).c_str(),
                              MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

void MainDialog::Warn(std::u16string_view message) {
  windows_.MessageBoxW(dialog_, ToWide(message).c_str(), ToWide(resources::WarningCaption).c_str(),
                       MB_OK);
}

// Only a change of state touches the enabled flags.
void MainDialog::Refresh() {
  const DialogState now = State();
  if (now != shown_) ApplyEnabledStates(now);
}

void MainDialog::ApplyEnabledStates(DialogState state) {
  const size_t column = static_cast<size_t>(state);
  for (size_t row = 0; row < EnabledTable.size(); ++row) {
    const BOOL enabled = EnabledTable[row].In[column] ? TRUE : FALSE;
    if (EnabledTable[row].ControlId == KeypadKeys) {
      keypad_.SetKeypadEnabled(enabled);
    } else {
      windows_.EnableWindow(rowControls_[row], enabled);
    }
  }
  shown_ = state;
}

}  // namespace tavrinole
