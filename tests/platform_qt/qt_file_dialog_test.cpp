// The open and save dialogs on Qt's own file dialog, driven through its widgets.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <set>

#include "platform/qt/file_dialog.h"
#include "qt_driver.h"
#include "tests/support/temp_folder.h"

namespace tavrinole::test_support {
namespace {

using ::testing::ElementsAre;

// The open dialog's filter as the main dialog gives it.
constexpr WCHAR OpenFilter[] =
    WTEXT("All\0*.*\0Text   *.txt;*.doc\0*.TXT;*.DOC\0Picture   *.bmp;*.jpg;*gif\0")
        WTEXT("*.BMP;*JPG;*.GIF\0Music   *.mp3;*.wmp\0*.MP3;*.WMP\0");
constexpr WCHAR SaveFilter[] = WTEXT("All\0*.*\0");

QString Q(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

std::set<QString> Listed(QFileDialog& dialog) {
  auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  std::set<QString> names;
  if (view == nullptr || view->model() == nullptr) return names;
  for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
    names.insert(view->model()->index(row, 0, view->rootIndex()).data().toString());
  }
  return names;
}

// Types a name into the dialog's name field and presses Enter, as a user would.
void TypeName(QFileDialog& dialog, const QString& name) {
  auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->setText(name);
  QTest::keyClick(edit, Qt::Key_Return);
}

// Answers the next box the dialog raises, from inside its loop.
void AnswerBoxLater(QMessageBox::StandardButton button, QString* text = nullptr) {
  Later([=] {
    QMessageBox* box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = ShownBox()) != nullptr; }));
    if (text != nullptr) *text = box->text();
    box->button(button)->click();
  });
}

class QtFileDialogTest : public ::testing::Test {
 protected:
  QtFileDialogTest() {
    for (const char* name : {"README", "photo.jpg", "notes.TXT", "song.mp3"}) {
      std::ofstream(folder / name) << "data";
    }
  }

  OPENFILENAMEW Record(const WCHAR* filter, DWORD flags) {
    buffer[0] = 0;
    OPENFILENAMEW record{};
    record.lStructSize = sizeof record;
    record.lpstrFilter = filter;
    record.nFilterIndex = 1;
    record.lpstrFile = buffer;
    record.nMaxFile = 260;
    record.Flags = flags;
    return record;
  }
  WString Chosen() const { return WString(buffer); }

  qt::QtWindowSystem ws;
  TempFolder folder;
  WCHAR buffer[260];
};

TEST(FileFilterTest, DisplayTextsStayExactAndAllMatchesEveryName) {
  EXPECT_EQ(
      qt::NameFiltersFor(OpenFilter),
      (QStringList{QStringLiteral("All (*)"), QStringLiteral("Text   *.txt;*.doc (*.TXT *.DOC)"),
                   QStringLiteral("Picture   *.bmp;*.jpg;*gif (*.BMP *JPG *.GIF)"),
                   QStringLiteral("Music   *.mp3;*.wmp (*.MP3 *.WMP)")}));
  EXPECT_TRUE(qt::NameFiltersFor(nullptr).isEmpty());
}

TEST_F(QtFileDialogTest, OpenShowsTheFiltersInOrderWithAllSelectedAndMatchesWithoutCase) {
  OPENFILENAMEW record = Record(OpenFilter, OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
  QStringList shown;
  QString title;
  std::set<QString> all, pictures, texts;
  ws.OnFileDialogShown([&](QFileDialog& dialog) {
    title = dialog.windowTitle();
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
    EXPECT_EQ(types->currentIndex(), 0);
    dialog.setDirectory(Q(folder.Root()));
    EXPECT_TRUE(WaitFor([&] { return (all = Listed(dialog)).size() == 4; }));
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down);
    QTest::keyClick(types, Qt::Key_Down);
    EXPECT_TRUE(WaitFor([&] { return (pictures = Listed(dialog)).count("README") == 0; }));
    QTest::keyClick(types, Qt::Key_Up);
    EXPECT_TRUE(WaitFor([&] { return (texts = Listed(dialog)).count("photo.jpg") == 0; }));
    KeyAsUser(&dialog, Qt::Key_Escape);
  });
  EXPECT_EQ(ws.GetOpenFileNameW(&record), FALSE);
  EXPECT_EQ(title, QStringLiteral("Open"));
  EXPECT_THAT(shown, ElementsAre("All", "Text   *.txt;*.doc", "Picture   *.bmp;*.jpg;*gif",
                                 "Music   *.mp3;*.wmp"));
  EXPECT_EQ(all, (std::set<QString>{"README", "photo.jpg", "notes.TXT", "song.mp3"}));
  EXPECT_EQ(pictures, std::set<QString>{"photo.jpg"});  // "*JPG" matches "jpg"
  EXPECT_EQ(texts, std::set<QString>{"notes.TXT"});
}

