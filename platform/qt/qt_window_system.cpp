#include "platform/qt/qt_window_system.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/qt/file_dialog.h"
#include "platform/qt/message_box.h"
#include "platform/qt/template_dialog.h"
#include "platform/qt/window_registry.h"
#include "platform/thread_table.h"

namespace tavrinole::qt {
namespace {

QString ToQString(LPCWSTR text) {
  return text == nullptr ? QString() : QString::fromUtf16(text);
}
WString ToWString(const QString& text) {
  return text.toStdU16String();
}

}  // namespace

// A thread waiting for a box: released when the user answers it, when the box goes
// away with its owner, or when the window system closes.
struct QtWindowSystem::BoxWait {
  std::mutex mu;
  std::condition_variable answered;
  bool done = false;
  int result = 0;
  QEventLoop* loop = nullptr;  // the GUI thread's own wait, when it asked

  bool Complete(int answer) {
    {
      std::lock_guard lock(mu);
      if (done) return false;
      done = true;
      result = answer;
    }
    answered.notify_all();
    if (loop != nullptr) loop->quit();
    return true;
  }
  bool Done() {
    std::lock_guard lock(mu);
    return done;
  }
  int Wait() {
    std::unique_lock lock(mu);
    answered.wait(lock, [&] { return done; });
    return result;
  }
};

struct QtWindowSystem::Impl {
  Impl(std::function<bool()> onGuiThread, std::function<void(const std::function<bool()>&)> pump,
       std::function<void()> wake)
      : threads(std::move(onGuiThread), std::move(pump), std::move(wake)) {}

  WindowRegistry registry;
  ThreadTable threads;
  QIcon programIcon;  // read once: decoding its sizes costs start-up time
  std::function<void(HWND, int)> dialogShown;
  std::function<void(QMessageBox&)> boxShown;
  std::function<void(QFileDialog&)> fileDialogShown;
  std::function<void(HWND, const WString&)> textSet;
  std::deque<int> boxAnswers;
  std::deque<std::optional<WString>> fileAnswers;
  std::mutex boxesMu;
  std::vector<std::weak_ptr<BoxWait>> boxes;     // waits to release when we close
  std::vector<QPointer<QMessageBox>> liveBoxes;  // open boxes, deleted when we close
};

QtWindowSystem::QtWindowSystem()
    : impl_(std::make_unique<Impl>([this] { return impl_->registry.OnGuiThread(); },
                                   [this](const std::function<bool()>& done) { PumpUntil(done); },
                                   [this] { (void)impl_->registry.Post([] {}); })) {
  RegisterTemplates(resources::DialogTemplates);
}

QtWindowSystem::~QtWindowSystem() {
  impl_->registry.Close();
  std::vector<std::weak_ptr<BoxWait>> waits;
  {
    std::lock_guard lock(impl_->boxesMu);
    waits.swap(impl_->boxes);
  }
  for (const auto& weak : waits) {
    if (auto wait = weak.lock()) wait->Complete(0);
  }
  for (const QPointer<QMessageBox>& box : impl_->liveBoxes) delete box.data();
}

void QtWindowSystem::RegisterTemplates(std::span<const resources::DialogTemplate> dialogs) {
  impl_->registry.Model().RegisterTemplates(dialogs);
}

TemplateDialog* QtWindowSystem::DialogWidget(HWND dialog) const {
  if (dialog == nullptr || impl_->registry.DialogOf(dialog) != dialog) return nullptr;
  return qobject_cast<TemplateDialog*>(impl_->registry.Widget(dialog));
}

QWidget* QtWindowSystem::Widget(HWND window) const {
  return impl_->registry.Widget(window);
}

HWND QtWindowSystem::OpenDialog(int templateId) const {
  return impl_->registry.Model().Newest(templateId);
}

void QtWindowSystem::CloseAll() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(window);
    if (dialog != nullptr && dialog->isVisible() &&
        qobject_cast<TemplateDialog*>(dialog) == nullptr) {
      dialog->reject();
    }
  }
  for (const HWND dialog : impl_->registry.Model().Dialogs()) {
    if (TemplateDialog* widget = DialogWidget(dialog); widget != nullptr && !widget->Ended()) {
      widget->Send(WM_CLOSE, 0, 0);
    }
  }
}

// --- Dialogs ---------------------------------------------------------------------------

HWND QtWindowSystem::Register(TemplateDialog& dialog) {
  HWND handle = impl_->registry.AddDialog(dialog.Template().Id, &dialog);
  std::vector<HWND> controls;
  for (const TemplateDialog::Control& control : dialog.Controls()) {
    controls.push_back(impl_->registry.AddControl(handle, control.id, control.widget));
  }
  dialog.SetHandles(handle, std::move(controls));
  return handle;
}

