// The Win32 vocabulary our dialog code is written in.
//
// On Windows this is <windows.h> itself. Elsewhere we define the subset we use, with
// Windows' names, values and field orders, so that one dialog source compiles on every
// layer. Structure sizes come from sizeof: on 32-bit Windows they are 88, 48 and 8;
// on a 64-bit build they are larger, and nothing of ours depends on the numbers.
//
// Text is UTF-16 everywhere. WCHAR is wchar_t on Windows (16 bits there) and char16_t
// elsewhere; write literals as WTEXT("...") so they have the right type on both.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#if defined(_WIN32)

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// <windows.h> first: the others rely on its types (kept out of include sorting).
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
// clang-format on

#define WTEXT_(s) L##s

#else  // !_WIN32

#define WINAPI
#define CALLBACK
#define WTEXT_(s) u##s

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = unsigned int;
using BOOL = int;
using ATOM = WORD;
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using ULONG_PTR = uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using HANDLE = void*;

// Distinct handle types, as <windows.h> declares them with STRICT.
#define TAVRINOLE_DECLARE_HANDLE(name) \
  struct name##__ {                    \
    int unused;                        \
  };                                   \
  using name = name##__*
TAVRINOLE_DECLARE_HANDLE(HWND);
TAVRINOLE_DECLARE_HANDLE(HINSTANCE);
TAVRINOLE_DECLARE_HANDLE(HICON);
TAVRINOLE_DECLARE_HANDLE(HBRUSH);
#undef TAVRINOLE_DECLARE_HANDLE
using HCURSOR = HICON;
using HMODULE = HINSTANCE;

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;

using DLGPROC = INT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
using WNDPROC = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
using LPOFNHOOKPROC = UINT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

inline constexpr WORD LOWORD(uintptr_t value) {
  return static_cast<WORD>(value & 0xFFFF);
}
inline constexpr WORD HIWORD(uintptr_t value) {
  return static_cast<WORD>((value >> 16) & 0xFFFF);
}
inline constexpr DWORD MAKELONG(WORD low, WORD high) {
  return static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
}
inline constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
  return MAKELONG(low, high);
}
inline bool IS_INTRESOURCE(const void* name) {
  return (reinterpret_cast<uintptr_t>(name) >> 16) == 0;
}
inline LPWSTR MAKEINTRESOURCEW(uintptr_t id) {
  return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(static_cast<WORD>(id)));
}
inline LPWSTR MAKEINTATOM(uintptr_t atom) {
  return MAKEINTRESOURCEW(atom);
}

// Messages and notifications.
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_GETTEXT = 0x000D;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;
inline constexpr UINT BM_GETCHECK = 0x00F0;
inline constexpr UINT BM_SETCHECK = 0x00F1;
inline constexpr WORD BN_CLICKED = 0;
inline constexpr LRESULT BST_UNCHECKED = 0;
inline constexpr LRESULT BST_CHECKED = 1;

// Dialog results and message boxes.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr UINT MB_OK = 0x0000;
inline constexpr UINT MB_YESNO = 0x0004;

// Common file dialogs.
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

// Common controls, classes and images.
inline constexpr DWORD ICC_WIN95_CLASSES = 0x000000FF;
inline constexpr UINT IMAGE_ICON = 1;
inline constexpr UINT LR_DEFAULTCOLOR = 0x0000;
inline constexpr UINT LR_CREATEDIBSECTION = 0x2000;
#define WC_DIALOG (MAKEINTATOM(0x8002))  // 32770, the system dialog class

// A dialog's own data: the result, the procedure, then a value of the program's own.
inline constexpr int DWLP_MSGRESULT = 0;
inline constexpr int DWLP_DLGPROC = DWLP_MSGRESULT + static_cast<int>(sizeof(LRESULT));
inline constexpr int DWLP_USER = DWLP_DLGPROC + static_cast<int>(sizeof(DLGPROC));

// Waits.
inline constexpr DWORD WAIT_IO_COMPLETION = 0x000000C0;

struct OPENFILENAMEW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPWSTR lpstrFile;
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCWSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
};
using LPOPENFILENAMEW = OPENFILENAMEW*;

struct WNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
  HICON hIconSm;
};
using LPWNDCLASSEXW = WNDCLASSEXW*;

struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
using LPINITCOMMONCONTROLSEX = INITCOMMONCONTROLSEX*;

#endif  // _WIN32

#define WTEXT(s) WTEXT_(s)

static_assert(sizeof(WCHAR) == 2, "UTF-16 code units");

// Owned and viewed UTF-16 text in the same code-unit type as WCHAR.
using WString = std::basic_string<WCHAR>;
using WStringView = std::basic_string_view<WCHAR>;
