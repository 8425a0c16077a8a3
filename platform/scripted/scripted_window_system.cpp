#include "platform/scripted/scripted_window_system.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <system_error>
#include <utility>

namespace tavrinole {
namespace {

using Lock = std::unique_lock<std::mutex>;
using resources::ControlKind;

constexpr uintptr_t DialogClassAtom = 0x8002;
constexpr UINT DialogClassStyle = 0x0808;  // CS_DBLCLKS | CS_SAVEBITS
constexpr int DialogWindowExtra = 30;      // DLGWINDOWEXTRA

uintptr_t Key(const void* handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

// Stands for the system's default dialog procedure in the dialog class we hand out.
LRESULT CALLBACK SystemDialogWindowProc(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

WString Copy(LPCWSTR text) {
  return text != nullptr ? WString(text) : WString();
}

}  // namespace

struct ScriptedWindowSystem::Impl {
  struct Window {
    HWND hwnd = nullptr;
    HWND dialog = nullptr;  // itself for a dialog, its parent for a control
    int id = 0;             // template id for a dialog, control id for a control
    bool isDialog = false;
    ControlKind kind = ControlKind::StaticText;
    WString text;
    bool enabled = true;
    bool checked = false;
    bool tabStop = false;
    // Dialogs only.
    int modalChildren = 0;  // open modal dialogs and held boxes it owns
    DLGPROC proc = nullptr;
    LONG_PTR user = 0;  // DWLP_USER
    bool modal = false;
    bool ended = false;
    bool destroyed = false;
    INT_PTR result = 0;
    std::vector<HWND> controls;
  };

  struct ThreadRec {
    uintptr_t handle = 0;  // 0: a thread not started here (the test's own, say)
    std::thread thread;
    std::thread::id id;
    bool done = false;
    bool joining = false;         // someone is joining it
    ThreadRec* joiner = nullptr;  // who, so that it counts as running again once this ends
    bool blocked = false;         // inside one of our blocking calls
    bool sleeping = false;
    bool alertable = false;
    bool alertPending = false;
    bool alerted = false;
    uint64_t wakeAt = 0;
  };

  struct Request {
    enum class Kind { SetText, EndDialog } kind = Kind::SetText;
    HWND window = nullptr;
    WString text;
    INT_PTR result = 0;
    std::thread::id from;
    ThreadRec* waiter = nullptr;
    bool done = false;
    BOOL ok = FALSE;
  };

  enum class ActionKind { Click, Escape, Enter, Close, Dismiss, Wait, WaitIdle, Call };
  struct Action {
    ActionKind kind = ActionKind::Click;
    int templateId = 0;
    int controlId = 0;
    DWORD ms = 0;
    std::function<void()> call;
  };

  struct BoxAnswer {
    int result = IDOK;
    bool hold = false;
  };
  struct FileAnswer {
    bool cancel = true;
    WString path;
    bool hold = false;
  };
  struct HeldBox {
    bool done = false;
    ThreadRec* waiter = nullptr;
  };

  // What a dialog is built from: the template's ids, texts and initial flags.
  struct StoredControl {
    int id = 0;
    ControlKind kind = ControlKind::StaticText;
    WString text;
    bool enabled = true;
    bool tabStop = false;
  };
  struct StoredTemplate {
    int id = 0;
    WString title;
    std::vector<StoredControl> controls;
  };

  Impl(WindowSystem& self, Options o) : self(self), options(o) {}

  WindowSystem& self;  // named as the caller of every dialog procedure
  Options options;
  mutable std::mutex mu;
  std::condition_variable cv;
  uint64_t generation = 0;
  bool shutdown = false;
  uint64_t now = 0;
  uintptr_t nextKey = 0x10000;
  uintptr_t nextThread = 0;
  ATOM nextAtom = 0xC000;
  std::optional<std::thread::id> gui;

  std::map<int, StoredTemplate> templates;
  std::map<uintptr_t, Window> windows;  // never erased: stale handles stay recognisable
  std::map<uintptr_t, std::unique_ptr<ThreadRec>> threads;  // started here, by handle
  std::deque<std::unique_ptr<ThreadRec>> others;            // other threads that called us
  std::map<std::thread::id, ThreadRec*> byId;               // live threads
  std::deque<std::shared_ptr<Request>> requests;
  std::deque<Action> actions;
  std::deque<BoxAnswer> boxAnswers;
  std::deque<FileAnswer> fileAnswers;
  std::vector<std::shared_ptr<HeldBox>> held;
  std::map<std::string, int, std::less<>> failures;
  std::map<WString, WNDCLASSEXW> classes;
  std::vector<CallRecord> calls;
  std::vector<FileDialogRecord> fileDialogs;
  std::vector<std::string> problems;

  template <typename T>
  void Enqueue(std::deque<T>& queue, T item) {
    std::lock_guard<std::mutex> lock(mu);
    queue.push_back(std::move(item));
    Notify();
  }

  // --- Bookkeeping (all with mu held) -------------------------------------------------

  void Notify() {
    ++generation;
    cv.notify_all();
  }

  // Waits for any change; false if none came within the real timeout.
  bool WaitChange(Lock& lock) {
    uint64_t seen = generation;
    return cv.wait_for(lock, options.realTimeout, [&] { return generation != seen || shutdown; });
  }

  bool OnGui() const { return gui && *gui == std::this_thread::get_id(); }
  void ClaimGui() {
    if (!gui) gui = std::this_thread::get_id();
  }

  Window* Find(HWND hwnd) {
    auto it = windows.find(Key(hwnd));
    return it == windows.end() ? nullptr : &it->second;
  }
  const Window* Find(HWND hwnd) const {
    auto it = windows.find(Key(hwnd));
    return it == windows.end() ? nullptr : &it->second;
  }
  // The window if its dialog still exists.
  Window* Live(HWND hwnd) {
    Window* w = Find(hwnd);
    return w != nullptr && !Find(w->dialog)->destroyed ? w : nullptr;
  }
  Window* DialogOf(HWND hwnd) {
    Window* w = Find(hwnd);
    return w != nullptr ? Find(w->dialog) : nullptr;
  }
  Window* ControlOf(Window& dialog, int id) {
    for (HWND c : dialog.controls) {
      if (Window* w = Find(c); w->id == id) return w;
    }
    return nullptr;
  }
  HWND NewestOpen(int templateId) {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
      const Window& w = it->second;
      if (w.isDialog && w.id == templateId && !w.ended && !w.destroyed) return w.hwnd;
    }
    return nullptr;
  }
  static bool TakesInput(const Window& dialog) {
    return !dialog.destroyed && !dialog.ended && dialog.enabled && dialog.modalChildren == 0;
  }

  size_t Record(std::string op, HWND window, std::thread::id thread = std::this_thread::get_id()) {
    CallRecord r;
    r.op = std::move(op);
    r.window = window;
    if (const Window* w = Find(window)) r.id = w->id;
    r.thread = thread;
    r.onGuiThread = gui && *gui == thread;
    r.time = now;
    calls.push_back(std::move(r));
    return calls.size() - 1;
  }
  void Problem(std::string text) { problems.push_back(std::move(text)); }

  bool ConsumeFailure(std::string_view op) {
    auto it = failures.find(op);
    if (it == failures.end() || it->second <= 0) return false;
    --it->second;
    return true;
  }

  ThreadRec* Current() {
    auto it = byId.find(std::this_thread::get_id());
    if (it != byId.end()) return it->second;
    others.push_back(std::make_unique<ThreadRec>());
    ThreadRec* rec = others.back().get();
    rec->id = std::this_thread::get_id();
    byId[rec->id] = rec;
    return rec;
  }

  // Idle: no request waits for the GUI thread and every thread started here is blocked
  // in one of our calls or has returned.
  bool Idle() const {
    if (!requests.empty()) return false;
    for (const auto& [handle, t] : threads) {
      if (!t->done && !t->blocked) return false;
    }
    return true;
  }
  std::optional<uint64_t> EarliestSleeper() const {
    std::optional<uint64_t> earliest;
    for (const auto& [handle, t] : threads) {
      if (t->sleeping && (!earliest || t->wakeAt < *earliest)) earliest = t->wakeAt;
    }
    return earliest;
  }
  void SetClock(uint64_t time) {
    now = std::max(now, time);
    for (auto& [handle, t] : threads) {
      if (t->sleeping && t->wakeAt <= now) {
        t->sleeping = false;
        t->blocked = false;
      }
    }
    Notify();
  }

  // --- Windows ------------------------------------------------------------------------

  HWND NewHandle() {
    nextKey += 4;
    return reinterpret_cast<HWND>(nextKey);
  }

  HWND MakeDialog(const StoredTemplate& t, DLGPROC proc, bool modal) {
    HWND hwnd = NewHandle();
    Window d;
    d.hwnd = d.dialog = hwnd;
    d.id = t.id;
    d.isDialog = true;
    d.text = t.title;
    d.proc = proc;
    d.modal = modal;
    for (const StoredControl& c : t.controls) {
      Window w;
      w.hwnd = NewHandle();
      w.dialog = hwnd;
      w.id = c.id;
      w.kind = c.kind;
      w.text = c.text;
      w.enabled = c.enabled;
      w.tabStop = c.tabStop;
      d.controls.push_back(w.hwnd);
      windows.emplace(Key(w.hwnd), std::move(w));
    }
    windows.emplace(Key(hwnd), std::move(d));
    return hwnd;
  }

  HWND FirstTabStop(Window& dialog) {
    for (HWND c : dialog.controls) {
      if (Window* w = Find(c); w->tabStop && w->enabled) return c;
    }
    return nullptr;
  }

  INT_PTR CallProc(Lock& lock, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* d = Find(dialog);
    if (d == nullptr || d->destroyed || d->proc == nullptr) return 0;
    DLGPROC proc = d->proc;
    lock.unlock();
    const WindowSystem::CallingScope calling(self);
    INT_PTR result = proc(dialog, message, wParam, lParam);
    lock.lock();
    return result;
  }

  void Complete(Request& r, BOOL ok) {
    r.done = true;
    r.ok = ok;
    if (r.waiter != nullptr) r.waiter->blocked = false;
    if (r.kind == Request::Kind::SetText) {
      size_t i = Record("SetWindowTextW", r.window, r.from);
      calls[i].text = r.text;
      calls[i].result = ok;
    }
    Notify();
  }

  // Text requests to a dialog that has ended fail at once, like those on a destroyed one.
  void FailRequestsTo(const Window& dialog) {
    for (auto it = requests.begin(); it != requests.end();) {
      Window* w = Find((*it)->window);
      if ((*it)->kind == Request::Kind::SetText && w != nullptr && w->dialog == dialog.hwnd) {
        Complete(**it, FALSE);
        it = requests.erase(it);
      } else {
        ++it;
      }
    }
  }

  void Destroy(Window& dialog) {
    dialog.ended = true;
    dialog.destroyed = true;
    FailRequestsTo(dialog);
    Notify();
  }

  void MarkEnded(Window& dialog, INT_PTR result) {
    if (dialog.ended || dialog.destroyed) return;
    dialog.ended = true;
    dialog.result = result;
    FailRequestsTo(dialog);
    if (!dialog.modal) Destroy(dialog);
    Notify();
  }

  void ServeRequest() {
    std::shared_ptr<Request> r = requests.front();
    requests.pop_front();
    if (r->kind == Request::Kind::SetText) {
      Window* w = Find(r->window);
      Window* d = w != nullptr ? Find(w->dialog) : nullptr;
      bool ok = d != nullptr && !d->ended && !d->destroyed;
      if (ok) w->text = r->text;
      Complete(*r, ok);
    } else {
      if (Window* d = Find(r->window); d != nullptr && d->isDialog) MarkEnded(*d, r->result);
      Complete(*r, TRUE);
    }
  }

  // --- Loops --------------------------------------------------------------------------

  // The GUI thread's pump: requests first, then the user's next action, until `done`.
  // A loop whose script has run dry lets virtual time pass for sleeping threads, up to
  // the limit, and otherwise gives up (false).
  bool ServeUntil(Lock& lock, const std::function<bool()>& done) {
    uint64_t lastAction = now;
    while (!done()) {
      if (shutdown) return false;
      if (!requests.empty()) {
        ServeRequest();
        continue;
      }
      if (!actions.empty()) {
        Action action = std::move(actions.front());
        actions.pop_front();
        ServeAction(lock, action);
        lastAction = now;
        continue;
      }
      if (Idle()) {
        std::optional<uint64_t> next = EarliestSleeper();
        if (next && *next - lastAction <= options.autoAdvanceLimit) {
          SetClock(*next);
          continue;
        }
        Problem("the script ran dry before the loop ended");
        return false;
      }
      if (!WaitChange(lock)) {
        Problem("timed out waiting for a thread started here");
        return false;
      }
    }
    return true;
  }

  bool WaitIdle(Lock& lock) {
    while (!shutdown) {
      if (!requests.empty() && (!gui || OnGui())) {
        ServeRequest();
        continue;
      }
      if (Idle()) return true;
      if (!WaitChange(lock)) {
        Problem("timed out waiting for the threads started here to go idle");
        return false;
      }
    }
    return false;
  }

  // Lets `ms` of virtual time pass, waking sleepers in deadline order and letting each
  // run until everything is idle again.
  void AdvanceBy(Lock& lock, DWORD ms) {
    uint64_t target = now + ms;
    while (WaitIdle(lock)) {
      std::optional<uint64_t> next = EarliestSleeper();
      if (!next || *next > target) break;
      SetClock(*next);
    }
    SetClock(target);
    WaitIdle(lock);
  }

  bool Deliver(Lock& lock, ActionKind kind, HWND dialog, int controlId) {
    static constexpr const char* Names[] = {"Click", "Escape", "Enter", "Close"};
    size_t i = Record(Names[static_cast<int>(kind)], dialog);
    if (kind == ActionKind::Click) calls[i].args = {controlId};
    Window* d = Find(dialog);
    if (d == nullptr || !d->isDialog || !TakesInput(*d)) return false;
    UINT message = WM_COMMAND;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    switch (kind) {
      case ActionKind::Click: {
        Window* c = ControlOf(*d, controlId);
        if (c == nullptr || !c->enabled || c->kind == ControlKind::StaticText) return false;
        if (c->kind == ControlKind::AutoCheckBox) c->checked = !c->checked;
        calls[i].window = c->hwnd;
        calls[i].id = controlId;
        wParam = MAKEWPARAM(static_cast<WORD>(controlId), BN_CLICKED);
        lParam = reinterpret_cast<LPARAM>(c->hwnd);
        break;
      }
      case ActionKind::Escape:
        wParam = MAKEWPARAM(IDCANCEL, BN_CLICKED);
        break;
      case ActionKind::Enter:
        wParam = MAKEWPARAM(IDOK, BN_CLICKED);
        break;
      default:
        message = WM_CLOSE;
        break;
    }
    calls[i].result = 1;
    CallProc(lock, dialog, message, wParam, lParam);
    return true;
  }

  bool DismissNewest() {
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
      if ((*it)->done) continue;
      (*it)->done = true;
      if ((*it)->waiter != nullptr) (*it)->waiter->blocked = false;
      Notify();
      return true;
    }
    return false;
  }

