// The toolkit-free half of a window system, shared by the Qt and the scripted layers:
// what Windows keeps for every window whatever draws it.
//
//  - Handles are numbers that are never reused. Once a dialog is retired its handle and
//    its controls' handles find nothing, so an operation on them fails at once instead
//    of touching freed state; Stale() still tells them from numbers never handed out.
//  - Each dialog counts the modal dialogs and boxes it owns: it takes no input while
//    any is open (owner disabling), and its controls keep their own flags.
//  - Work for the GUI thread from another thread is tracked against its dialog:
//    ending the dialog fails it at once, so a worker never hangs on a dialog that is
//    gone.
//  - A dialog's DWLP_USER value.
//  - What each window is (a control's id, a dialog's template) and, for a layer that
//    draws nothing, what it shows: its text and flags, and how its dialog ended. The
//    scripted layer keeps all of a window here; the Qt layer's widgets hold their own
//    texts and flags, so its windows keep only their ids here.
//  - The window classes and their atoms, the dialog templates, and the image handles.
//
// Every member may be called from any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "platform/win32_api.h"
#include "resources/dialog_templates.h"

namespace tavrinole {

// A handle or a resource name as the number it is.
inline uintptr_t Key(const void* handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

class WindowModel {
 public:
  // A caller waiting for the GUI thread to carry out its request.
  struct Request {
    uintptr_t dialog = 0;
    intptr_t result = 0;  // the failure value until the request is served
    bool done = false;
  };

  // A window as the model keeps it.
  struct Window {
    HWND hwnd = nullptr;
    int id = 0;  // a control's id, a dialog's template id
    bool isDialog = false;
    resources::ControlKind kind = resources::ControlKind::StaticText;
    WString text;
    bool enabled = true, checked = false;  // its own flags
    // Dialogs: the procedure; whether a modal loop runs it (one that none runs goes as
    // soon as it ends); shown from WM_INITDIALOG's return; ended, and with what.
    DLGPROC proc = nullptr;
    bool modal = false, shown = false, ended = false;
    INT_PTR result = 0;
  };

  // Whether a retired dialog's windows stay for Inspect, as a test wants to look at a
  // dialog after it has gone, or are forgotten, as a long-running program needs.
  enum class Retired { Forget, Keep };
  explicit WindowModel(Retired retired = Retired::Forget)
      : keepRetired_(retired == Retired::Keep) {}

  // --- Windows ----------------------------------------------------------------------
  HWND AddDialog(int templateId = 0);
  HWND AddControl(HWND dialog, int id);  // null when the dialog is not alive
  // A dialog and its controls with the template's title, texts, kinds and flags.
  HWND AddDialog(const resources::DialogTemplate& dialog, DLGPROC proc, bool modal);
  // The dialog has ended with `result` (it may still be unwinding): requests to it or
  // its controls fail from now on, those waiting included. False if it is not a live
  // dialog or had ended already.
  bool End(HWND dialog, INT_PTR result = 0);
  // The dialog is gone: End, and its handles and its controls' go stale.
  void Retire(HWND dialog);

  bool Alive(HWND window) const;
  bool Stale(HWND window) const;     // handed out once, retired since
  HWND DialogOf(HWND window) const;  // a control's dialog, a dialog itself; null if stale
  bool IsDialog(HWND window) const;  // a live dialog
  HWND Control(HWND dialog, int id) const;
  // The newest dialog from the template: of the open ones (alive and not ended), or of
  // all ever added. Null if there is none.
  HWND Newest(int templateId, bool openOnly = true) const;
  std::vector<HWND> Dialogs() const;  // the live ones, newest first

  // --- What a window shows ----------------------------------------------------------
  std::optional<Window> Get(HWND window) const;  // a live window's, else nullopt
  // Any window handed out, also a retired one that is kept; a blank, disabled record
  // for any other handle. The second form finds control `id` of `dialog`.
  Window Inspect(HWND window) const;
  Window Inspect(HWND dialog, int id) const;
  // Changes a live window's text or flags (`change` must not call the model); false if
  // the window is not alive.
  bool Update(HWND window, const std::function<void(Window&)>& change);
  // Whether the window takes input by the flags kept here: its own flag and, for a
  // dialog, no modal dialog or box of its open. For a live window this is what
  // IsWindowEnabled answers; a retired one that is kept answers as it last was.
  bool Enabled(HWND window) const;

  // --- Owner disabling --------------------------------------------------------------
  // Counts a modal dialog or box that `owner` (a dialog or one of its controls) owns.
  void AddModalChild(HWND owner, int delta);
  int ModalChildren(HWND dialog) const;

  // --- Per-window data --------------------------------------------------------------
  // DWLP_USER of a live dialog; anything else gives 0 and changes nothing.
  LONG_PTR SetWindowLongPtr(HWND dialog, int index, LONG_PTR value);
  LONG_PTR GetWindowLongPtr(HWND dialog, int index) const;

  // --- Requests from other threads --------------------------------------------------
  // Tracks a request to `window`; null when the window is not alive or the model is
  // closed, and the caller then fails at once.
  std::shared_ptr<Request> Track(HWND window, intptr_t failure);
  // Hands the result to the waiter; false if the request had already failed.
  bool Finish(Request& request, intptr_t result);
  bool Done(const Request& request) const;
  intptr_t Wait(const Request& request);
  // Runs `work` for `window` on the GUI thread and returns its result: at once when the
  // caller is that thread (`onGui`), otherwise handed to `post` (false: it could not be
  // queued) while the caller waits. `failure` when the window is not alive, or stops
  // being alive before its turn comes.
  intptr_t Call(HWND window, bool onGui, intptr_t failure, const std::function<intptr_t()>& work,
                const std::function<bool(std::function<void()>)>& post);
  // Fails every waiting request and every later one, so that workers can be joined.
  void Close();
  bool Closed() const;

  // --- Window classes ---------------------------------------------------------------
  // Registers a named class; 0 for a bad record or a name already taken.
  ATOM RegisterClass(const WNDCLASSEXW& info);
  // WC_DIALOG (the system dialog class) or a registered name; the result is what
  // GetClassInfoExW returns, with `info` filled and its cbSize kept.
  BOOL ClassInfo(LPCWSTR className, WNDCLASSEXW& info) const;
  std::optional<WNDCLASSEXW> Class(WStringView name) const;

  // --- Resources ----------------------------------------------------------------------
  // Makes dialogs buildable by id. The templates must outlive the model, as static data
  // does; a later template with the same id replaces the earlier one.
  void RegisterTemplates(std::span<const resources::DialogTemplate> dialogs);
  // The template a name such as MAKEINTRESOURCEW(id) stands for, or null.
  const resources::DialogTemplate* Template(LPCWSTR name) const;
  // A new handle for image resource `id` (0: one of the system's), as LoadImageW gives
  // them out; ImageOf tells which image a handle, a class's hIcon say, stands for (0
  // for a handle not given out here).
  HANDLE AddImage(uintptr_t id);
  uintptr_t ImageOf(const void* image) const;

 private:
  struct Entry {
    Window window;
    uintptr_t dialog = 0;
    int modalChildren = 0;
    LONG_PTR user = 0;
    bool retired = false;                         // kept only for Inspect
    std::unordered_map<int, uintptr_t> controls;  // a dialog's controls by id
  };
  // A live window's entry; Kept also finds a retired one.
  const Entry* Find(HWND window) const;
  Entry* Find(HWND window);
  const Entry* Kept(HWND window) const;
  Entry& Add(uintptr_t dialog, int id);  // with mu_ held
  void FailRequests(uintptr_t dialog);

  mutable std::mutex mu_;
  std::condition_variable served_;
  std::unordered_map<uintptr_t, Entry> windows_;
  std::vector<std::shared_ptr<Request>> pending_;
  std::map<WString, WNDCLASSEXW, std::less<>> classes_;
  std::map<int, const resources::DialogTemplate*> templates_;
  // Image ids by handle, from FirstImage; the first is the system's arrow cursor, which
  // the dialog class carries.
  std::vector<uintptr_t> images_ = {0};
  static constexpr uintptr_t FirstHandle = 0x10000;
  uintptr_t next_ = FirstHandle;
  ATOM nextAtom_ = 0xC000;  // where Windows numbers registered classes
  bool closed_ = false;
  bool keepRetired_ = false;
};

// Copies the chosen `path` into a file dialog's record as GetOpenFileNameW does: the
// path and its terminator in lpstrFile, nFileOffset at the name (after the last '\' or
// '/'), nFileExtension after the name's last '.', or at the terminator when the name
// has none (0 when the name ends in '.'). FALSE, and the record untouched, for an empty
// path or one that does not fit in nMaxFile units with its terminator.
[[nodiscard]] BOOL StoreChosenPath(OPENFILENAMEW& record, WStringView path);

// Copies a window's `text` into GetWindowTextW's `buffer` of `size` units: as much as
// fits before its terminator. Returns the units copied; writes nothing without a buffer.
int StoreWindowText(WStringView text, LPWSTR buffer, int size);

}  // namespace tavrinole
