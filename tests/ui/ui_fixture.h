// The main dialog on the scripted window system, driven step by step from the test's
// thread (which is then the GUI thread), with real files in a fresh folder.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>

#include "engine/key_table.h"
#include "platform/scripted/scripted_window_system.h"
#include "resources/dialog_templates.h"
#include "resources/keypad_layout.h"
#include "resources/resource_ids.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/paused_reads.h"
#include "tests/support/temp_folder.h"
#include "ui/main_dialog.h"

namespace tavrinole::test_support {

inline const HINSTANCE Instance = reinterpret_cast<HINSTANCE>(uintptr_t{0x400000});

inline const WString StartPattern = WTEXT("* * * * * * * * * * * * * * * * * * * *");
inline const WString TemplateStartPrompt = WTEXT(" To start press the 'Open ' buton");
inline const WString StartPrompt = WTEXT(" To start press the 'Open ' buton ");
inline const WString OutputPrompt = WTEXT(" Choose where you want to save the 'new' document.");
inline const WString Blank20(20, WTEXT(' '));

// The button that types character `c`.
inline int KeyId(char32_t c) {
  return resources::KeyPlaceByIndex(KeyByCharacter(c)->KeyIndex).ControlId;
}

inline WString Padded(WStringView shown) {
  return WString(shown) + WString(20 - shown.size(), WTEXT(' '));
}

// Which controls each state enables, as the dialog's documents lay it out; "keypad" is
// the 52 keys and "Reset password".
struct ExpectedRow {
  int Id;
  std::array<bool, 5> In;
};
inline constexpr int KeypadRow = -1;
// clang-format off
inline constexpr std::array<ExpectedRow, 11> ExpectedEnabled = {{
  //  Control                 Start  FileChosen  OutputChosen  Ready  Running
  { ids::HelpButton,        {  1,     1,          1,            1,     1 } },
  { ids::AboutButton,       {  1,     1,          1,            1,     1 } },
  { ids::MakerLabel,        {  0,     0,          0,            0,     0 } },
  { ids::InputLabel,        {  1,     1,          1,            1,     1 } },
  { ids::ShowPasswordBox,   {  1,     1,          1,            1,     1 } },
  { ids::OpenButton,        {  1,     1,          1,            1,     0 } },
  { ids::SaveAsButton,      {  0,     1,          1,            1,     0 } },
  { ids::OutputLabel,       {  0,     1,          1,            1,     1 } },
  { KeypadRow,              {  0,     0,          1,            1,     0 } },
  { ids::PasswordDisplay,   {  0,     0,          1,            1,     0 } },
  { ids::RunButton,         {  0,     0,          0,            1,     0 } },
}};
// clang-format on

inline const char* Name(DialogState state) {
  static constexpr const char* Names[] = {"Start", "FileChosen", "OutputChosen", "Ready",
                                          "Running"};
  return Names[static_cast<int>(state)];
}

class DialogTest : public ::testing::Test {
 protected:
  // jobPause: whether the job's first read waits at the gate.
  explicit DialogTest(bool jobPause = false) : paused(faulty, ws, jobPause) {}

  void SetUp() override {
    WriteBytes(folder / "in.txt", RandomBytes(1000, 7));
    WriteBytes(folder / "second.doc", RandomBytes(900, 8));
    ws.RegisterTemplates(resources::DialogTemplates);
    // As MainDialog::Run does: the dialog carries its object from WM_INITDIALOG on.
    main =
        ws.OpenDialog(ids::MainDialog, nullptr, MainDialogProc, reinterpret_cast<LPARAM>(&dialog));
    ASSERT_NE(main, nullptr);
  }

  WString Wide(const std::string& name) const { return FromPath(folder.Wide(name)); }
  // A path in the folder of exactly `units` code units.
  WString PathOfLength(size_t units, char fill) const {
    const size_t prefix = (folder / "").string().size();
    return Wide(std::string(units - prefix, fill));
  }

  void Click(int id) { ASSERT_TRUE(ws.Click(main, id)) << "control " << id << " is disabled"; }
  void Open(const std::string& name) {
    ws.AnswerFileDialog(Wide(name));
    Click(ids::OpenButton);
  }
  void CancelOpen() {
    ws.CancelFileDialog();
    Click(ids::OpenButton);
  }
  void SaveAs(const std::string& name) {
    ws.AnswerFileDialog(Wide(name));
    Click(ids::SaveAsButton);
  }
  void CancelSaveAs() {
    ws.CancelFileDialog();
    Click(ids::SaveAsButton);
  }
  void Type(WStringView keys) {
    for (WCHAR c : keys) Click(KeyId(c));
  }
  // Sends a command whatever the button's enabled flag says, as a posted one would.
  void Command(int id) { ws.SendMessageW(main, WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED), 0); }

  void Reach(DialogState state) {
    if (state >= DialogState::FileChosen) Open("in.txt");
    if (state >= DialogState::OutputChosen) SaveAs("out");
    if (state == DialogState::OutputChosen) Type(WTEXT("AB"));
    if (state >= DialogState::Ready) Type(WTEXT("ABCDE"));
    if (state == DialogState::Running) Click(ids::RunButton);
    ASSERT_EQ(dialog.State(), state);
  }

  bool Enabled(int id) const { return ws.State(main, id).enabled; }
  WString Text(int id) const { return ws.State(main, id).text; }
  HWND Handle(int id) const { return ws.Control(main, id); }
  size_t Boxes() const { return ws.Calls("MessageBoxW").size(); }

  void ExpectEnabledFor(DialogState state) const {
    const size_t column = static_cast<size_t>(state);
    for (const ExpectedRow& row : ExpectedEnabled) {
      if (row.Id != KeypadRow) {
        EXPECT_EQ(Enabled(row.Id), row.In[column]) << "control " << row.Id << " in " << Name(state);
        continue;
      }
      EXPECT_EQ(Enabled(ids::ResetPasswordButton), row.In[column]) << Name(state);
      for (const resources::KeyPlace& key : resources::KeypadLayout) {
        EXPECT_EQ(Enabled(key.ControlId), row.In[column])
            << "key " << key.ControlId << " in " << Name(state);
      }
    }
  }

  void ExpectState(DialogState state) const {
    EXPECT_EQ(dialog.State(), state) << "expected " << Name(state);
    ExpectEnabledFor(state);
  }

  TempFolder folder;
  ScriptedWindowSystem ws;
  FaultyFileSystem faulty;
  PausedReads paused;
  MainDialog dialog{ws, paused, Instance};
  HWND main = nullptr;
};

}  // namespace tavrinole::test_support