  void ServeAction(Lock& lock, Action& action) {
    switch (action.kind) {
      case ActionKind::Click:
      case ActionKind::Escape:
      case ActionKind::Enter:
      case ActionKind::Close: {
        HWND dialog = NewestOpen(action.templateId);
        if (dialog == nullptr)
          Problem("an action for dialog " + std::to_string(action.templateId) +
                  ", which is not open");
        Deliver(lock, action.kind, dialog, action.controlId);
        break;
      }
      case ActionKind::Dismiss:
        Record("Dismiss", nullptr);
        if (!DismissNewest()) Problem("Dismiss with no held box or file dialog open");
        break;
      case ActionKind::Wait:
        calls[Record("Wait", nullptr)].args = {static_cast<intptr_t>(action.ms)};
        AdvanceBy(lock, action.ms);
        break;
      case ActionKind::WaitIdle:
        WaitIdle(lock);
        break;
      case ActionKind::Call:
        lock.unlock();
        action.call();
        lock.lock();
        break;
    }
  }

  // Keeps a box or file dialog open until it is dismissed. Its owner's dialog takes no
  // input meanwhile; on the GUI thread the loop keeps serving, elsewhere only the
  // calling thread waits.
  void HoldOpen(Lock& lock, HWND owner) {
    auto box = std::make_shared<HeldBox>();
    Window* ownerDialog = DialogOf(owner);
    if (ownerDialog != nullptr) ++ownerDialog->modalChildren;
    held.push_back(box);
    Notify();
    if (OnGui()) {
      if (!ServeUntil(lock, [&] { return box->done; })) box->done = true;
    } else {
      box->waiter = Current();
      box->waiter->blocked = true;
      Notify();
      cv.wait(lock, [&] { return box->done || shutdown; });
      box->waiter->blocked = false;
    }
    if (ownerDialog != nullptr) --ownerDialog->modalChildren;
    held.erase(std::find(held.begin(), held.end(), box));
    Notify();
  }

