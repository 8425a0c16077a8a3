// The window model the Qt and scripted layers share: handles, owners, requests from
// other threads, per-window data, what a window shows, classes, and the file dialogs'
// path fill.
#include "platform/window_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

namespace tavrinole {
namespace {

TEST(WindowModel, HandlesAreNeverReusedAndGoStaleWithTheirDialog) {
  WindowModel model;
  const HWND first = model.AddDialog();
  const HWND button = model.AddControl(first, ids::HelpButton);
  EXPECT_EQ(model.Control(first, ids::HelpButton), button);
  EXPECT_EQ(model.Control(first, ids::AboutButton), nullptr);
  EXPECT_EQ(model.DialogOf(button), first);
  EXPECT_EQ(model.Get(button)->id, ids::HelpButton);
  EXPECT_TRUE(model.IsDialog(first));
  EXPECT_FALSE(model.IsDialog(button));
  EXPECT_FALSE(model.Stale(button));

  model.Retire(first);
  const HWND second = model.AddDialog();
  EXPECT_NE(second, first);
  EXPECT_NE(second, button);
  for (HWND gone : {first, button}) {
    EXPECT_TRUE(model.Stale(gone));
    EXPECT_FALSE(model.Alive(gone));
    EXPECT_EQ(model.DialogOf(gone), nullptr);
    EXPECT_FALSE(model.Get(gone).has_value());
    EXPECT_EQ(model.Inspect(gone).id, 0);  // forgotten
  }
  EXPECT_EQ(model.Control(first, ids::HelpButton), nullptr);
  EXPECT_EQ(model.AddControl(first, ids::OpenButton), nullptr);
  EXPECT_FALSE(model.Stale(reinterpret_cast<HWND>(uintptr_t{0x50})));  // never handed out
  model.Retire(button);  // a control is not retired on its own
  EXPECT_TRUE(model.Alive(second));
}

TEST(WindowModel, AnOwnerCountsItsModalChildrenThroughAnyOfItsControls) {
  WindowModel model;
  const HWND main = model.AddDialog();
  const HWND check = model.AddControl(main, ids::ShowPasswordBox);
  model.AddModalChild(main, +1);
  model.AddModalChild(check, +1);  // a box owned by a control blocks its dialog
  EXPECT_EQ(model.ModalChildren(main), 2);
  model.AddModalChild(main, -1);
  model.AddModalChild(main, -1);
  model.AddModalChild(main, -1);  // one end too many never goes below zero
  EXPECT_EQ(model.ModalChildren(main), 0);
  model.AddModalChild(nullptr, +1);  // no owner: nothing to count
}

TEST(WindowModel, ARequestFailsOnceItsDialogEndsAndLaterOnesAreRefused) {
  WindowModel model;
  const HWND main = model.AddDialog();
  const HWND status = model.AddControl(main, ids::PasswordDisplay);

  auto served = model.Track(status, -1);
  ASSERT_NE(served, nullptr);
  EXPECT_TRUE(model.Finish(*served, 7));
  EXPECT_EQ(model.Wait(*served), 7);

  auto waiting = model.Track(status, -1);
  ASSERT_NE(waiting, nullptr);
  std::atomic<intptr_t> got{0};
  std::thread worker([&] { got = model.Wait(*waiting); });
  model.End(main);  // still unwinding: the handles live, requests do not
  worker.join();
  EXPECT_EQ(got, -1);
  EXPECT_FALSE(model.Finish(*waiting, 7));  // too late: the failure stands
  EXPECT_EQ(model.Track(status, -1), nullptr);
  EXPECT_TRUE(model.Alive(status));

  const HWND other = model.AddDialog();
  auto closing = model.Track(other, -1);
  model.Close();
  EXPECT_TRUE(model.Done(*closing));
  EXPECT_EQ(model.Wait(*closing), -1);
  EXPECT_EQ(model.Track(other, -1), nullptr);
}

// Work for the GUI thread runs there at once, or is queued while the caller waits; it
// never runs for a window that has gone, and a queue that refuses it fails the call.
TEST(WindowModel, WorkForTheGuiThreadRunsOnlyWhileItsWindowLives) {
  WindowModel model;
  const HWND main = model.AddDialog();
  std::atomic<int> runs{0};
  auto work = [&]() -> intptr_t { return ++runs; };
  auto refuse = [](std::function<void()>) { return false; };
  EXPECT_EQ(model.Call(main, true, -1, work, refuse), 1);  // on the GUI thread: at once

  std::mutex mu;
  std::vector<std::function<void()>> queued;
  auto queue = [&](std::function<void()> item) {
    const std::lock_guard lock(mu);
    queued.push_back(std::move(item));
    return true;
  };
  auto serveNext = [&](size_t index) {  // plays the GUI thread once item `index` is queued
    std::function<void()> item;
    while (!item) {
      const std::lock_guard lock(mu);
      if (queued.size() > index) item = queued[index];
    }
    return item;
  };
  std::atomic<intptr_t> got{0};
  std::thread worker([&] { got = model.Call(main, false, -1, work, queue); });
  serveNext(0)();
  worker.join();
  EXPECT_EQ(got, 2);

  std::thread late([&] { got = model.Call(main, false, -1, work, queue); });
  std::function<void()> tooLate = serveNext(1);
  model.Retire(main);
  late.join();
  tooLate();  // served after the dialog went: it does not run
  EXPECT_EQ(got, -1);
  EXPECT_EQ(model.Call(main, true, -1, work, queue), -1);
  EXPECT_EQ(model.Call(model.AddDialog(), false, -1, work, refuse), -1);
  EXPECT_EQ(runs, 2);
}

TEST(WindowModel, EachDialogKeepsItsOwnUserValue) {
  WindowModel model;
  const HWND a = model.AddDialog();
  const HWND b = model.AddDialog();
  const HWND label = model.AddControl(a, ids::MakerLabel);
  EXPECT_EQ(model.GetWindowLongPtr(a, DWLP_USER), 0);
  EXPECT_EQ(model.SetWindowLongPtr(a, DWLP_USER, 11), 0);
  EXPECT_EQ(model.SetWindowLongPtr(b, DWLP_USER, 22), 0);
  EXPECT_EQ(model.SetWindowLongPtr(a, DWLP_USER, 33), 11);  // the value before
  EXPECT_EQ(model.GetWindowLongPtr(a, DWLP_USER), 33);
  EXPECT_EQ(model.GetWindowLongPtr(b, DWLP_USER), 22);
  // Other indices and controls are nothing of ours.
  EXPECT_EQ(model.SetWindowLongPtr(a, DWLP_MSGRESULT, 5), 0);
  EXPECT_EQ(model.GetWindowLongPtr(a, DWLP_MSGRESULT), 0);
  EXPECT_EQ(model.SetWindowLongPtr(label, DWLP_USER, 5), 0);
  EXPECT_EQ(model.GetWindowLongPtr(label, DWLP_USER), 0);
  model.Retire(a);
  EXPECT_EQ(model.GetWindowLongPtr(a, DWLP_USER), 0);
  EXPECT_EQ(model.SetWindowLongPtr(a, DWLP_USER, 44), 0);
}

TEST(WindowModel, ClassesAreRegisteredOnceByNameBesideTheSystemDialogClass) {
  WindowModel model;
  WNDCLASSEXW system{};
  system.cbSize = 77;  // kept as the caller gave it
  EXPECT_EQ(model.ClassInfo(WC_DIALOG, system), 0x8002);
  EXPECT_EQ(system.cbSize, 77u);
  EXPECT_NE(system.lpfnWndProc, nullptr);
  EXPECT_EQ(system.cbWndExtra, 30);
  EXPECT_NE(system.hCursor, nullptr);  // the system's arrow, an image no LoadImageW gives
  EXPECT_NE(static_cast<HANDLE>(system.hCursor), model.AddImage(0));
  EXPECT_EQ(model.ClassInfo(MAKEINTATOM(0x8001), system), FALSE);

  WNDCLASSEXW ours = system;
  ours.cbSize = sizeof(WNDCLASSEXW);
  ours.hIcon = reinterpret_cast<HICON>(uintptr_t{0x1234});
  WString name = WTEXT("TavrinolClass");
  ours.lpszClassName = name.c_str();
  const ATOM atom = model.RegisterClass(ours);
  EXPECT_GE(atom, 0xC000);
  EXPECT_EQ(model.RegisterClass(ours), 0);  // taken
  name[0] = WCHAR('X');                     // the model keeps its own copy of the name
  WNDCLASSEXW found{};
  EXPECT_EQ(model.ClassInfo(WTEXT("TavrinolClass"), found), TRUE);
  EXPECT_EQ(found.hIcon, ours.hIcon);
  EXPECT_EQ(WString(found.lpszClassName), WTEXT("TavrinolClass"));
  EXPECT_EQ(model.ClassInfo(WTEXT("Other"), found), FALSE);

  ours.cbSize = sizeof(WNDCLASSEXW) - 4;  // a wrong record size, whatever the build
  ours.lpszClassName = WTEXT("Second");
  EXPECT_EQ(model.RegisterClass(ours), 0);
  ours.cbSize = sizeof(WNDCLASSEXW);
  ours.lpszClassName = MAKEINTATOM(0xC123);
  EXPECT_EQ(model.RegisterClass(ours), 0);
}

INT_PTR CALLBACK NoProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

// A dialog built from its template shows what the template says; a retired one stays
// for inspection, unchanged, only in a model that keeps them.
TEST(WindowModel, ADialogFromATemplateShowsItAndIsKeptAfterItGoesOnlyIfAsked) {
  const resources::DialogTemplate& main = resources::DialogTemplates[0];
  for (const auto retired : {WindowModel::Retired::Keep, WindowModel::Retired::Forget}) {
    WindowModel model(retired);
    const HWND dialog = model.AddDialog(main, &NoProc, true);
    const WindowModel::Window built = model.Inspect(dialog);
    EXPECT_TRUE(built.isDialog);
    EXPECT_EQ(built.id, main.Id);
    EXPECT_EQ(built.text, WString(main.Title.begin(), main.Title.end()));
    EXPECT_EQ(built.proc, &NoProc);
    EXPECT_TRUE(built.modal);
    for (const resources::ControlTemplate& c : main.Controls) {
      const WindowModel::Window control = model.Inspect(dialog, c.Id);
      EXPECT_EQ(control.hwnd, model.Control(dialog, c.Id)) << c.Id;
      EXPECT_EQ(control.text, WString(c.Text.begin(), c.Text.end())) << c.Id;
      EXPECT_EQ(control.kind, c.Kind) << c.Id;
      EXPECT_EQ(control.enabled, c.Enabled()) << c.Id;
    }

    const HWND status = model.Control(dialog, ids::PasswordDisplay);
    EXPECT_TRUE(model.Update(status, [](WindowModel::Window& w) { w.text = WTEXT("set"); }));
    EXPECT_TRUE(model.End(dialog, 5));
    EXPECT_FALSE(model.End(dialog, 6));  // the first end stands
    model.Retire(dialog);
    EXPECT_FALSE(model.Update(status, [](WindowModel::Window& w) { w.text = WTEXT("late"); }));
    EXPECT_TRUE(model.Stale(status));
    const bool kept = retired == WindowModel::Retired::Keep;
    EXPECT_EQ(model.Inspect(dialog, ids::PasswordDisplay).text, kept ? WTEXT("set") : WTEXT(""));
    EXPECT_EQ(model.Inspect(dialog).result, kept ? 5 : 0);
    EXPECT_EQ(model.Inspect(dialog).ended, kept);
    EXPECT_FALSE(model.Inspect(reinterpret_cast<HWND>(uintptr_t{0x50})).enabled);  // unknown
  }
}

// The newest dialog of a template is the test's and the Qt layer's way to find one;
// the open ones exclude those that ended, and the list of live ones comes newest first.
TEST(WindowModel, TheNewestDialogOfATemplateIsFoundAmongTheOpenOrAllOfThem) {
  WindowModel model(WindowModel::Retired::Keep);
  const HWND older = model.AddDialog(ids::MainDialog);
  const HWND about = model.AddDialog(ids::AboutDialog);
  const HWND newer = model.AddDialog(ids::MainDialog);
  EXPECT_EQ(model.Newest(ids::MainDialog), newer);
  EXPECT_EQ(model.Newest(ids::HelpDialog), nullptr);
  EXPECT_THAT(model.Dialogs(), ::testing::ElementsAre(newer, about, older));

  model.End(newer);
  EXPECT_EQ(model.Newest(ids::MainDialog), older);
  EXPECT_EQ(model.Newest(ids::MainDialog, false), newer);
  model.Retire(newer);
  model.Retire(older);
  EXPECT_EQ(model.Newest(ids::MainDialog), nullptr);
  EXPECT_EQ(model.Newest(ids::MainDialog, false), newer);
  EXPECT_THAT(model.Dialogs(), ::testing::ElementsAre(about));
}

// The one path fill of the file dialogs, as GetOpenFileNameW fills the record.
TEST(StoreChosenPath, FillsTheRecordAsWindowsDoes) {
  struct Row {
    const WCHAR* path;
    WORD offset, extension;
  };
  const Row rows[] = {
      {WTEXT("C:\\docs\\report.pdf"), 8, 15}, {WTEXT("/home/ann/notes.txt"), 10, 16},
      {WTEXT("/home/a.b/README"), 10, 16},  // no extension: at the terminator
      {WTEXT("/tmp/archive.tar.gz"), 5, 17},  {WTEXT("/tmp/ends."), 5, 0},  // a trailing dot: zero
      {WTEXT("C:/mixed\\name"), 9, 13},       {WTEXT("plain"), 0, 5},
  };
  for (const Row& row : rows) {
    WCHAR buffer[64] = {};
    OPENFILENAMEW record{};
    record.lpstrFile = buffer;
    record.nMaxFile = 64;
    ASSERT_EQ(StoreChosenPath(record, row.path), TRUE) << ::testing::PrintToString(row.offset);
    EXPECT_EQ(WString(buffer), row.path);
    EXPECT_EQ(record.nFileOffset, row.offset) << row.offset;
    EXPECT_EQ(record.nFileExtension, row.extension) << row.offset;
  }
}

TEST(StoreChosenPath, RefusesAnEmptyPathOrOneThatDoesNotFitAndWritesNothing) {
  WCHAR buffer[8] = {'k', 'e', 'p', 't', 0};
  OPENFILENAMEW record{};
  record.lpstrFile = buffer;
  record.nMaxFile = 8;
  record.nFileOffset = 3;
  EXPECT_EQ(StoreChosenPath(record, WTEXT("")), FALSE);
  EXPECT_EQ(StoreChosenPath(record, WTEXT("/a/bcdef")), FALSE);  // 8 units and no room for 0
  EXPECT_EQ(WString(buffer), WTEXT("kept"));
  EXPECT_EQ(record.nFileOffset, 3);
  EXPECT_EQ(StoreChosenPath(record, WTEXT("/a/bcde")), TRUE);  // 7 units and the terminator
  record.lpstrFile = nullptr;
  EXPECT_EQ(StoreChosenPath(record, WTEXT("/a")), FALSE);
}

// GetWindowTextW's buffer takes what fits before its terminator, around its size.
TEST(StoreWindowText, CopiesWhatFitsBeforeTheTerminator) {
  struct Row {
    int size;
    int copied;
    const WCHAR* kept;
  };
  const Row rows[] = {{0, 0, WTEXT("xxxxx")},
                      {1, 0, WTEXT("")},
                      {3, 2, WTEXT("ab")},
                      {4, 3, WTEXT("abc")},
                      {5, 3, WTEXT("abc")}};
  for (const Row& row : rows) {
    WCHAR buffer[6] = {'x', 'x', 'x', 'x', 'x', 0};
    EXPECT_EQ(StoreWindowText(WTEXT("abc"), buffer, row.size), row.copied) << row.size;
    EXPECT_EQ(WString(buffer), row.kept) << row.size;
  }
  EXPECT_EQ(StoreWindowText(WTEXT("abc"), nullptr, 4), 0);
}

// Templates are found by the id a DialogBoxParamW name carries; image handles are new
// each time and tell which resource they stand for, as a class's icon must.
TEST(WindowModel, TemplatesAndImagesAreFoundByWhatTheProgramHolds) {
  WindowModel model;
  EXPECT_EQ(model.Template(MAKEINTRESOURCEW(ids::MainDialog)), nullptr);
  model.RegisterTemplates(resources::DialogTemplates);
  for (const resources::DialogTemplate& t : resources::DialogTemplates) {
    EXPECT_EQ(model.Template(MAKEINTRESOURCEW(t.Id)), &t);
  }
  EXPECT_EQ(model.Template(MAKEINTRESOURCEW(4242)), nullptr);
  EXPECT_EQ(model.Template(WTEXT("MainDialog")), nullptr);  // by name: not ours
  EXPECT_EQ(model.Template(nullptr), nullptr);

  const HANDLE big = model.AddImage(ids::ProgramIcon);
  const HANDLE small = model.AddImage(ids::ProgramIcon);
  const HANDLE system = model.AddImage(0);
  EXPECT_NE(big, small);
  EXPECT_EQ(model.ImageOf(big), static_cast<uintptr_t>(ids::ProgramIcon));
  EXPECT_EQ(model.ImageOf(small), static_cast<uintptr_t>(ids::ProgramIcon));
  EXPECT_EQ(model.ImageOf(system), 0u);
  EXPECT_EQ(model.ImageOf(model.AddDialog()), 0u);  // a window is no image
  EXPECT_EQ(model.ImageOf(nullptr), 0u);
}

}  // namespace
}  // namespace tavrinole
