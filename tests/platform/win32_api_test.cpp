// Our stand-in for <windows.h> must keep Windows' values and field orders, or code that
// compiles on both would mean different things on each.
#include "platform/win32_api.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

namespace {

TEST(Win32Vocabulary, MessageAndCommandValuesAreWindows) {
  EXPECT_EQ(WM_CLOSE, 0x0010u);
  EXPECT_EQ(WM_INITDIALOG, 0x0110u);
  EXPECT_EQ(WM_COMMAND, 0x0111u);
  EXPECT_EQ(BM_GETCHECK, 0x00F0u);
  EXPECT_EQ(BST_CHECKED, 1);
  EXPECT_EQ(IDOK, 1);
  EXPECT_EQ(IDCANCEL, 2);
  EXPECT_EQ(IDYES, 6);
  EXPECT_EQ(IDNO, 7);
  EXPECT_EQ(MB_OK, 0u);
  EXPECT_EQ(MB_YESNO, 4u);
  EXPECT_EQ(MB_DEFBUTTON2, 0x100u);
}

TEST(Win32Vocabulary, FileDialogAndStartUpValuesAreWindows) {
  EXPECT_EQ(OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, 6144u);
  EXPECT_EQ(OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT, 6146u);
  EXPECT_EQ(ICC_WIN95_CLASSES, 255u);
  EXPECT_EQ(IMAGE_ICON, 1u);
  EXPECT_EQ(LR_CREATEDIBSECTION, 0x2000u);
  EXPECT_EQ(WAIT_IO_COMPLETION, 0xC0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(WC_DIALOG), 32770u);
}

// A dialog's extra bytes hold the message result and the procedure before the user's
// value: 8 on 32-bit Windows, 16 on 64-bit.
TEST(Win32Vocabulary, DialogUserDataFollowsResultAndProcedure) {
  EXPECT_EQ(DWLP_MSGRESULT, 0);
  EXPECT_EQ(static_cast<size_t>(DWLP_USER), 2 * sizeof(void*));
}

TEST(Win32Vocabulary, WordHelpersSplitAndJoin) {
  WPARAM command = MAKEWPARAM(0x1234, BN_CLICKED);
  EXPECT_EQ(LOWORD(command), 0x1234);
  EXPECT_EQ(HIWORD(command), BN_CLICKED);
  EXPECT_EQ(HIWORD(MAKEWPARAM(1, 0xFFFF)), 0xFFFF);
  EXPECT_EQ(LOWORD(0x12345678u), 0x5678);
}

TEST(Win32Vocabulary, IntegerResourcesAreRecognised) {
  LPCWSTR name = MAKEINTRESOURCEW(0x2345);
  EXPECT_TRUE(IS_INTRESOURCE(name));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(name), 0x2345u);
  EXPECT_FALSE(IS_INTRESOURCE(WTEXT("TavrinolClass")));
}

TEST(Win32Vocabulary, TextIsUtf16OnEveryPlatform) {
  static_assert(sizeof(WCHAR) == 2);
  static_assert(std::is_same_v<std::remove_cvref_t<decltype(*WTEXT("x"))>, WCHAR>);
  WString text = WTEXT("\u00A3");
  ASSERT_EQ(text.size(), 1u);
  EXPECT_EQ(static_cast<uint16_t>(text[0]), 0xA3);
}

TEST(Win32Vocabulary, RecordsKeepWindowsFieldOrder) {
  EXPECT_EQ(offsetof(OPENFILENAMEW, lStructSize), 0u);
  EXPECT_LT(offsetof(OPENFILENAMEW, hwndOwner), offsetof(OPENFILENAMEW, lpstrFilter));
  EXPECT_LT(offsetof(OPENFILENAMEW, nFilterIndex), offsetof(OPENFILENAMEW, lpstrFile));
  EXPECT_LT(offsetof(OPENFILENAMEW, nMaxFile), offsetof(OPENFILENAMEW, lpstrFileTitle));
  EXPECT_LT(offsetof(OPENFILENAMEW, Flags), offsetof(OPENFILENAMEW, lpstrDefExt));
  EXPECT_LT(offsetof(OPENFILENAMEW, lpTemplateName), offsetof(OPENFILENAMEW, FlagsEx));
  EXPECT_EQ(offsetof(WNDCLASSEXW, cbSize), 0u);
  EXPECT_LT(offsetof(WNDCLASSEXW, lpfnWndProc), offsetof(WNDCLASSEXW, hInstance));
  EXPECT_LT(offsetof(WNDCLASSEXW, lpszClassName), offsetof(WNDCLASSEXW, hIconSm));
  EXPECT_EQ(sizeof(INITCOMMONCONTROLSEX), 8u);
  if (sizeof(void*) == 4) {  // the sizes of the 32-bit program
    EXPECT_EQ(sizeof(OPENFILENAMEW), 88u);
    EXPECT_EQ(sizeof(WNDCLASSEXW), 48u);
  }
}

}  // namespace