// The main dialog stands at its place from the screen's origin, an owned one from its
// owner's client origin; the template's size is the client size.
void QtWindowSystem::Place(TemplateDialog& dialog, QWidget* owner) const {
  const QRect place = ToPixels(dialog.Template().At, dialog.Units());
  QPoint origin;
  if (owner != nullptr) {
    origin = owner->mapToGlobal(QPoint(0, 0));
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    origin = screen->geometry().topLeft();
  }
  dialog.setGeometry(QRect(origin + place.topLeft(), place.size()));
}

INT_PTR QtWindowSystem::DialogBoxParamW(HINSTANCE, LPCWSTR templateName, HWND owner, DLGPROC proc,
                                        LPARAM param) {
  WindowModel& model = impl_->registry.Model();
  const resources::DialogTemplate* found = model.Template(templateName);
  if (found == nullptr || proc == nullptr || !impl_->registry.OnGuiThread()) return -1;
  QWidget* ownerWidget = nullptr;
  const HWND ownerDialog = owner == nullptr ? nullptr : impl_->registry.DialogOf(owner);
  if (owner != nullptr && (ownerWidget = DialogWidget(ownerDialog)) == nullptr) return -1;

  TemplateDialog dialog(*this, *found, ownerWidget, proc);
  // Owned dialogs block only their owner, so a box without an owner stays usable.
  dialog.setWindowModality(ownerWidget != nullptr ? Qt::WindowModal : Qt::NonModal);
  const HWND handle = Register(dialog);
  const std::optional<WNDCLASSEXW> dialogClass = model.Class(found->ClassName);
  if (dialogClass && model.ImageOf(dialogClass->hIcon) == ids::ProgramIcon) {
    dialog.setWindowIcon(ProgramIcon());
  }
  Place(dialog, ownerWidget);

  if (ownerDialog != nullptr) impl_->registry.AddModalChild(ownerDialog, +1);
  if (impl_->dialogShown) {
    QPointer<TemplateDialog> alive(&dialog);
    impl_->registry.Post([this, alive, handle, id = found->Id] {
      if (alive && !alive->Ended() && impl_->dialogShown) impl_->dialogShown(handle, id);
    });
  }
  const INT_PTR result = dialog.Run(param);
  if (ownerDialog != nullptr) impl_->registry.AddModalChild(ownerDialog, -1);
  impl_->registry.Retire(handle);
  return result;
}

BOOL QtWindowSystem::EndDialog(HWND dialog, INT_PTR result) {
  if (!impl_->registry.OnGuiThread()) return PostEndDialog(dialog, result);
  TemplateDialog* widget = DialogWidget(dialog);
  if (widget == nullptr) return FALSE;
  widget->End(result);
  return TRUE;
}

BOOL QtWindowSystem::PostEndDialog(HWND dialog, INT_PTR result) {
  if (impl_->registry.DialogOf(dialog) != dialog || dialog == nullptr) return FALSE;
  return impl_->registry.Post([this, dialog, result] {
    if (TemplateDialog* widget = DialogWidget(dialog)) widget->End(result);
  });
}

HWND QtWindowSystem::GetDlgItem(HWND dialog, int id) {
  return impl_->registry.Control(dialog, id);
}

LONG_PTR QtWindowSystem::SetWindowLongPtrW(HWND dialog, int index, LONG_PTR value) {
  return impl_->registry.Model().SetWindowLongPtr(dialog, index, value);
}

LONG_PTR QtWindowSystem::GetWindowLongPtrW(HWND dialog, int index) {
  return impl_->registry.Model().GetWindowLongPtr(dialog, index);
}

// --- Controls --------------------------------------------------------------------------

BOOL QtWindowSystem::EnableWindow(HWND window, BOOL enable) {
  return static_cast<BOOL>(impl_->registry.Call(window, FALSE, [&]() -> intptr_t {
    QWidget* widget = impl_->registry.Widget(window);
    QWidget* dialog = impl_->registry.Widget(impl_->registry.DialogOf(window));
    const bool wasDisabled = !widget->isEnabledTo(widget == dialog ? nullptr : dialog);
    widget->setEnabled(enable != FALSE);
    return wasDisabled ? TRUE : FALSE;
  }));
}

