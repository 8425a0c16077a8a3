// Conversions between the UTF-16 text of the dialogs and UTF-8 text elsewhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrinole {

// One code point of UTF-8 text; Length is 0 where the text is malformed (a bad or
// cut-short sequence, an overlong form, a surrogate, a value past U+10FFFF).
struct Utf8Char {
  char32_t Value;
  size_t Length;
};
[[nodiscard]] Utf8Char DecodeUtf8At(std::string_view text, size_t at);

// Strict conversions: nullopt for malformed input (a lone surrogate, an invalid
// UTF-8 sequence), never a silently altered name.
[[nodiscard]] std::optional<std::string> Utf16ToUtf8(std::u16string_view text);
[[nodiscard]] std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// Whether a character of a name would be invisible, or act on the text around it, when
// a message shows it: control characters and direction overrides. Messages write such
// characters, and the bytes of a name that are not text, as \xNN.
[[nodiscard]] constexpr bool HiddenInNames(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

// Bytes as \xNN each, as messages write what they must not show.
[[nodiscard]] std::string EscapedBytes(std::string_view bytes);

// File names on Linux are bytes. A name that is not UTF-8 still needs a UTF-16 form:
// each byte outside a valid sequence travels as the lone surrogate U+DC80..U+DCFF and
// turns back into that byte on the way out, so every name survives the round trip.
[[nodiscard]] std::u16string NameToUtf16(std::string_view bytes);
// nullopt only for a lone surrogate that no byte could have made.
[[nodiscard]] std::optional<std::string> NameFromUtf16(std::u16string_view name);

// For messages only: malformed units become U+FFFD.
std::string Utf16ToUtf8Lossy(std::u16string_view text);

}  // namespace tavrinole
