// The file dialogs list folders from names and kinds alone: they never open a file to
// choose its icon or type, so a file whose reads never return (/proc/kmsg, a device,
// a FIFO without a writer) cannot freeze the program. inotify sees every open.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QFileDialog>
#include <QListView>
#include <fstream>
#include <set>
#include <string>

#include "qt_driver.h"
#include "tests/support/temp_folder.h"

namespace tavrinole::testing {
namespace {

// Names of the files in a folder that anyone opened since the last call.
class OpenWatch {
 public:
  explicit OpenWatch(const std::filesystem::path& folder)
      : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ >= 0) inotify_add_watch(fd_, folder.c_str(), IN_OPEN | IN_ACCESS);
  }
  ~OpenWatch() {
    if (fd_ >= 0) close(fd_);
  }
  bool Works() const { return fd_ >= 0; }

  std::set<std::string> Opened() {
    std::set<std::string> names;
    alignas(inotify_event) char buffer[8192];
    for (ssize_t got; (got = read(fd_, buffer, sizeof buffer)) > 0;) {
      for (char* at = buffer; at < buffer + got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        if (event->len > 0 && (event->mask & IN_ISDIR) == 0) names.insert(event->name);
        at += sizeof(inotify_event) + event->len;
      }
    }
    return names;
  }

 private:
  int fd_;
};

// Every row of the folder as "name: type", its icon asked for too, as the views ask
// when they draw.
std::set<QString> ListedWithTypes(QFileDialog& dialog) {
  auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  std::set<QString> rows;
  if (view == nullptr || view->model() == nullptr) return rows;
  const QAbstractItemModel& model = *view->model();
  for (int row = 0; row < model.rowCount(view->rootIndex()); ++row) {
    const QModelIndex name = model.index(row, 0, view->rootIndex());
    (void)name.data(Qt::DecorationRole);
    const QString type = model.index(row, 2, view->rootIndex()).data().toString();
    rows.insert(name.data().toString() + QStringLiteral(": ") + type);
  }
  return rows;
}

OPENFILENAMEW OpenRecord(WCHAR* buffer) {
  OPENFILENAMEW record{};
  record.lStructSize = sizeof record;
  record.lpstrFilter = WTEXT("All\0*.*\0");
  record.nFilterIndex = 1;
  record.lpstrFile = buffer;
  record.nMaxFile = 260;
  record.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  return record;
}

TEST(QtFileContents, TheDialogNamesTypesWithoutOpeningAnyFile) {
  TempFolder folder;
  // Names that tell nothing, with contents that would: the MIME database reads such
  // files to guess.
  std::ofstream(folder / "letter") << "%PDF-1.4\n";
  std::ofstream(folder / "script") << "#!/bin/sh\necho hi\n";
  std::ofstream(folder / "photo.jpg") << "data";
  ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
  OpenWatch watch(folder.Root());
  if (!watch.Works()) GTEST_SKIP() << "no inotify here";

  qt::QtWindowSystem ws;
  std::set<QString> rows;
  ws.OnFileDialogShown([&](QFileDialog& dialog) {
    dialog.setDirectory(QString::fromStdString(folder.Root().string()));
    EXPECT_TRUE(WaitFor([&] { return (rows = ListedWithTypes(dialog)).size() >= 3; }));
    QTest::qWait(200);  // time for late icon and type lookups
    rows = ListedWithTypes(dialog);
    KeyAsUser(&dialog, Qt::Key_Escape);
  });
  WCHAR buffer[260] = {};
  OPENFILENAMEW record = OpenRecord(buffer);
  EXPECT_EQ(ws.GetOpenFileNameW(&record), FALSE);
  EXPECT_GE(rows.size(), 3u);
  EXPECT_EQ(watch.Opened(), std::set<std::string>{}) << "the dialog read a file";
  // The type of a name without an extension comes from its kind, not its content.
  EXPECT_EQ(rows.count(QStringLiteral("letter: File")) + rows.count(QStringLiteral("script: File")),
            2u);
}

}  // namespace
}  // namespace tavrinole::testing