  BOOL FileDialog(const char* op, LPOPENFILENAMEW ofn) {
    Lock lock(mu);
    size_t i = Record(op, ofn != nullptr ? ofn->hwndOwner : nullptr);
    if (ofn == nullptr) return FALSE;
    calls[i].args = {static_cast<intptr_t>(ofn->lStructSize), static_cast<intptr_t>(ofn->Flags),
                     static_cast<intptr_t>(ofn->nFilterIndex),
                     static_cast<intptr_t>(ofn->nMaxFile)};
    FileDialogRecord fr;
    fr.op = op;
    fr.record = *ofn;
    fr.filter = ParseFilter(ofn->lpstrFilter);
    fr.thread = std::this_thread::get_id();
    if (ofn->lpstrFile != nullptr && ofn->nMaxFile > 0) {
      WStringView given(ofn->lpstrFile, ofn->nMaxFile);
      fr.fileOnEntry = WString(given.substr(0, given.find(WCHAR(0))));
    }
    if (ofn->lStructSize != sizeof(OPENFILENAMEW)) {
      Problem(std::string(op) + " with a wrong lStructSize");
      fileDialogs.push_back(std::move(fr));
      return FALSE;
    }
    FileAnswer answer;
    if (!fileAnswers.empty()) {
      answer = std::move(fileAnswers.front());
      fileAnswers.pop_front();
    } else {
      Problem(std::string("unscripted ") + op + ", cancelled");
    }
    if (answer.hold) HoldOpen(lock, ofn->hwndOwner);
    BOOL ok = FALSE;
    if (!answer.cancel && ofn->lpstrFile != nullptr && answer.path.size() < ofn->nMaxFile) {
      std::copy(answer.path.begin(), answer.path.end(), ofn->lpstrFile);
      ofn->lpstrFile[answer.path.size()] = 0;
      size_t slash = answer.path.find_last_of(WTEXT("\\/"));
      size_t nameAt = slash == WString::npos ? 0 : slash + 1;
      size_t dot = answer.path.find_last_of(WCHAR('.'));
      ofn->nFileOffset = static_cast<WORD>(nameAt);
      ofn->nFileExtension =
          static_cast<WORD>(dot != WString::npos && dot >= nameAt ? dot + 1 : answer.path.size());
      fr.chosen = answer.path;
      ok = TRUE;
    }
    fr.result = ok;
    calls[i].text = fr.chosen;
    calls[i].result = ok;
    fileDialogs.push_back(std::move(fr));
    return ok;
  }
};

// --- Construction ----------------------------------------------------------------------

ScriptedWindowSystem::ScriptedWindowSystem() : ScriptedWindowSystem(Options{}) {}

ScriptedWindowSystem::ScriptedWindowSystem(Options options)
    : impl_(std::make_unique<Impl>(*this, options)) {}

ScriptedWindowSystem::~ScriptedWindowSystem() {
  Impl& s = *impl_;
  Lock lock(s.mu);
  s.shutdown = true;
  while (!s.requests.empty()) {
    s.Complete(*s.requests.front(), FALSE);
    s.requests.pop_front();
  }
  for (auto& box : s.held) box->done = true;
  for (auto& [handle, t] : s.threads) t->sleeping = false;
  s.Notify();
  // Join every thread nobody else is joining; wait for those someone is.
  while (!s.threads.empty()) {
    auto it = std::find_if(s.threads.begin(), s.threads.end(),
                           [](const auto& entry) { return !entry.second->joining; });
    if (it == s.threads.end()) {
      s.cv.wait(lock);
      continue;
    }
    std::thread thread = std::move(it->second->thread);
    std::unique_ptr<Impl::ThreadRec> rec = std::move(it->second);
    s.threads.erase(it);
    lock.unlock();
    if (thread.joinable()) thread.join();
    lock.lock();
  }
}

void ScriptedWindowSystem::RegisterTemplate(const resources::DialogTemplate& dialog) {
  Impl::StoredTemplate stored{dialog.Id, WString(dialog.Title.begin(), dialog.Title.end()), {}};
  for (const resources::ControlTemplate& c : dialog.Controls) {
    stored.controls.push_back(
        {c.Id, c.Kind, WString(c.Text.begin(), c.Text.end()), c.Enabled(), c.TabStop()});
  }
  Lock lock(impl_->mu);
  impl_->templates[dialog.Id] = std::move(stored);
}

void ScriptedWindowSystem::RegisterTemplates(std::span<const resources::DialogTemplate> dialogs) {
  for (const resources::DialogTemplate& dialog : dialogs) RegisterTemplate(dialog);
}

// --- Dialogs ---------------------------------------------------------------------------

INT_PTR ScriptedWindowSystem::DialogBoxParamW(HINSTANCE, LPCWSTR templateName, HWND owner,
                                              DLGPROC proc, LPARAM param) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("DialogBoxParamW", owner);
  int templateId = IS_INTRESOURCE(templateName) ? LOWORD(Key(templateName)) : 0;
  s.calls[i].args = {templateId, param};
  s.calls[i].result = -1;
  if (s.ConsumeFailure("DialogBoxParamW")) return -1;
  auto t = s.templates.find(templateId);
  if (t == s.templates.end()) {
    s.Problem("DialogBoxParamW for unknown template " + std::to_string(templateId));
    return -1;
  }
  s.ClaimGui();
  if (!s.OnGui()) s.Problem("DialogBoxParamW off the GUI thread");
  HWND dialog = s.MakeDialog(t->second, proc, true);
  Impl::Window* ownerDialog = s.DialogOf(owner);
  if (ownerDialog != nullptr) ++ownerDialog->modalChildren;
  s.Notify();
  HWND focus = s.FirstTabStop(*s.Find(dialog));
  s.CallProc(lock, dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
  if (!s.ServeUntil(lock, [&] { return s.Find(dialog)->ended; })) {
    s.MarkEnded(*s.Find(dialog), Abandoned);
  }
  if (ownerDialog != nullptr) --ownerDialog->modalChildren;
  Impl::Window& d = *s.Find(dialog);
  s.Destroy(d);
  s.calls[i].result = d.result;
  return d.result;
}

BOOL ScriptedWindowSystem::EndDialog(HWND dialog, INT_PTR result) {
  Impl& s = *impl_;
  {
    Lock lock(s.mu);
    if (!s.gui || s.OnGui()) {
      size_t i = s.Record("EndDialog", dialog);
      s.calls[i].args = {result};
      Impl::Window* d = s.Find(dialog);
      if (d == nullptr || !d->isDialog || d->destroyed) return FALSE;
      s.MarkEnded(*d, result);
      s.calls[i].result = TRUE;
      return TRUE;
    }
  }
  return PostEndDialog(dialog, result);
}

BOOL ScriptedWindowSystem::PostEndDialog(HWND dialog, INT_PTR result) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("PostEndDialog", dialog);
  s.calls[i].args = {result};
  Impl::Window* d = s.Find(dialog);
  if (d == nullptr || !d->isDialog || d->ended || d->destroyed) return FALSE;
  auto request = std::make_shared<Impl::Request>();
  request->kind = Impl::Request::Kind::EndDialog;
  request->window = dialog;
  request->result = result;
  request->from = std::this_thread::get_id();
  s.requests.push_back(request);
  s.calls[i].result = TRUE;
  s.Notify();
  return TRUE;
}

