// A dialog procedure that records what it receives, for testing a window layer with
// small dialogs of the test's own instead of the program's dialog logic. Any layer:
// BasicProbe<ScriptedWindowSystem>, BasicProbe<qt::QtWindowSystem>, ...
#pragma once

#include <functional>
#include <span>
#include <thread>
#include <vector>

#include "platform/win32_api.h"
#include "resources/dialog_templates.h"

namespace tavrinole::test_support {

struct Message {
  HWND dialog;
  UINT message;
  WPARAM wParam;
  WORD id;  // LOWORD(wParam) of a WM_COMMAND
  LPARAM lParam;
  LRESULT check;  // BM_GETCHECK of the check box `checkId`, read when its command arrives
  std::thread::id thread;
  bool visible = false;  // whether the dialog showed when the message came, where the layer tells
};

// WM_CLOSE ends the dialog with `closeResult` (unless endOnClose is off); the command
// `helpId` runs dialog `infoId` over its sender; onCommand sees every command after it
// is recorded.
template <class Windows>
struct BasicProbe {
  struct Ids {
    int main, info, help, check;
  };

  BasicProbe(Windows& windows, std::span<const resources::DialogTemplate> templates, Ids ids,
             INT_PTR closeResult)
      : ws(windows), ids_(ids), closeResult_(closeResult) {
    current = this;
    ws.RegisterTemplates(templates);
  }
  ~BasicProbe() { current = nullptr; }
  BasicProbe(const BasicProbe&) = delete;
  BasicProbe& operator=(const BasicProbe&) = delete;

  std::vector<Message> Received(UINT message) const {
    std::vector<Message> matching;
    for (const Message& m : messages) {
      if (m.message == message) matching.push_back(m);
    }
    return matching;
  }
  std::vector<WORD> Commands() const {
    std::vector<WORD> commands;
    for (const Message& m : Received(WM_COMMAND)) commands.push_back(m.id);
    return commands;
  }

  INT_PTR RunMain(LPARAM param = 0) {
    return ws.DialogBoxParamW(nullptr, MAKEINTRESOURCEW(ids_.main), nullptr, Proc, param);
  }
  INT_PTR RunInfo(HWND owner) {
    return ws.DialogBoxParamW(nullptr, MAKEINTRESOURCEW(ids_.info), owner, Proc, 0);
  }

  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    BasicProbe& p = *current;
    const WORD id = LOWORD(wParam);
    Message m{dialog,
              message,
              wParam,
              id,
              lParam,
              -1,
              std::this_thread::get_id(),
              p.visibleOf && p.visibleOf(dialog)};
    if (message == WM_COMMAND && id == p.ids_.check) {
      m.check = p.ws.SendMessageW(p.ws.GetDlgItem(dialog, p.ids_.check), BM_GETCHECK, 0, 0);
    }
    p.messages.push_back(m);
    if (message == WM_CLOSE && p.endOnClose) {
      p.ws.EndDialog(dialog, p.closeResult_);
      return TRUE;
    }
    if (message == WM_COMMAND) {
      if (id == p.ids_.help) p.RunInfo(dialog);
      if (p.onCommand) p.onCommand(dialog, id);
      return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
  }

  Windows& ws;
  std::vector<Message> messages;
  bool endOnClose = true;
  std::function<void(HWND, WORD)> onCommand;
  std::function<bool(HWND)> visibleOf;  // optional: how the layer tells a dialog shows
  static inline BasicProbe* current = nullptr;

 private:
  Ids ids_;
  INT_PTR closeResult_;
};

}  // namespace tavrinole::test_support
