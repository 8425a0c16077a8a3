#include "ui/entry.h"

#include "resources/resource_ids.h"
#include "ui/main_dialog.h"

namespace tavrinole {
namespace {

constexpr WCHAR DialogClassName[] = WTEXT("TavrinolClass");
constexpr int IconSize = 48;  // both icons: the system scales the small one down

HICON LoadProgramIcon(WindowSystem& windows, HINSTANCE instance) {
  return static_cast<HICON>(windows.LoadImageW(instance, MAKEINTRESOURCEW(ids::ProgramIcon),
                                               IMAGE_ICON, IconSize, IconSize,
                                               LR_CREATEDIBSECTION));
}

// The system dialog class under our name, with our instance and icon; everything else,
// its window procedure included, stays the system's.
bool RegisterDialogClass(WindowSystem& windows, HINSTANCE instance) {
  WNDCLASSEXW dialogClass{};
  dialogClass.cbSize = sizeof(WNDCLASSEXW);
  if (!windows.GetClassInfoExW(nullptr, WC_DIALOG, &dialogClass)) return false;
  dialogClass.hInstance = instance;
  dialogClass.hIcon = LoadProgramIcon(windows, instance);
  dialogClass.hIconSm = LoadProgramIcon(windows, instance);
  dialogClass.lpszClassName = DialogClassName;
  return windows.RegisterClassExW(&dialogClass) != 0;
}

}  // namespace

int RunTavrinole(WindowSystem& windows, FileSystem& files, HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(INITCOMMONCONTROLSEX);
  controls.dwICC = ICC_WIN95_CLASSES;
  windows.InitCommonControlsEx(&controls);
  if (!RegisterDialogClass(windows, instance)) return 0;

  MainDialog dialog(windows, files, instance);
  const INT_PTR result = dialog.Run();
  dialog.EndJob();
  return static_cast<int>(result);
}

}  // namespace tavrinole