// A control's own flag: Help open over the main dialog disables the dialog through
// modality and leaves its controls' flags as they were.
BOOL QtWindowSystem::IsWindowEnabled(HWND window) {
  return static_cast<BOOL>(impl_->registry.Call(window, FALSE, [&]() -> intptr_t {
    QWidget* widget = impl_->registry.Widget(window);
    const HWND dialog = impl_->registry.DialogOf(window);
    if (dialog != window) return widget->isEnabledTo(impl_->registry.Widget(dialog)) ? TRUE : FALSE;
    return widget->isEnabled() && impl_->registry.ModalChildren(dialog) == 0 ? TRUE : FALSE;
  }));
}

BOOL QtWindowSystem::SetWindowTextW(HWND window, LPCWSTR text) {
  const QString value = ToQString(text);
  return static_cast<BOOL>(impl_->registry.Call(window, FALSE, [&]() -> intptr_t {
    QWidget* widget = impl_->registry.Widget(window);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      label->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      button->setText(value);
    } else {
      widget->setWindowTitle(value);
    }
    if (impl_->textSet) impl_->textSet(window, ToWString(value));
    return TRUE;
  }));
}

int QtWindowSystem::GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) {
  if (buffer == nullptr || maxCount <= 0) return 0;
  buffer[0] = 0;
  return static_cast<int>(impl_->registry.Call(window, 0, [&]() -> intptr_t {
    QWidget* widget = impl_->registry.Widget(window);
    QString value = widget->windowTitle();
    if (auto* label = qobject_cast<QLabel*>(widget)) value = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) value = button->text();
    return StoreWindowText(ToWString(value), buffer, maxCount);
  }));
}

LRESULT QtWindowSystem::SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTEXT) return SetWindowTextW(window, reinterpret_cast<LPCWSTR>(lParam));
  if (message == WM_GETTEXT) {
    return GetWindowTextW(window, reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
  }
  return impl_->registry.Call(window, 0, [&]() -> intptr_t {
    if (TemplateDialog* dialog = DialogWidget(window)) return dialog->Send(message, wParam, lParam);
    auto* check = qobject_cast<QCheckBox*>(impl_->registry.Widget(window));
    if (check == nullptr) return 0;
    if (message == BM_GETCHECK) return check->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    if (message == BM_SETCHECK) check->setChecked(wParam == static_cast<WPARAM>(BST_CHECKED));
    return 0;
  });
}

// --- Message boxes ---------------------------------------------------------------------

int QtWindowSystem::MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (owner != nullptr && !impl_->registry.Alive(owner)) return 0;
  auto wait = std::make_shared<BoxWait>();
  {
    std::lock_guard lock(impl_->boxesMu);
    std::erase_if(impl_->boxes, [](const auto& weak) { return weak.expired(); });
    impl_->boxes.push_back(wait);
  }
  WString body = text == nullptr ? WString() : WString(text);
  WString title = caption == nullptr ? WString(WTEXT("Error")) : WString(caption);
  if (impl_->registry.OnGuiThread()) {
    QEventLoop loop;
    wait->loop = &loop;
    ShowBox(owner, std::move(body), std::move(title), type, wait);
    if (!wait->Done()) loop.exec(QEventLoop::DialogExec);
    wait->loop = nullptr;
  } else if (!impl_->registry.Post([this, owner, body, title, type, wait] {
               ShowBox(owner, body, title, type, wait);
             })) {
    return 0;
  }
  return wait->Wait();
}

// Shown without a nested loop of its own: the box answers through `finished`, so a
// Help dialog opened above it never holds up the thread waiting for it.
void QtWindowSystem::ShowBox(HWND owner, WString text, WString caption, UINT type,
                             const std::shared_ptr<BoxWait>& wait) {
  if (!impl_->boxAnswers.empty()) {
    const int answer = impl_->boxAnswers.front();
    impl_->boxAnswers.pop_front();
    wait->Complete(answer);
    return;
  }
  const HWND ownerDialog = owner == nullptr ? nullptr : impl_->registry.DialogOf(owner);
  QWidget* ownerWidget = DialogWidget(ownerDialog);
  if (owner != nullptr && ownerWidget == nullptr) {
    wait->Complete(0);
    return;
  }
  QMessageBox* box = MakeMessageBox(ownerWidget, text, caption, type);
  std::erase_if(impl_->liveBoxes, [](const QPointer<QMessageBox>& gone) { return gone.isNull(); });
  impl_->liveBoxes.push_back(box);
  if (ownerDialog != nullptr) impl_->registry.AddModalChild(ownerDialog, +1);
  auto finish = [this, wait, ownerDialog](int answer) {
    if (wait->Complete(answer) && ownerDialog != nullptr)
      impl_->registry.AddModalChild(ownerDialog, -1);
  };
  QObject::connect(box, &QDialog::finished, [box, finish] {
    finish(ResultOf(*box));
    box->deleteLater();
  });
  QObject::connect(box, &QObject::destroyed, [finish] { finish(0); });
  box->show();
  if (impl_->boxShown) {
    QPointer<QMessageBox> alive(box);
    impl_->registry.Post([this, alive] {
      if (alive && alive->isVisible() && impl_->boxShown) impl_->boxShown(*alive);
    });
  }
}

