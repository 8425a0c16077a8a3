#include "engine/password.h"

#include <cstdio>
#include <optional>

#include "engine/key_table.h"

namespace tavrinole {

bool PasswordEntry::Press(int32_t keyIndex) {
  if (PasswordLength >= MaxPasswordLength) return false;
  const int32_t n = ++PasswordLength;
  Slots[n].KeyIndex = keyIndex;
  Slots[n].Occurrence = ++OccurrenceCounter[keyIndex];
  return true;
}

PasswordSlots SlotsFromPresses(std::span<const int32_t> keyIndices) {
  PasswordEntry entry;
  for (const int32_t keyIndex : keyIndices) entry.Press(keyIndex);
  return entry.Slots;
}

namespace {

struct DecodedChar {
  char32_t Value;
  size_t Length;  // bytes consumed; 0 when the text is not valid UTF-8 here
};

DecodedChar DecodeUtf8(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return {lead, 1};
  size_t length = 0;
  char32_t value = 0;
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

std::string Describe(std::string_view text, size_t at, DecodedChar c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c.Value));
  std::string shown = c.Value < 0x20 || c.Value == 0x7F ? std::string() : std::string(text.substr(at, c.Length));
  return shown.empty() ? std::string(code) : "'" + shown + "' (" + code + ")";
}

}  // namespace

PasswordKeys KeyIndicesFromUtf8(std::string_view text) {
  PasswordKeys result;
  size_t position = 1;
  for (size_t at = 0; at < text.size(); ++position) {
    const DecodedChar c = DecodeUtf8(text, at);
    if (c.Length == 0) {
      result.Error = "character " + std::to_string(position) + " is not valid UTF-8 text";
      return result;
    }
    const std::optional<KeyEntry> key = KeyByCharacter(c.Value);
    if (!key) {
      result.Error = "character " + std::to_string(position) + ", " + Describe(text, at, c) +
                     ", is not on the keypad";
      return result;
    }
    result.KeyIndices.push_back(key->KeyIndex);
    at += c.Length;
  }
  return result;
}

}  // namespace tavrinole
