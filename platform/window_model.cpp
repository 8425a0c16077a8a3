#include "platform/window_model.h"

#include <algorithm>
#include <utility>

#include "engine/path.h"

namespace tavrinole {
namespace {

constexpr uintptr_t FirstImage = 0x7F000000;   // image handles, apart from the windows'
constexpr uintptr_t DialogClassAtom = 0x8002;  // WC_DIALOG, 32770
constexpr UINT DialogClassStyle = 0x0808;      // CS_DBLCLKS | CS_SAVEBITS
constexpr int DialogWindowExtra = 30;          // DLGWINDOWEXTRA

HWND Handle(uintptr_t key) {
  return reinterpret_cast<HWND>(key);
}

WString Text(std::u16string_view text) {
  return WString(text.begin(), text.end());
}

// Stands for the system's default dialog procedure in the class we hand out.
LRESULT CALLBACK SystemDialogWindowProc(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

}  // namespace

const WindowModel::Entry* WindowModel::Kept(HWND window) const {
  auto found = windows_.find(Key(window));
  return found == windows_.end() ? nullptr : &found->second;
}

const WindowModel::Entry* WindowModel::Find(HWND window) const {
  const Entry* entry = Kept(window);
  return entry == nullptr || entry->retired ? nullptr : entry;
}

WindowModel::Entry* WindowModel::Find(HWND window) {
  return const_cast<Entry*>(std::as_const(*this).Find(window));
}

// A new window of `dialog`, or with 0 a new dialog of its own.
WindowModel::Entry& WindowModel::Add(uintptr_t dialog, int id) {
  const uintptr_t key = next_++;
  Entry& entry = windows_[key];  // stays where it is while others are added
  entry.window.hwnd = Handle(key);
  entry.window.id = id;
  entry.window.isDialog = dialog == 0;
  entry.dialog = dialog == 0 ? key : dialog;
  if (dialog != 0) windows_[dialog].controls[id] = key;
  return entry;
}

HWND WindowModel::AddDialog(int templateId) {
  std::lock_guard lock(mu_);
  return Add(0, templateId).window.hwnd;
}

HWND WindowModel::AddControl(HWND dialog, int id) {
  std::lock_guard lock(mu_);
  const Entry* owner = Find(dialog);
  if (owner == nullptr || owner->dialog != Key(dialog)) return nullptr;
  return Add(Key(dialog), id).window.hwnd;
}

HWND WindowModel::AddDialog(const resources::DialogTemplate& dialog, DLGPROC proc, bool modal) {
  std::lock_guard lock(mu_);
  Window& added = Add(0, dialog.Id).window;
  added.text = Text(dialog.Title);
  added.proc = proc;
  added.modal = modal;
  for (const resources::ControlTemplate& control : dialog.Controls) {
    Window& window = Add(Key(added.hwnd), control.Id).window;
    window.kind = control.Kind;
    window.text = Text(control.Text);
    window.enabled = control.Enabled();
  }
  return added.hwnd;
}

void WindowModel::FailRequests(uintptr_t dialog) {
  for (const auto& request : pending_) {
    if (request->dialog == dialog) request->done = true;  // its result stays the failure
  }
  std::erase_if(pending_, [](const auto& request) { return request->done; });
  served_.notify_all();
}

bool WindowModel::End(HWND dialog, INT_PTR result) {
  std::lock_guard lock(mu_);
  Entry* entry = Find(dialog);
  if (entry == nullptr || entry->dialog != Key(dialog) || entry->window.ended) return false;
  entry->window.ended = true;
  entry->window.result = result;
  FailRequests(Key(dialog));
  return true;
}

void WindowModel::Retire(HWND dialog) {
  std::lock_guard lock(mu_);
  Entry* entry = Find(dialog);
  if (entry == nullptr || entry->dialog != Key(dialog)) return;
  entry->window.ended = true;
  std::vector<uintptr_t> gone = {Key(dialog)};
  for (const auto& [id, control] : entry->controls) gone.push_back(control);
  for (const uintptr_t key : gone) {
    if (keepRetired_) {
      windows_[key].retired = true;
    } else {
      windows_.erase(key);
    }
  }
  FailRequests(Key(dialog));
}

bool WindowModel::Alive(HWND window) const {
  std::lock_guard lock(mu_);
  return Find(window) != nullptr;
}

bool WindowModel::Stale(HWND window) const {
  std::lock_guard lock(mu_);
  return Key(window) >= FirstHandle && Key(window) < next_ && Find(window) == nullptr;
}

HWND WindowModel::DialogOf(HWND window) const {
  std::lock_guard lock(mu_);
  const Entry* entry = Find(window);
  return entry == nullptr ? nullptr : Handle(entry->dialog);
}

bool WindowModel::IsDialog(HWND window) const {
  std::lock_guard lock(mu_);
  const Entry* entry = Find(window);
  return entry != nullptr && entry->dialog == Key(window);
}

HWND WindowModel::Control(HWND dialog, int id) const {
  std::lock_guard lock(mu_);
  const Entry* entry = Find(dialog);
  if (entry == nullptr) return nullptr;
  auto control = entry->controls.find(id);
  return control == entry->controls.end() ? nullptr : Handle(control->second);
}

HWND WindowModel::Newest(int templateId, bool openOnly) const {
  std::lock_guard lock(mu_);
  uintptr_t newest = 0;  // handles only grow
  for (const auto& [key, entry] : windows_) {
    const Window& w = entry.window;
    if (w.isDialog && w.id == templateId && !(openOnly && w.ended)) newest = std::max(newest, key);
  }
  return Handle(newest);
}

std::vector<HWND> WindowModel::Dialogs() const {
  std::lock_guard lock(mu_);
  std::vector<HWND> dialogs;
  for (const auto& [key, entry] : windows_) {
    if (entry.window.isDialog && !entry.retired) dialogs.push_back(Handle(key));
  }
  std::ranges::sort(dialogs, std::greater<>());
  return dialogs;
}

std::optional<WindowModel::Window> WindowModel::Get(HWND window) const {
  std::lock_guard lock(mu_);
  const Entry* entry = Find(window);
  return entry == nullptr ? std::nullopt : std::optional(entry->window);
}

WindowModel::Window WindowModel::Inspect(HWND window) const {
  std::lock_guard lock(mu_);
  if (const Entry* entry = Kept(window)) return entry->window;
  Window blank;
  blank.enabled = false;
  return blank;
}

WindowModel::Window WindowModel::Inspect(HWND dialog, int id) const {
  HWND control = nullptr;
  {
    std::lock_guard lock(mu_);
    const Entry* entry = Kept(dialog);
    if (entry != nullptr && entry->dialog == Key(dialog)) {
      auto found = entry->controls.find(id);
      if (found != entry->controls.end()) control = Handle(found->second);
    }
  }
  return Inspect(control);
}

bool WindowModel::Update(HWND window, const std::function<void(Window&)>& change) {
  std::lock_guard lock(mu_);
  Entry* entry = Find(window);
  if (entry == nullptr) return false;
  change(entry->window);
  return true;
}

bool WindowModel::Enabled(HWND window) const {
  std::lock_guard lock(mu_);
  const Entry* entry = Kept(window);
  return entry != nullptr && entry->window.enabled &&
         (!entry->window.isDialog || entry->modalChildren == 0);
}

void WindowModel::AddModalChild(HWND owner, int delta) {
  std::lock_guard lock(mu_);
  const Entry* entry = Find(owner);
  if (entry == nullptr) return;
  Entry* dialog = Find(Handle(entry->dialog));
  dialog->modalChildren = std::max(0, dialog->modalChildren + delta);
}

int WindowModel::ModalChildren(HWND dialog) const {
  std::lock_guard lock(mu_);
  const Entry* entry = Find(dialog);
  return entry == nullptr ? 0 : entry->modalChildren;
}

LONG_PTR WindowModel::SetWindowLongPtr(HWND dialog, int index, LONG_PTR value) {
  std::lock_guard lock(mu_);
  Entry* entry = Find(dialog);
  if (entry == nullptr || entry->dialog != Key(dialog) || index != DWLP_USER) return 0;
  return std::exchange(entry->user, value);
}

LONG_PTR WindowModel::GetWindowLongPtr(HWND dialog, int index) const {
  std::lock_guard lock(mu_);
  const Entry* entry = Find(dialog);
  if (entry == nullptr || entry->dialog != Key(dialog) || index != DWLP_USER) return 0;
  return entry->user;
}

std::shared_ptr<WindowModel::Request> WindowModel::Track(HWND window, intptr_t failure) {
  std::lock_guard lock(mu_);
  const Entry* entry = Find(window);
  if (entry == nullptr || closed_ || Find(Handle(entry->dialog))->window.ended) return nullptr;
  auto request = std::make_shared<Request>();
  request->dialog = entry->dialog;
  request->result = failure;
  pending_.push_back(request);
  return request;
}

bool WindowModel::Finish(Request& request, intptr_t result) {
  std::lock_guard lock(mu_);
  if (request.done) return false;
  request.result = result;
  request.done = true;
  std::erase_if(pending_, [&](const auto& r) { return r.get() == &request; });
  served_.notify_all();
  return true;
}

bool WindowModel::Done(const Request& request) const {
  std::lock_guard lock(mu_);
  return request.done;
}

intptr_t WindowModel::Wait(const Request& request) {
  std::unique_lock lock(mu_);
  served_.wait(lock, [&] { return request.done; });
  return request.result;
}

intptr_t WindowModel::Call(HWND window, bool onGui, intptr_t failure,
                           const std::function<intptr_t()>& work,
                           const std::function<bool(std::function<void()>)>& post) {
  if (onGui) return Alive(window) ? work() : failure;
  const std::shared_ptr<Request> request = Track(window, failure);
  if (request == nullptr) return failure;
  const bool queued = post([this, request, window, failure, work] {
    if (!Done(*request)) Finish(*request, Alive(window) ? work() : failure);
  });
  if (!queued) Finish(*request, failure);
  return Wait(*request);
}

void WindowModel::Close() {
  std::lock_guard lock(mu_);
  closed_ = true;
  for (const auto& request : pending_) request->done = true;
  pending_.clear();
  served_.notify_all();
}

bool WindowModel::Closed() const {
  std::lock_guard lock(mu_);
  return closed_;
}

ATOM WindowModel::RegisterClass(const WNDCLASSEXW& info) {
  if (info.cbSize != sizeof(WNDCLASSEXW) || info.lpszClassName == nullptr ||
      IS_INTRESOURCE(info.lpszClassName)) {
    return 0;
  }
  std::lock_guard lock(mu_);
  auto [it, added] = classes_.try_emplace(WString(info.lpszClassName), info);
  if (!added) return 0;
  it->second.lpszClassName = it->first.c_str();
  return nextAtom_++;
}

BOOL WindowModel::ClassInfo(LPCWSTR className, WNDCLASSEXW& info) const {
  if (className == nullptr) return FALSE;
  const UINT size = info.cbSize;
  if (IS_INTRESOURCE(className)) {
    if (Key(className) != DialogClassAtom) return FALSE;
    info = WNDCLASSEXW{};
    info.style = DialogClassStyle;
    info.lpfnWndProc = SystemDialogWindowProc;
    info.cbWndExtra = DialogWindowExtra;
    info.hCursor = reinterpret_cast<HCURSOR>(FirstImage);  // the system's arrow
    info.lpszClassName = className;
    info.cbSize = size;
    return static_cast<BOOL>(DialogClassAtom);
  }
  std::optional<WNDCLASSEXW> found = Class(className);
  if (!found) return FALSE;
  info = *found;
  info.cbSize = size;
  return TRUE;
}

std::optional<WNDCLASSEXW> WindowModel::Class(WStringView name) const {
  std::lock_guard lock(mu_);
  auto found = classes_.find(name);
  if (found == classes_.end()) return std::nullopt;
  return found->second;
}

void WindowModel::RegisterTemplates(std::span<const resources::DialogTemplate> dialogs) {
  std::lock_guard lock(mu_);
  for (const resources::DialogTemplate& dialog : dialogs) templates_[dialog.Id] = &dialog;
}

const resources::DialogTemplate* WindowModel::Template(LPCWSTR name) const {
  if (name == nullptr || !IS_INTRESOURCE(name)) return nullptr;
  std::lock_guard lock(mu_);
  auto found = templates_.find(LOWORD(Key(name)));
  return found == templates_.end() ? nullptr : found->second;
}

HANDLE WindowModel::AddImage(uintptr_t id) {
  std::lock_guard lock(mu_);
  images_.push_back(id);
  return reinterpret_cast<HANDLE>(FirstImage + images_.size() - 1);
}

uintptr_t WindowModel::ImageOf(const void* image) const {
  std::lock_guard lock(mu_);
  const uintptr_t index = Key(image) - FirstImage;  // wraps for handles below FirstImage
  return index < images_.size() ? images_[index] : 0;
}

BOOL StoreChosenPath(OPENFILENAMEW& record, WStringView path) {
  if (record.lpstrFile == nullptr || path.empty() || path.size() + 1 > record.nMaxFile) {
    return FALSE;
  }
  std::copy(path.begin(), path.end(), record.lpstrFile);
  record.lpstrFile[path.size()] = 0;
  const size_t nameAt = NameStart(path, PathStyle::Windows);  // the record is Win32's
  const size_t dot = path.find_last_of(WCHAR('.'));
  size_t extension = path.size();
  if (dot != WStringView::npos && dot >= nameAt) extension = dot + 1 == path.size() ? 0 : dot + 1;
  record.nFileOffset = static_cast<WORD>(nameAt);
  record.nFileExtension = static_cast<WORD>(extension);
  return TRUE;
}

int StoreWindowText(WStringView text, LPWSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  std::copy_n(text.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

}  // namespace tavrinole