HWND ScriptedWindowSystem::GetDlgItem(HWND dialog, int id) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  Impl::Window* d = s.Live(dialog);
  if (d == nullptr || !d->isDialog) return nullptr;
  Impl::Window* c = s.ControlOf(*d, id);
  return c != nullptr ? c->hwnd : nullptr;
}

LONG_PTR ScriptedWindowSystem::SetWindowLongPtrW(HWND dialog, int index, LONG_PTR value) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  Impl::Window* d = s.Live(dialog);
  if (d == nullptr || !d->isDialog || index != DWLP_USER) return 0;
  return std::exchange(d->user, value);
}

LONG_PTR ScriptedWindowSystem::GetWindowLongPtrW(HWND dialog, int index) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  Impl::Window* d = s.Live(dialog);
  if (d == nullptr || !d->isDialog || index != DWLP_USER) return 0;
  return d->user;
}

// --- Controls --------------------------------------------------------------------------

BOOL ScriptedWindowSystem::EnableWindow(HWND window, BOOL enable) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("EnableWindow", window);
  s.calls[i].args = {enable};
  Impl::Window* w = s.Live(window);
  if (w == nullptr) return FALSE;
  BOOL wasDisabled = w->enabled ? FALSE : TRUE;
  w->enabled = enable != FALSE;
  s.calls[i].result = wasDisabled;
  s.Notify();
  return wasDisabled;
}

