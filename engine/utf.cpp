#include "engine/utf.h"

namespace tavrinole {
namespace {

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one code point at text[at]; returns false for a lone surrogate.
bool NextUtf16(std::u16string_view text, size_t& at, char32_t& c) {
  c = text[at++];
  if (IsLowSurrogate(c)) return false;
  if (!IsHighSurrogate(c)) return true;
  if (at == text.size() || !IsLowSurrogate(text[at])) return false;
  c = 0x10000 + ((c - 0xD800) << 10) + (text[at++] - 0xDC00);
  return true;
}

std::string ToUtf8(std::u16string_view text, bool lossy, bool& ok) {
  std::string out;
  ok = true;
  for (size_t at = 0; at < text.size();) {
    char32_t c;
    if (!NextUtf16(text, at, c)) {
      ok = false;
      if (!lossy) return {};
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

std::optional<std::string> Utf16ToUtf8(std::u16string_view text) {
  bool ok;
  std::string out = ToUtf8(text, false, ok);
  if (!ok) return std::nullopt;
  return out;
}

std::string Utf16ToUtf8Lossy(std::u16string_view text) {
  bool ok;
  return ToUtf8(text, true, ok);
}

Utf8Char DecodeUtf8At(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return {lead, 1};
  size_t length;
  char32_t value;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07;
  } else {
    return {0, 0};
  }
  if (at + length > text.size()) return {0, 0};
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return {0, 0};
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return {0, 0};
  }
  return {value, length};
}

namespace {

constexpr char16_t EscapedByteBase = 0xDC00;  // + a byte of 0x80..0xFF

// With `escapeBytes`, a byte outside a valid sequence becomes an escaped byte; without,
// the text is refused.
std::optional<std::u16string> FromUtf8(std::string_view text, bool escapeBytes) {
  std::u16string out;
  for (size_t at = 0; at < text.size();) {
    const Utf8Char c = DecodeUtf8At(text, at);
    if (c.Length == 0) {
      if (!escapeBytes) return std::nullopt;
      out += static_cast<char16_t>(EscapedByteBase + static_cast<unsigned char>(text[at++]));
      continue;
    }
    if (c.Value >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c.Value - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c.Value - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c.Value);
    }
    at += c.Length;
  }
  return out;
}

}  // namespace

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
  return FromUtf8(text, false);
}

std::u16string NameToUtf16(std::string_view bytes) {
  return *FromUtf8(bytes, true);
}

std::optional<std::string> NameFromUtf16(std::u16string_view name) {
  std::string out;
  for (size_t at = 0; at < name.size();) {
    const size_t start = at;
    char32_t c;
    if (NextUtf16(name, at, c)) {
      AppendUtf8(out, c);
    } else if (name[start] >= EscapedByteBase + 0x80 && name[start] <= EscapedByteBase + 0xFF) {
      out += static_cast<char>(name[start] - EscapedByteBase);
      at = start + 1;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string EscapedBytes(std::string_view bytes) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    escaped += {'\\', 'x', Hex[byte >> 4], Hex[byte & 15]};
  }
  return escaped;
}

}  // namespace tavrinole