TEST_F(QtFileDialogTest, OpenTakesOnlyAnExistingFile) {
  OPENFILENAMEW record = Record(OpenFilter, OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
  bool openAfterMissing = false;
  ws.OnFileDialogShown([&](QFileDialog& dialog) {
    AnswerBoxLater(QMessageBox::Ok);  // Qt says the file was not found
    TypeName(dialog, Q(folder / "missing.txt"));
    openAfterMissing = dialog.isVisible();
    TypeName(dialog, Q(folder / "README"));
  });
  ASSERT_EQ(ws.GetOpenFileNameW(&record), TRUE);
  EXPECT_TRUE(openAfterMissing);
  EXPECT_EQ(Chosen(), folder.Wide("README"));
}

TEST_F(QtFileDialogTest, SaveRefusesAMissingFolderAndKeepsTheNameAsTyped) {
  OPENFILENAMEW record = Record(SaveFilter, 6146);
  bool openAfterMissingFolder = false;
  QString title;
  ws.OnFileDialogShown([&](QFileDialog& dialog) {
    title = dialog.windowTitle();
    AnswerBoxLater(QMessageBox::Ok);
    TypeName(dialog, Q(folder / "nowhere" / "copy"));
    openAfterMissingFolder = dialog.isVisible();
    TypeName(dialog, Q(folder / "copy"));
  });
  ASSERT_EQ(ws.GetSaveFileNameW(&record), TRUE);
  EXPECT_EQ(title, QStringLiteral("Save As"));
  EXPECT_TRUE(openAfterMissingFolder);
  EXPECT_EQ(Chosen(), folder.Wide("copy"));  // no extension added
}

TEST_F(QtFileDialogTest, SaveAsksBeforeAnExistingFileAndNoKeepsTheDialogOpen) {
  OPENFILENAMEW record = Record(SaveFilter, 6146);
  bool openAfterNo = false;
  QString question;
  ws.OnFileDialogShown([&](QFileDialog& dialog) {
    AnswerBoxLater(QMessageBox::No, &question);
    TypeName(dialog, Q(folder / "photo.jpg"));
    openAfterNo = dialog.isVisible();
    AnswerBoxLater(QMessageBox::Yes);
    TypeName(dialog, Q(folder / "photo.jpg"));
  });
  ASSERT_EQ(ws.GetSaveFileNameW(&record), TRUE);
  EXPECT_TRUE(openAfterNo);
  EXPECT_EQ(question, QStringLiteral("photo.jpg already exists.\nDo you want to replace it?"));
  EXPECT_EQ(Chosen(), folder.Wide("photo.jpg"));
}

TEST_F(QtFileDialogTest, CancelAndPathsThatDoNotFitReturnNothing) {
  OPENFILENAMEW record = Record(SaveFilter, 6146);
  ws.OnFileDialogShown([](QFileDialog& dialog) { KeyAsUser(&dialog, Qt::Key_Escape); });
  EXPECT_EQ(ws.GetSaveFileNameW(&record), FALSE);
  ws.AnswerNextFileDialog(WString(259, u'a'));
  EXPECT_EQ(ws.GetSaveFileNameW(&record), TRUE);  // 259 units and the terminator
  ws.AnswerNextFileDialog(WString(260, u'a'));
  EXPECT_EQ(ws.GetSaveFileNameW(&record), FALSE);
  ws.AnswerNextFileDialog(std::nullopt);
  EXPECT_EQ(ws.GetOpenFileNameW(&record), FALSE);
}

}  // namespace
}  // namespace tavrinole::test_support