BOOL ScriptedWindowSystem::IsWindowEnabled(HWND window) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  Impl::Window* w = s.Live(window);
  if (w == nullptr) return FALSE;
  return w->enabled && (!w->isDialog || w->modalChildren == 0) ? TRUE : FALSE;
}

BOOL ScriptedWindowSystem::SetWindowTextW(HWND window, LPCWSTR text) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  Impl::Window* w = s.Live(window);
  bool sameThread = !s.gui || s.OnGui();
  if (w == nullptr || s.shutdown || (!sameThread && s.DialogOf(window)->ended)) {
    size_t i = s.Record("SetWindowTextW", window);
    s.calls[i].text = Copy(text);
    return FALSE;
  }
  if (sameThread) {
    w->text = Copy(text);
    size_t i = s.Record("SetWindowTextW", window);
    s.calls[i].text = w->text;
    s.calls[i].result = TRUE;
    return TRUE;
  }
  auto request = std::make_shared<Impl::Request>();
  request->window = window;
  request->text = Copy(text);
  request->from = std::this_thread::get_id();
  request->waiter = s.Current();
  request->waiter->blocked = true;
  s.requests.push_back(request);
  s.Notify();
  s.cv.wait(lock, [&] { return request->done; });
  request->waiter->blocked = false;
  return request->ok;
}

int ScriptedWindowSystem::GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  if (buffer == nullptr || maxCount <= 0) return 0;
  buffer[0] = 0;
  Impl::Window* w = s.Live(window);
  if (w == nullptr) return 0;
  size_t n = std::min(w->text.size(), static_cast<size_t>(maxCount - 1));
  std::copy_n(w->text.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

LRESULT ScriptedWindowSystem::SendMessageW(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("SendMessageW", window);
  s.calls[i].args = {static_cast<intptr_t>(message), static_cast<intptr_t>(wParam), lParam};
  Impl::Window* w = s.Live(window);
  if (w == nullptr) return 0;
  if (s.gui && !s.OnGui()) s.Problem("SendMessageW off the GUI thread");
  LRESULT result = 0;
  if (w->isDialog) {
    result = s.CallProc(lock, window, message, wParam, lParam);
  } else if (w->kind == ControlKind::AutoCheckBox && message == BM_GETCHECK) {
    result = w->checked ? BST_CHECKED : BST_UNCHECKED;
  } else if (w->kind == ControlKind::AutoCheckBox && message == BM_SETCHECK) {
    w->checked = static_cast<LRESULT>(wParam) == BST_CHECKED;
  }
  s.calls[i].result = result;
  return result;
}

// --- Message boxes and file dialogs ------------------------------------------------------

int ScriptedWindowSystem::MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("MessageBoxW", owner);
  s.calls[i].text = Copy(text);
  s.calls[i].caption = Copy(caption);
  s.calls[i].args = {static_cast<intptr_t>(type)};
  Impl::BoxAnswer answer;
  if (!s.boxAnswers.empty()) {
    answer = s.boxAnswers.front();
    s.boxAnswers.pop_front();
  } else if ((type & 0xF) != MB_OK) {
    s.Problem("unscripted message box answered No");
    answer.result = IDNO;
  }
  if (answer.hold) s.HoldOpen(lock, owner);
  s.calls[i].result = answer.result;
  return answer.result;
}

