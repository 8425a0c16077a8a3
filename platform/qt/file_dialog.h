// The common open and save dialogs on Qt's own (non-native) file dialog, behaving as
// the Windows ones do for the record our dialogs fill.
#pragma once

#include <QFileDialog>
#include <QStringList>
#include <functional>

#include "platform/win32_api.h"

namespace tavrinole::qt {

enum class FileDialogKind { Open, Save };

// Qt name filters for an lpstrFilter list: each display text shown exactly, its
// patterns kept behind it for Qt to match (and hidden with HideNameFilterDetails).
// "*.*" becomes "*", since Qt's "*.*" would skip names without a dot.
[[nodiscard]] QStringList NameFiltersFor(LPCWSTR filter);

// Refuses what Windows refuses: a name in a folder that does not exist
// (OFN_PATHMUSTEXIST); the rest (existing file, overwrite prompt) is Qt's own.
class CheckedFileDialog final : public QFileDialog {
  Q_OBJECT

 public:
  CheckedFileDialog(const OPENFILENAMEW& record, FileDialogKind kind);
  void accept() override;

 private:
  void SetFilters(LPCWSTR filter, DWORD filterIndex);
  bool pathMustExist_;
};

// Shows the dialog without an owner and waits for it in a loop of its own; `shown`
// sees it once it is on screen. Returns the chosen path, or an empty string.
[[nodiscard]] QString RunFileDialog(CheckedFileDialog& dialog,
                                    const std::function<void(QFileDialog&)>& shown);

}  // namespace tavrinole::qt
