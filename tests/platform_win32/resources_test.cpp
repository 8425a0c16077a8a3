// The program's resources as Windows reads them from the file windres made: every
// dialog shows what its template says, and the icon group has all four sizes.
#include <gtest/gtest.h>

#include <set>

#include "platform/win32/win32_window_system.h"
#include "resources/dialog_templates.h"

namespace tavrinole {
namespace {

HINSTANCE Self() {
  return GetModuleHandleW(nullptr);
}

WString Wide(std::u16string_view text) {
  return WString(text.begin(), text.end());
}

// Looks at every control of the dialog it runs in, then ends it.
const resources::DialogTemplate* checked = nullptr;
std::vector<std::string> differences;

void Differ(int id, const std::string& what) {
  differences.push_back("control " + std::to_string(id) + ": " + what);
}

// Under DS_3DLOOK the dialog manager turns a control's WS_BORDER into a sunken edge.
bool SameStyle(HWND window, uint32_t expected) {
  const auto style = static_cast<uint32_t>(GetWindowLongW(window, GWL_STYLE));
  const bool bordered =
      (style & WS_BORDER) || (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  return (style & ~WS_BORDER) == (expected & ~WS_BORDER) &&
         bordered == ((expected & WS_BORDER) != 0);
}

INT_PTR CALLBACK CompareWithTemplate(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  WCHAR text[2048];
  GetWindowTextW(dialog, text, 2048);
  if (text != Wide(checked->Title)) differences.push_back("the title");
  for (const resources::ControlTemplate& control : checked->Controls) {
    HWND window = GetDlgItem(dialog, control.Id);
    if (window == nullptr) {
      Differ(control.Id, "missing");
      continue;
    }
    GetWindowTextW(window, text, 2048);
    if (text != Wide(control.Text)) Differ(control.Id, "text");
    if (!IsWindowEnabled(window) != !control.Enabled()) Differ(control.Id, "enabled state");
    if (!SameStyle(window, control.Style)) Differ(control.Id, "style");
    // Where the template puts it, in the pixels of the dialog's own font and DPI; the
    // dialog manager converts the size, not the far corner.
    RECT expected{control.At.X, control.At.Y, control.At.Width, control.At.Height};
    MapDialogRect(dialog, &expected);
    expected.right += expected.left;
    expected.bottom += expected.top;
    RECT actual;
    GetWindowRect(window, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    if (!EqualRect(&expected, &actual)) {
      Differ(control.Id, "place " + std::to_string(actual.left) + "," + std::to_string(actual.top) +
                             "," + std::to_string(actual.right) + "," +
                             std::to_string(actual.bottom) + " instead of " +
                             std::to_string(expected.left) + "," + std::to_string(expected.top) +
                             "," + std::to_string(expected.right) + "," +
                             std::to_string(expected.bottom));
    }
  }
  EndDialog(dialog, 1);
  return TRUE;
}

class ProgramResources : public ::testing::TestWithParam<resources::DialogTemplate> {
 protected:
  void SetUp() override {
    WNDCLASSEXW dialogClass{};
    dialogClass.cbSize = sizeof(WNDCLASSEXW);
    ASSERT_TRUE(GetClassInfoExW(nullptr, WC_DIALOG, &dialogClass));
    dialogClass.hInstance = Self();
    dialogClass.lpszClassName = L"TavrinolClass";
    ASSERT_NE(RegisterClassExW(&dialogClass), 0);
  }
  void TearDown() override { UnregisterClassW(L"TavrinolClass", Self()); }
};

TEST_P(ProgramResources, TheDialogShowsItsTemplate) {
  Win32WindowSystem ws;
  checked = &GetParam();
  differences.clear();
  ASSERT_EQ(
      ws.DialogBoxParamW(Self(), MAKEINTRESOURCEW(GetParam().Id), nullptr, &CompareWithTemplate, 0),
      1);
  EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
}

INSTANTIATE_TEST_SUITE_P(EveryDialog, ProgramResources,
                         ::testing::ValuesIn(resources::DialogTemplates),
                         [](const auto& info) { return std::to_string(info.param.Id); });

// The manifest this program starts with (the program's own) is in effect: the process
// is DPI aware, so the dialogs above lay out at the real DPI, and its buttons come
// from common controls 6.
TEST(ProgramManifest, MakesTheProcessDpiAware) {
  EXPECT_TRUE(IsProcessDPIAware());
}

TEST(ProgramManifest, BringsCommonControlsSix) {
  // A button makes the dialog manager load the library the manifest names.
  HWND button =
      CreateWindowExW(0, L"Button", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Self(), nullptr);
  ASSERT_NE(button, nullptr);
  DestroyWindow(button);
  HMODULE controls = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(controls, nullptr);
  // Version 6 is only ever loaded from the side-by-side store, never from system32
  // (Wine's copy there reports version 5 too, so its name is what tells).
  WCHAR name[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(controls, name, MAX_PATH), 0u);
  std::wstring path(name);
  for (wchar_t& c : path) c = static_cast<wchar_t>(towlower(c));
  EXPECT_NE(path.find(L"\\winsxs\\"), std::wstring::npos);
  EXPECT_NE(path.find(L"common-controls_6595b64144ccf1df_6."), std::wstring::npos);
}

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE Width;  // 0 stands for 256
  BYTE Height;
  BYTE Colours;
  BYTE Reserved;
  WORD Planes;
  WORD BitCount;
  DWORD Bytes;
  WORD Id;
};
struct IconGroupHeader {
  WORD Reserved;
  WORD Type;
  WORD Count;
};
#pragma pack(pop)

TEST(ProgramIcon, HoldsSixteenThirtyTwoFortyEightAndTwoHundredFiftySix) {
  HRSRC found = FindResourceW(Self(), MAKEINTRESOURCEW(ids::ProgramIcon), RT_GROUP_ICON);
  ASSERT_NE(found, nullptr);
  const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(Self(), found)));
  ASSERT_NE(group, nullptr);
  IconGroupHeader header;
  memcpy(&header, group, sizeof header);
  ASSERT_EQ(SizeofResource(Self(), found), sizeof header + header.Count * sizeof(IconGroupEntry));
  std::set<int> sizes;
  for (WORD i = 0; i < header.Count; ++i) {
    IconGroupEntry entry;
    memcpy(&entry, group + sizeof header + i * sizeof entry, sizeof entry);
    EXPECT_EQ(entry.Width, entry.Height);
    sizes.insert(entry.Width == 0 ? 256 : entry.Width);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 32, 48, 256}));
}

TEST(ProgramIcon, LoadsAtTheSizeTheEntryAsks) {
  const auto icon = static_cast<HICON>(LoadImageW(Self(), MAKEINTRESOURCEW(ids::ProgramIcon),
                                                  IMAGE_ICON, 48, 48, LR_CREATEDIBSECTION));
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bitmap{};
  GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 48);
  EXPECT_EQ(bitmap.bmHeight, 48);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

}  // namespace
}  // namespace tavrinole