BOOL ScriptedWindowSystem::GetOpenFileNameW(LPOPENFILENAMEW record) {
  return impl_->FileDialog("GetOpenFileNameW", record);
}

BOOL ScriptedWindowSystem::GetSaveFileNameW(LPOPENFILENAMEW record) {
  return impl_->FileDialog("GetSaveFileNameW", record);
}

// --- Start-up ------------------------------------------------------------------------------

BOOL ScriptedWindowSystem::InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("InitCommonControlsEx", nullptr);
  if (init == nullptr) return FALSE;
  s.calls[i].args = {static_cast<intptr_t>(init->dwSize), static_cast<intptr_t>(init->dwICC)};
  if (s.ConsumeFailure("InitCommonControlsEx") || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
    return FALSE;
  }
  s.calls[i].result = TRUE;
  return TRUE;
}

BOOL ScriptedWindowSystem::GetClassInfoExW(HINSTANCE, LPCWSTR className, LPWNDCLASSEXW info) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("GetClassInfoExW", nullptr);
  bool isAtom = IS_INTRESOURCE(className);
  if (!isAtom) s.calls[i].text = Copy(className);
  s.calls[i].args = {isAtom ? static_cast<intptr_t>(Key(className)) : 0,
                     info != nullptr ? static_cast<intptr_t>(info->cbSize) : 0};
  if (info == nullptr || s.ConsumeFailure("GetClassInfoExW")) return FALSE;
  UINT size = info->cbSize;
  BOOL found = FALSE;
  if (isAtom && Key(className) == DialogClassAtom) {
    *info = WNDCLASSEXW{};
    info->style = DialogClassStyle;
    info->lpfnWndProc = SystemDialogWindowProc;
    info->cbWndExtra = DialogWindowExtra;
    info->hCursor = reinterpret_cast<HCURSOR>(s.NewHandle());
    info->lpszClassName = className;
    found = static_cast<BOOL>(DialogClassAtom);
  } else if (!isAtom && className != nullptr) {
    auto it = s.classes.find(WString(className));
    if (it != s.classes.end()) {
      *info = it->second;
      found = TRUE;
    }
  }
  if (found) info->cbSize = size;
  s.calls[i].result = found;
  return found;
}

ATOM ScriptedWindowSystem::RegisterClassExW(const WNDCLASSEXW* info) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("RegisterClassExW", nullptr);
  if (info == nullptr) return 0;
  s.calls[i].args = {static_cast<intptr_t>(info->cbSize)};
  bool named = info->lpszClassName != nullptr && !IS_INTRESOURCE(info->lpszClassName);
  if (named) s.calls[i].text = info->lpszClassName;
  if (s.ConsumeFailure("RegisterClassExW") || info->cbSize != sizeof(WNDCLASSEXW) || !named) {
    return 0;
  }
  auto [it, added] = s.classes.emplace(WString(info->lpszClassName), *info);
  if (!added) return 0;
  it->second.lpszClassName = it->first.c_str();
  ATOM atom = s.nextAtom++;
  s.calls[i].result = atom;
  return atom;
}

HANDLE ScriptedWindowSystem::LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int cx, int cy,
                                        UINT flags) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("LoadImageW", nullptr);
  s.calls[i].args = {IS_INTRESOURCE(name) ? static_cast<intptr_t>(Key(name)) : -1,
                     static_cast<intptr_t>(type), cx, cy, static_cast<intptr_t>(flags)};
  if (s.ConsumeFailure("LoadImageW")) return nullptr;
  HANDLE image = s.NewHandle();
  s.calls[i].result = static_cast<intptr_t>(Key(image));
  return image;
}

// --- Threads and time ------------------------------------------------------------------------

ThreadHandle ScriptedWindowSystem::BeginThread(ThreadRoutine routine, void* argument) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("BeginThread", nullptr);
  if (s.shutdown || s.ConsumeFailure("BeginThread")) return ThreadHandle::None;
  auto rec = std::make_unique<Impl::ThreadRec>();
  Impl::ThreadRec* t = rec.get();
  t->handle = ++s.nextThread;
  try {
    t->thread = std::thread([&s, t, routine, argument] {
      { Lock wait(s.mu); }  // until the starter has registered this thread
      routine(argument);
      Lock done(s.mu);
      t->done = true;
      t->blocked = false;
      // The joiner is runnable from now on; were it still counted as blocked, a modal
      // loop could find everything idle before the joiner has woken and give up.
      if (t->joiner != nullptr) t->joiner->blocked = false;
      s.byId.erase(t->id);
      s.Notify();
    });
  } catch (const std::system_error&) {
    return ThreadHandle::None;
  }
  t->id = t->thread.get_id();
  s.byId[t->id] = t;
  s.threads[t->handle] = std::move(rec);
  s.calls[i].result = static_cast<intptr_t>(t->handle);
  s.Notify();
  return static_cast<ThreadHandle>(t->handle);
}

