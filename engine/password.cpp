#include "engine/password.h"

#include <cstdio>
#include <optional>

#include "engine/key_table.h"
#include "engine/utf.h"

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

std::string Describe(std::string_view text, size_t at, Utf8Char c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c.Value));
  std::string shown =
      HiddenInNames(c.Value) ? std::string() : std::string(text.substr(at, c.Length));
  return shown.empty() ? std::string(code) : "'" + shown + "' (" + code + ")";
}

}  // namespace

Result<std::vector<int32_t>, KeyFault> KeyIndicesFromUtf8(std::string_view text) {
  std::vector<int32_t> keyIndices;
  size_t position = 1;
  for (size_t at = 0; at < text.size(); ++position) {
    const std::string character = "character " + std::to_string(position);
    const Utf8Char c = DecodeUtf8At(text, at);
    if (c.Length == 0) return Fail(KeyFault::NotUtf8, character);
    const std::optional<KeyEntry> key = KeyByCharacter(c.Value);
    if (!key) return Fail(KeyFault::NotOnTheKeypad, character + ", " + Describe(text, at, c));
    keyIndices.push_back(key->KeyIndex);
    at += c.Length;
  }
  return keyIndices;
}

}  // namespace tavrinole
