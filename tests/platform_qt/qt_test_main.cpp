// GoogleTest inside a QApplication. The offscreen platform unless the caller chose one
// (ctest sets it; a developer may run the binary under a real display to watch).
#include <gmock/gmock.h>

#include <QApplication>

#if defined(__SANITIZE_THREAD__)
// Qt's libraries are not built for ThreadSanitizer, which cannot see their locks and
// takes their hand-offs between threads for races.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\nrace:libQt6Gui.so\nrace:libQt6Widgets.so\n";
}
#endif

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