BOOL ScriptedWindowSystem::JoinThread(ThreadHandle thread) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  uintptr_t handle = static_cast<uintptr_t>(thread);
  size_t i = s.Record("JoinThread", nullptr);
  s.calls[i].args = {static_cast<intptr_t>(handle)};
  auto it = s.threads.find(handle);
  if (it == s.threads.end() || it->second->joining ||
      it->second->id == std::this_thread::get_id()) {
    return FALSE;
  }
  Impl::ThreadRec* t = it->second.get();
  t->joining = true;
  Impl::ThreadRec* me = s.Current();
  me->blocked = true;
  t->joiner = me;
  s.Notify();
  uint64_t start = s.now;
  while (!t->done && !s.shutdown) {
    if (s.Idle()) {  // only time can move things on: let it pass
      std::optional<uint64_t> next = s.EarliestSleeper();
      if (next && *next - start <= s.options.autoAdvanceLimit) {
        s.SetClock(*next);
        continue;
      }
    }
    if (!s.WaitChange(lock)) break;
  }
  me->blocked = false;
  if (!t->done) {
    t->joining = false;
    t->joiner = nullptr;
    s.Problem("JoinThread gave up waiting for a thread");
    s.Notify();
    return FALSE;
  }
  std::thread finished = std::move(t->thread);
  s.threads.erase(handle);
  s.calls[i].result = TRUE;
  s.Notify();
  lock.unlock();
  finished.join();
  return TRUE;
}

BOOL ScriptedWindowSystem::AlertThread(ThreadHandle thread) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  uintptr_t handle = static_cast<uintptr_t>(thread);
  size_t i = s.Record("AlertThread", nullptr);
  s.calls[i].args = {static_cast<intptr_t>(handle)};
  auto it = s.threads.find(handle);
  if (it == s.threads.end() || it->second->done) return FALSE;
  Impl::ThreadRec& t = *it->second;
  if (t.sleeping && t.alertable) {
    t.sleeping = false;
    t.blocked = false;
    t.alerted = true;
  } else {
    t.alertPending = true;
  }
  s.calls[i].result = TRUE;
  s.Notify();
  return TRUE;
}

DWORD ScriptedWindowSystem::SleepEx(DWORD milliseconds, BOOL alertable) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  Impl::ThreadRec* me = s.Current();
  size_t i = s.Record("SleepEx", nullptr);
  s.calls[i].args = {static_cast<intptr_t>(milliseconds), alertable};
  if (alertable && me->alertPending) {
    me->alertPending = false;
    s.calls[i].result = WAIT_IO_COMPLETION;
    return WAIT_IO_COMPLETION;
  }
  if (milliseconds == 0 || s.shutdown) return 0;
  if (me->handle == 0) {  // the driver's own thread: its sleep is time passing
    s.AdvanceBy(lock, milliseconds);
    return 0;
  }
  me->sleeping = true;
  me->alertable = alertable != FALSE;
  me->wakeAt = s.now + milliseconds;
  me->blocked = true;
  s.Notify();
  s.cv.wait(lock, [&] { return !me->sleeping || s.shutdown; });
  me->sleeping = false;
  me->blocked = false;
  if (me->alerted) {
    me->alerted = false;
    s.calls[i].result = WAIT_IO_COMPLETION;
    return WAIT_IO_COMPLETION;
  }
  return 0;
}

// --- Script ------------------------------------------------------------------------------------

void ScriptedWindowSystem::QueueClick(int templateId, int controlId) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Click, templateId, controlId, 0, {}});
}
void ScriptedWindowSystem::QueueEscape(int templateId) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Escape, templateId, 0, 0, {}});
}
void ScriptedWindowSystem::QueueEnter(int templateId) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Enter, templateId, 0, 0, {}});
}
void ScriptedWindowSystem::QueueClose(int templateId) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Close, templateId, 0, 0, {}});
}
void ScriptedWindowSystem::QueueDismiss() {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Dismiss, 0, 0, 0, {}});
}
void ScriptedWindowSystem::QueueWait(DWORD milliseconds) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Wait, 0, 0, milliseconds, {}});
}
void ScriptedWindowSystem::QueueWaitIdle() {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::WaitIdle, 0, 0, 0, {}});
}
void ScriptedWindowSystem::QueueCall(std::function<void()> call) {
  impl_->Enqueue(impl_->actions, {Impl::ActionKind::Call, 0, 0, 0, std::move(call)});
}

void ScriptedWindowSystem::AnswerMessageBox(int result, Hold hold) {
  impl_->Enqueue(impl_->boxAnswers, {result, hold == Hold::UntilDismissed});
}
void ScriptedWindowSystem::AnswerFileDialog(WStringView path, Hold hold) {
  impl_->Enqueue(impl_->fileAnswers, {false, WString(path), hold == Hold::UntilDismissed});
}
void ScriptedWindowSystem::CancelFileDialog(Hold hold) {
  impl_->Enqueue(impl_->fileAnswers, {true, WString(), hold == Hold::UntilDismissed});
}

void ScriptedWindowSystem::FailNext(std::string_view operation, int count) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  auto it = impl_->failures.try_emplace(std::string(operation), 0).first;
  it->second += count;
}

// --- Step by step ------------------------------------------------------------------------------

