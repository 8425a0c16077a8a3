// Window, dialog and control style bits with the values Windows gives them. The
// templates are built on every platform, and windows.h exists only on one, so the
// values are repeated here under their Windows names. Where windows.h came first its
// macros already stand for these names with the same values, and ours step aside.
#pragma once

#include <cstdint>

namespace tavrinole::resources {

// clang-format off
#ifndef WS_POPUP
// Window styles
inline constexpr uint32_t WS_POPUP        = 0x80000000;
inline constexpr uint32_t WS_CHILD        = 0x40000000;
inline constexpr uint32_t WS_VISIBLE      = 0x10000000;
inline constexpr uint32_t WS_DISABLED     = 0x08000000;
inline constexpr uint32_t WS_CAPTION      = 0x00C00000;
inline constexpr uint32_t WS_BORDER       = 0x00800000;
inline constexpr uint32_t WS_SYSMENU      = 0x00080000;
inline constexpr uint32_t WS_GROUP        = 0x00020000;
inline constexpr uint32_t WS_MINIMIZEBOX  = 0x00020000;  // same bit as WS_GROUP; one is for top-level windows
inline constexpr uint32_t WS_TABSTOP      = 0x00010000;

// Dialog styles
inline constexpr uint32_t DS_3DLOOK       = 0x0004;
inline constexpr uint32_t DS_FIXEDSYS     = 0x0008;
inline constexpr uint32_t DS_SETFONT      = 0x0040;
inline constexpr uint32_t DS_MODALFRAME   = 0x0080;
inline constexpr uint32_t DS_SETFOREGROUND = 0x0200;
inline constexpr uint32_t DS_CONTEXTHELP  = 0x2000;

// Button styles; the low four bits are the button's type
inline constexpr uint32_t BS_TYPEMASK     = 0x000F;
inline constexpr uint32_t BS_PUSHBUTTON   = 0x0000;
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr uint32_t BS_AUTOCHECKBOX = 0x0003;

// Static styles; the low five bits are the static's type
inline constexpr uint32_t SS_TYPEMASK     = 0x001F;
inline constexpr uint32_t SS_LEFT         = 0x0000;
inline constexpr uint32_t SS_LEFTNOWORDWRAP = 0x000C;
inline constexpr uint32_t SS_NOPREFIX     = 0x0080;
#endif

#ifndef FW_NORMAL
// Font
inline constexpr uint16_t FW_NORMAL       = 400;
inline constexpr uint8_t  DEFAULT_CHARSET = 1;
#endif
// clang-format on

}  // namespace tavrinole::resources
