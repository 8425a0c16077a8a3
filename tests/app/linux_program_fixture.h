// The Linux program run through its entry on the Qt layer, with real files, and the
// user's clicks and keys on the real widgets.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/linux/linux_program.h"
#include "engine/key_table.h"
#include "resources/keypad_layout.h"
#include "resources/resource_ids.h"
#include "tests/platform_qt/qt_driver.h"
#include "tests/support/temp_folder.h"

namespace tavrinole::test_support {

inline constexpr int Display = ids::PasswordDisplay;

class LinuxProgramTest : public ::testing::Test {
 protected:
  LinuxProgramTest() {
    WriteBytes(folder / "letter.txt", RandomBytes(150000, 41));
    ws.OnTextSet([this](HWND window, const WString& text) {
      if (window == ws.GetDlgItem(Main(), Display)) displayTexts.push_back(text);
    });
  }

  // Runs the program with `steps` played inside its main dialog's loop; its exit status.
  int RunProgram(std::function<void()> steps) {
    Later(std::move(steps));
    return qt::RunLinuxProgram(ws, NativeFileSystem());
  }

  HWND Main() const { return ws.OpenDialog(ids::MainDialog); }
  QWidget* Control(int id) { return ControlOf(ws, Main(), id); }
  WString Text(int id) { return TextOf(ws, ws.GetDlgItem(Main(), id)); }
  bool Enabled(int id) { return ws.IsWindowEnabled(ws.GetDlgItem(Main(), id)) != FALSE; }
  void Click(int id) { ClickAsUser(Control(id)); }
  void Type(std::u16string_view keys) {
    for (char16_t key : keys) Click(KeyId(key));
  }
  // Open and Save as, answered without showing the file dialogs.
  void ChooseFiles(const std::string& input = "letter.txt", const std::string& output = "secret") {
    ws.AnswerNextFileDialog(folder.Wide(input));
    Click(ids::OpenButton);
    ws.AnswerNextFileDialog(folder.Wide(output));
    Click(ids::SaveAsButton);
  }
  static int KeyId(char16_t caption) {
    const std::optional<KeyEntry> key = KeyByCharacter(caption);
    if (!key) throw std::logic_error("no such key");
    return resources::KeyPlaceByIndex(key->KeyIndex).ControlId;
  }

  qt::QtWindowSystem ws;
  TempFolder folder;
  std::vector<WString> displayTexts;
};

}  // namespace tavrinole::test_support