HWND ScriptedWindowSystem::OpenDialog(int templateId, HWND owner, DLGPROC proc, LPARAM param) {
  Impl& s = *impl_;
  Lock lock(s.mu);
  size_t i = s.Record("OpenDialog", owner);
  s.calls[i].args = {templateId, param};
  auto t = s.templates.find(templateId);
  if (t == s.templates.end()) {
    s.Problem("OpenDialog for unknown template " + std::to_string(templateId));
    return nullptr;
  }
  s.ClaimGui();
  HWND dialog = s.MakeDialog(t->second, proc, false);
  s.calls[i].result = static_cast<intptr_t>(Key(dialog));
  HWND focus = s.FirstTabStop(*s.Find(dialog));
  s.CallProc(lock, dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
  return dialog;
}

bool ScriptedWindowSystem::Click(HWND dialog, int controlId) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::ActionKind::Click, dialog, controlId);
}
bool ScriptedWindowSystem::PressEscape(HWND dialog) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::ActionKind::Escape, dialog, 0);
}
bool ScriptedWindowSystem::PressEnter(HWND dialog) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::ActionKind::Enter, dialog, 0);
}
bool ScriptedWindowSystem::Close(HWND dialog) {
  Lock lock(impl_->mu);
  return impl_->Deliver(lock, Impl::ActionKind::Close, dialog, 0);
}
bool ScriptedWindowSystem::Dismiss() {
  Lock lock(impl_->mu);
  return impl_->DismissNewest();
}
int ScriptedWindowSystem::Pump() {
  Lock lock(impl_->mu);
  int served = 0;
  for (; !impl_->requests.empty(); ++served) impl_->ServeRequest();
  return served;
}
bool ScriptedWindowSystem::WaitIdle() {
  Lock lock(impl_->mu);
  return impl_->WaitIdle(lock);
}
void ScriptedWindowSystem::AdvanceClock(DWORD milliseconds) {
  Lock lock(impl_->mu);
  impl_->AdvanceBy(lock, milliseconds);
}

// --- Inspection ----------------------------------------------------------------------------------

HWND ScriptedWindowSystem::LastDialog(int templateId) const {
  Lock lock(impl_->mu);
  for (auto it = impl_->windows.rbegin(); it != impl_->windows.rend(); ++it) {
    if (it->second.isDialog && it->second.id == templateId) return it->second.hwnd;
  }
  return nullptr;
}

HWND ScriptedWindowSystem::Control(HWND dialog, int id) const {
  Lock lock(impl_->mu);
  Impl::Window* d = impl_->Find(dialog);
  if (d == nullptr || !d->isDialog) return nullptr;
  Impl::Window* c = impl_->ControlOf(*d, id);
  return c != nullptr ? c->hwnd : nullptr;
}

WString ScriptedWindowSystem::Text(HWND window) const {
  Lock lock(impl_->mu);
  const Impl::Window* w = impl_->Find(window);
  return w != nullptr ? w->text : WString();
}

WString ScriptedWindowSystem::ControlText(HWND dialog, int id) const {
  return Text(Control(dialog, id));
}

bool ScriptedWindowSystem::ControlEnabled(HWND dialog, int id) const {
  HWND control = Control(dialog, id);
  Lock lock(impl_->mu);
  const Impl::Window* w = impl_->Find(control);
  return w != nullptr && w->enabled;
}

bool ScriptedWindowSystem::ControlChecked(HWND dialog, int id) const {
  HWND control = Control(dialog, id);
  Lock lock(impl_->mu);
  const Impl::Window* w = impl_->Find(control);
  return w != nullptr && w->checked;
}

bool ScriptedWindowSystem::DialogEnabled(HWND dialog) const {
  Lock lock(impl_->mu);
  const Impl::Window* d = impl_->Find(dialog);
  return d != nullptr && d->isDialog && d->enabled && d->modalChildren == 0;
}

bool ScriptedWindowSystem::HasEnded(HWND dialog) const {
  Lock lock(impl_->mu);
  const Impl::Window* d = impl_->Find(dialog);
  return d != nullptr && d->ended;
}

INT_PTR ScriptedWindowSystem::DialogResult(HWND dialog) const {
  Lock lock(impl_->mu);
  const Impl::Window* d = impl_->Find(dialog);
  return d != nullptr ? d->result : 0;
}

int ScriptedWindowSystem::HeldOpen() const {
  Lock lock(impl_->mu);
  return static_cast<int>(std::count_if(impl_->held.begin(), impl_->held.end(),
                                        [](const auto& box) { return !box->done; }));
}

int ScriptedWindowSystem::PendingRequests() const {
  Lock lock(impl_->mu);
  return static_cast<int>(impl_->requests.size());
}

uint64_t ScriptedWindowSystem::Now() const {
  Lock lock(impl_->mu);
  return impl_->now;
}

std::optional<std::thread::id> ScriptedWindowSystem::GuiThread() const {
  Lock lock(impl_->mu);
  return impl_->gui;
}

std::thread::id ScriptedWindowSystem::ThreadId(ThreadHandle thread) const {
  Lock lock(impl_->mu);
  auto it = impl_->threads.find(static_cast<uintptr_t>(thread));
  return it != impl_->threads.end() ? it->second->id : std::thread::id();
}

std::optional<WNDCLASSEXW> ScriptedWindowSystem::RegisteredClass(WStringView name) const {
  Lock lock(impl_->mu);
  auto it = impl_->classes.find(WString(name));
  if (it == impl_->classes.end()) return std::nullopt;
  return it->second;
}

std::vector<CallRecord> ScriptedWindowSystem::Calls() const {
  Lock lock(impl_->mu);
  return impl_->calls;
}

std::vector<CallRecord> ScriptedWindowSystem::Calls(std::string_view op) const {
  Lock lock(impl_->mu);
  std::vector<CallRecord> matching;
  for (const CallRecord& call : impl_->calls) {
    if (call.op == op) matching.push_back(call);
  }
  return matching;
}

std::vector<WString> ScriptedWindowSystem::TextsSet(HWND window) const {
  Lock lock(impl_->mu);
  std::vector<WString> texts;
  for (const CallRecord& call : impl_->calls) {
    if (call.op == "SetWindowTextW" && call.window == window && call.result) {
      texts.push_back(call.text);
    }
  }
  return texts;
}

std::vector<FileDialogRecord> ScriptedWindowSystem::FileDialogs() const {
  Lock lock(impl_->mu);
  return impl_->fileDialogs;
}

std::vector<std::string> ScriptedWindowSystem::Problems() const {
  Lock lock(impl_->mu);
  return impl_->problems;
}

}  // namespace tavrinole
