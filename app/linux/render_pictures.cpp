// Renders the program's dialogs to PNG files for the documentation: the main dialog at
// start, ready with a masked password, with the password shown and running, then Help
// and About. It runs the real program on the offscreen platform and drives it through
// the window system's hooks; the files it encodes live in a scratch folder.
//
//   tavrinole-pictures OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <fstream>

#include "engine/file_system.h"
#include "platform/qt/qt_window_system.h"
#include "resources/resource_ids.h"
#include "ui/entry.h"

namespace {

using tavrinole::qt::QtWindowSystem;
namespace ids = tavrinole::ids;

class PictureTour {
 public:
  PictureTour(QtWindowSystem& windows, QString out, QString scratch)
      : ws_(windows), out_(std::move(out)), scratch_(std::move(scratch)) {}

  void Start() {
    ws_.OnDialogShown([this](HWND dialog, int id) {
      if (id == ids::MainDialog) return Tour(dialog);
      Save(dialog, id == ids::HelpDialog ? "help" : "about");
      ws_.Widget(dialog)->close();  // its close box
    });
  }

  bool Ok() const { return ok_; }

 private:
  void Tour(HWND main) {
    Save(main, "main-start");
    ws_.AnswerNextFileDialog(Wide(scratch_ + "/report.pdf"));
    Click(main, ids::OpenButton);
    ws_.AnswerNextFileDialog(Wide(scratch_ + "/report-encoded"));
    Click(main, ids::SaveAsButton);
    for (int key : {ids::KeyT, ids::KeyI, ids::KeyG, ids::KeyE, ids::KeyR}) Click(main, key);
    Save(main, "main-ready");
    Click(main, ids::ShowPasswordBox);
    Save(main, "main-password-shown");
    Click(main, ids::ShowPasswordBox);
    Click(main, ids::HelpButton);
    Click(main, ids::AboutButton);
    ws_.AnswerNextMessageBox(IDOK);  // the closing message
    Click(main, ids::RunButton);
    Save(main, "main-running");  // before the job's first text reaches the screen
  }

  void Click(HWND dialog, int id) {
    auto* widget = ws_.Widget(ws_.GetDlgItem(dialog, id));
    if (widget == nullptr) return Fail("no control " + std::to_string(id));
    QMetaObject::invokeMethod(widget, "click");
  }

  void Save(HWND dialog, const char* name) {
    const QString path = out_ + "/" + name + ".png";
    if (!ws_.Widget(dialog)->grab().save(path)) return Fail("cannot write " + path.toStdString());
    std::printf("%s\n", qPrintable(path));
  }

  void Fail(const std::string& what) {
    std::fprintf(stderr, "tavrinole-pictures: error: %s\n", what.c_str());
    ok_ = false;
  }

  static WString Wide(const QString& text) { return text.toStdU16String(); }

  QtWindowSystem& ws_;
  QString out_;
  QString scratch_;
  bool ok_ = true;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: tavrinole-pictures OUTPUT_FOLDER\n");
    return 2;
  }
  QTemporaryDir scratch;
  const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  if (!scratch.isValid() || !QDir().mkpath(out)) {
    std::fprintf(stderr, "tavrinole-pictures: error: cannot make the folders\n");
    return 1;
  }
  std::ofstream(scratch.filePath("report.pdf").toStdString()) << std::string(300000, 'x');
  QtWindowSystem windows;
  PictureTour tour(windows, out, scratch.path());
  tour.Start();
  tavrinole::RunTavrinole(windows, tavrinole::NativeFileSystem(), nullptr);
  return tour.Ok() ? 0 : 1;
}
