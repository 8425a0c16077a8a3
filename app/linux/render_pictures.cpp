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
#include "engine/key_table.h"
#include "platform/qt/qt_window_system.h"
#include "resources/dialog_templates.h"
#include "ui/entry.h"

namespace {

using tavrinole::qt::QtWindowSystem;
namespace resources = tavrinole::resources;

constexpr int HelpButton = 4002, AboutButton = 4003, OpenButton = 4005, SaveButton = 4006;
constexpr int RunButton = 4008, ShowCheck = 4063;

class PictureTour {
 public:
  PictureTour(QtWindowSystem& windows, QString out, QString scratch)
      : ws_(windows), out_(std::move(out)), scratch_(std::move(scratch)) {}

  void Start() {
    ws_.OnDialogShown([this](HWND dialog, int id) {
      if (id == resources::MainDialogId) return Tour(dialog);
      Save(dialog, id == resources::HelpDialogId ? "help" : "about");
      ws_.Widget(dialog)->close();  // its close box
    });
  }

  bool Ok() const { return ok_; }

 private:
  void Tour(HWND main) {
    Save(main, "main-start");
    ws_.AnswerNextFileDialog(Wide(scratch_ + "/report.pdf"));
    Click(main, OpenButton);
    ws_.AnswerNextFileDialog(Wide(scratch_ + "/report-encoded"));
    Click(main, SaveButton);
    for (char16_t key : std::u16string_view(u"TIGER")) Click(main, KeyId(key));
    Save(main, "main-ready");
    Click(main, ShowCheck);
    Save(main, "main-password-shown");
    Click(main, ShowCheck);
    Click(main, HelpButton);
    Click(main, AboutButton);
    ws_.AnswerNextMessageBox(IDOK);  // the closing message
    Click(main, RunButton);
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

  static int KeyId(char16_t caption) {
    for (const tavrinole::KeyEntry& key : tavrinole::KeyTable) {
      if (key.Caption == caption) return key.ControlId;
    }
    return 0;
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
