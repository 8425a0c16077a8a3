// Fixed WCHAR buffers as the dialogs keep them, and the step between them and the
// engine's paths. WCHAR is wchar_t on Windows and char16_t elsewhere, while the engine
// always speaks char16_t; both are UTF-16 code units, so conversion is a plain copy.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "engine/file_system.h"
#include "platform/win32_api.h"

namespace tavrinole {

// The text of a zero-terminated buffer; a buffer without terminator ends at its size.
template <size_t N>
WStringView TextOf(const WCHAR (&buffer)[N]) {
  return WStringView(buffer, std::find(buffer, buffer + N, WCHAR(0)) - buffer);
}

// Copies `text` and a terminator into `buffer`. Refuses, changing nothing, when the
// text does not fit: a path is never cut.
template <size_t N>
[[nodiscard]] bool CopyText(WCHAR (&buffer)[N], WStringView text) {
  if (text.size() >= N) return false;
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  return true;
}

// A text of resources/texts.h, terminator included, in WCHAR code units.
template <size_t N>
constexpr std::array<WCHAR, N> Wide(const char16_t (&text)[N]) {
  std::array<WCHAR, N> units{};
  for (size_t i = 0; i < N; ++i) units[i] = static_cast<WCHAR>(text[i]);
  return units;
}

// Copies a text that is known at compile time to fit.
template <size_t N, size_t M>
void CopyLiteral(WCHAR (&buffer)[N], const std::array<WCHAR, M>& text) {
  static_assert(M <= N, "the text does not fit the buffer");
  std::copy(text.begin(), text.end(), buffer);
}

// A text of resources/texts.h as an owned, terminated WCHAR string.
inline WString ToWide(std::u16string_view text) {
  return SameUnits<WCHAR>(text);
}

inline Path ToPath(WStringView text) {
  return SameUnits<char16_t>(text);
}
inline WString FromPath(const Path& path) {
  return SameUnits<WCHAR>(std::u16string_view(path));
}

}  // namespace tavrinole
