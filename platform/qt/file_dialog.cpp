#include "platform/qt/file_dialog.h"

#include <QAbstractFileIconProvider>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPointer>
#include <algorithm>

#include "platform/file_filter.h"

namespace tavrinole::qt {
namespace {

QString ToQString(WStringView text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QString QtPattern(const WString& pattern) {
  return pattern == WTEXT("*.*") ? QStringLiteral("*") : ToQString(pattern);
}

// Icons and type names from an entry's kind and name alone. Qt's own provider asks
// the MIME database, which reads the first bytes of a file whose name tells nothing,
// on the GUI thread: a read of /proc/kmsg, a device or a FIFO that never returns
// would freeze the program for good.
class NameOnlyIconProvider final : public QAbstractFileIconProvider {
 public:
  using QAbstractFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override {
    return icon(info.isDir() ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
  }
  QString type(const QFileInfo& info) const override {
    if (info.isDir()) return QFileDialog::tr("Folder");
    const QMimeType byName = names_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    if (!info.isFile() || byName.isDefault() || byName.comment().isEmpty())
      return QFileDialog::tr("File");
    return byName.comment();
  }

 private:
  QMimeDatabase names_;
};

}  // namespace

QStringList NameFiltersFor(LPCWSTR filter) {
  QStringList filters;
  for (const FilterPair& pair : ParseFilter(filter)) {
    QStringList patterns;
    for (const WString& pattern : pair.patterns) patterns << QtPattern(pattern);
    filters << ToQString(pair.display) + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return filters;
}

CheckedFileDialog::CheckedFileDialog(const OPENFILENAMEW& record, FileDialogKind kind)
    : QFileDialog(nullptr), pathMustExist_((record.Flags & OFN_PATHMUSTEXIST) != 0) {
  const bool open = kind == FileDialogKind::Open;
  setOption(QFileDialog::DontUseNativeDialog);
  setOption(QFileDialog::HideNameFilterDetails);
  static NameOnlyIconProvider nameOnly;  // outlives every dialog's model
  setIconProvider(&nameOnly);
  setOption(QFileDialog::DontConfirmOverwrite, open || (record.Flags & OFN_OVERWRITEPROMPT) == 0);
  setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  // The open dialog takes only existing files; OFN_FILEMUSTEXIST on a save dialog is
  // ignored, as decided for every layer but Windows.
  setFileMode(open && (record.Flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                         : QFileDialog::AnyFile);
  setWindowTitle(record.lpstrTitle != nullptr ? ToQString(record.lpstrTitle)
                                              : (open ? tr("Open") : tr("Save As")));
  SetFilters(record.lpstrFilter, record.nFilterIndex);
  if (record.lpstrInitialDir != nullptr) setDirectory(ToQString(record.lpstrInitialDir));
  if (record.lpstrFile != nullptr && record.lpstrFile[0] != 0)
    selectFile(ToQString(record.lpstrFile));
}

// Qt folds runs of blanks in the texts it shows; the list shows ours as they are. Qt
// matches by the list's position, so only the words change.
void CheckedFileDialog::SetFilters(LPCWSTR filter, DWORD filterIndex) {
  const QStringList filters = NameFiltersFor(filter);
  if (filters.isEmpty()) return;
  setNameFilters(filters);
  const qsizetype index = filterIndex == 0 ? 0 : filterIndex - 1;
  selectNameFilter(filters.at(std::min(index, filters.size() - 1)));
  auto* types = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  const std::vector<FilterPair> pairs = ParseFilter(filter);
  for (int i = 0; types != nullptr && i < types->count() && i < static_cast<int>(pairs.size());
       ++i) {
    types->setItemText(i, ToQString(pairs[static_cast<size_t>(i)].display));
  }
}

void CheckedFileDialog::accept() {
  const QStringList files = selectedFiles();
  if (pathMustExist_ && !files.isEmpty()) {
    const QFileInfo chosen(files.first());
    if (!chosen.isDir() && !chosen.dir().exists()) {
      QMessageBox::warning(this, windowTitle(),
                           tr("%1\nThe path does not exist.\nCheck the path and try again.")
                               .arg(QDir::toNativeSeparators(chosen.absoluteFilePath())));
      return;
    }
  }
  QFileDialog::accept();
}

QString RunFileDialog(CheckedFileDialog& dialog, const std::function<void(QFileDialog&)>& shown) {
  QEventLoop loop;
  QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
  dialog.setWindowModality(Qt::NonModal);
  dialog.show();
  if (shown) {
    QPointer<QFileDialog> alive(&dialog);
    QMetaObject::invokeMethod(
        &dialog,
        [alive, &shown] {
          if (alive) shown(*alive);
        },
        Qt::QueuedConnection);
  }
  loop.exec(QEventLoop::DialogExec);
  if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace tavrinole::qt