// --- File dialogs ----------------------------------------------------------------------

BOOL QtWindowSystem::GetOpenFileNameW(LPOPENFILENAMEW record) {
  return FileDialog(record, true);
}

BOOL QtWindowSystem::GetSaveFileNameW(LPOPENFILENAMEW record) {
  return FileDialog(record, false);
}

BOOL QtWindowSystem::FileDialog(LPOPENFILENAMEW record, bool open) {
  if (record == nullptr || record->lpstrFile == nullptr || record->nMaxFile == 0) return FALSE;
  if (!impl_->registry.OnGuiThread()) return FALSE;
  if (!impl_->fileAnswers.empty()) {
    const std::optional<WString> answer = impl_->fileAnswers.front();
    impl_->fileAnswers.pop_front();
    return answer ? StoreChosenPath(*record, *answer) : FALSE;
  }
  CheckedFileDialog dialog(*record, open ? FileDialogKind::Open : FileDialogKind::Save);
  const QString chosen = RunFileDialog(dialog, impl_->fileDialogShown);
  return StoreChosenPath(*record, ToWString(chosen));
}

// --- Start-up --------------------------------------------------------------------------

BOOL QtWindowSystem::InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  return init != nullptr && init->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}

BOOL QtWindowSystem::GetClassInfoExW(HINSTANCE, LPCWSTR className, LPWNDCLASSEXW info) {
  return info == nullptr ? FALSE : impl_->registry.Model().ClassInfo(className, *info);
}

ATOM QtWindowSystem::RegisterClassExW(const WNDCLASSEXW* info) {
  return info == nullptr ? 0 : impl_->registry.Model().RegisterClass(*info);
}

const QIcon& QtWindowSystem::ProgramIcon() {
  if (impl_->programIcon.isNull()) {
    for (int size : {16, 32, 48, 256}) {
      impl_->programIcon.addFile(QStringLiteral(":/tavrinole/tavrinole-%1.png").arg(size),
                                 QSize(size, size));
    }
  }
  return impl_->programIcon;
}

// Only the program icon exists among our resources. The icon carries every size we ship and
// the desktop picks one, as Windows picks from an icon group.
HANDLE QtWindowSystem::LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int, int, UINT) {
  if (type != IMAGE_ICON || !IS_INTRESOURCE(name) || Key(name) != ids::ProgramIcon) {
    return nullptr;
  }
  return impl_->registry.Model().AddImage(ids::ProgramIcon);
}

// --- Threads and time ------------------------------------------------------------------

ThreadHandle QtWindowSystem::BeginThread(ThreadRoutine routine, void* argument) {
  return impl_->threads.Begin(routine, argument);
}

BOOL QtWindowSystem::JoinThread(ThreadHandle thread) {
  return impl_->threads.Join(thread);
}

BOOL QtWindowSystem::AlertThread(ThreadHandle thread) {
  return impl_->threads.Alert(thread);
}

DWORD QtWindowSystem::SleepEx(DWORD milliseconds, BOOL alertable) {
  return impl_->threads.Sleep(milliseconds, alertable);
}

void QtWindowSystem::PumpUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// --- Hooks -----------------------------------------------------------------------------

void QtWindowSystem::OnDialogShown(std::function<void(HWND, int)> hook) {
  impl_->dialogShown = std::move(hook);
}

void QtWindowSystem::OnMessageBoxShown(std::function<void(QMessageBox&)> hook) {
  impl_->boxShown = std::move(hook);
}

void QtWindowSystem::OnFileDialogShown(std::function<void(QFileDialog&)> hook) {
  impl_->fileDialogShown = std::move(hook);
}

void QtWindowSystem::OnTextSet(std::function<void(HWND, const WString&)> hook) {
  impl_->textSet = std::move(hook);
}

void QtWindowSystem::AnswerNextMessageBox(int result) {
  impl_->boxAnswers.push_back(result);
}

void QtWindowSystem::AnswerNextFileDialog(std::optional<WString> path) {
  impl_->fileAnswers.push_back(std::move(path));
}

}  // namespace tavrinole::qt
