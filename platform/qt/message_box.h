// MessageBoxW's box on Qt: caption and text verbatim, MB_OK one OK button and no icon,
// MB_YESNO Yes and No.
#pragma once

#include <QMessageBox>

#include "platform/win32_api.h"

namespace tavrinole::qt {

// A box over `owner` (window-modal: only the owner is disabled) or, without one, a
// free window that leaves every dialog usable. Not shown yet.
[[nodiscard]] QMessageBox* MakeMessageBox(QWidget* owner, const WString& text,
                                          const WString& caption, UINT type);

// IDOK, IDYES or IDNO for how the user dismissed the box; closing a Yes/No box is No.
[[nodiscard]] int ResultOf(const QMessageBox& box);

// Presses the box's button for IDOK, IDYES or IDNO; false if it has none.
bool Answer(QMessageBox& box, int result);

}  // namespace tavrinole::qt
