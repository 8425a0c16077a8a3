#include "platform/utf16.h"

namespace tavrinole {
namespace {

constexpr char32_t Replacement = 0xFFFD;

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

void AppendUtf16(WString& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<WCHAR>(c);
  } else {
    c -= 0x10000;
    out += static_cast<WCHAR>(0xD800 | (c >> 10));
    out += static_cast<WCHAR>(0xDC00 | (c & 0x3FF));
  }
}

bool IsHigh(char32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(char32_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

std::string ToUtf8(WStringView text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t u = static_cast<uint16_t>(text[i]);
    if (IsHigh(u) && i + 1 < text.size() && IsLow(static_cast<uint16_t>(text[i + 1]))) {
      char32_t low = static_cast<uint16_t>(text[++i]);
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
    } else {
      AppendUtf8(out, IsHigh(u) || IsLow(u) ? Replacement : u);
    }
  }
  return out;
}

WString FromUtf8(std::string_view text) {
  WString out;
  size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    int extra = lead < 0x80           ? 0
                : (lead >> 5) == 0x6  ? 1
                : (lead >> 4) == 0xE  ? 2
                : (lead >> 3) == 0x1E ? 3
                                      : -1;
    char32_t c = extra == 0   ? lead
                 : extra == 1 ? lead & 0x1F
                 : extra == 2 ? lead & 0x0F
                              : lead & 0x07;
    bool valid = extra >= 0 && i + extra < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t Smallest[] = {0, 0x80, 0x800, 0x10000};
    if (valid && (c < Smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) {
      valid = false;
    }
    if (!valid) {
      AppendUtf16(out, Replacement);
      ++i;
      continue;
    }
    AppendUtf16(out, c);
    i += extra + 1;
  }
  return out;
}

}  // namespace tavrinole
