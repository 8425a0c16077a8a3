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
