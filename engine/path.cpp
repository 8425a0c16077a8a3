#include "engine/path.h"

#include <algorithm>
#include <random>

#include "engine/utf.h"

namespace tavrinole {

Result<void, NameProblem> CheckFileName(std::u16string_view path, PathStyle style) {
  const std::u16string_view name = FileName(path, style);
  size_t length = name.size();
  if (style == PathStyle::Windows) {
    constexpr std::u16string_view Refused = u"<>:\"|?*";
    if (std::ranges::any_of(
            name, [&](char16_t c) { return c < 0x20 || Refused.find(c) != Refused.npos; })) {
      return Fail(NameProblem::ForbiddenCharacter);
    }
  } else if (const std::optional<std::string> bytes = NameFromUtf16(name)) {
    length = bytes->size();
  }
  if (name.empty()) return Fail(NameProblem::NoName);
  // File systems take names of 255 bytes at most (Windows: 255 UTF-16 units).
  if (length > 255) return Fail(NameProblem::TooLong);
  return {};
}

Path PathFromName(std::string_view name) {
  return NameToUtf16(name);
}

#ifdef _WIN32
std::optional<NativePath> ToNativePath(const Path& path) {
  return SameUnits<wchar_t>(std::u16string_view(path));
}

std::filesystem::path StandardPath(const std::string& name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}
#else
std::optional<NativePath> ToNativePath(const Path& path) {
  return NameFromUtf16(path);
}

std::filesystem::path StandardPath(const std::string& name) {
  return std::filesystem::path(name);
}
#endif

std::string TemporaryName() {
  std::random_device random;
  const uint64_t tag = (uint64_t{random()} << 32) ^ random();
  std::string name = ".tavrinole-";
  for (int shift = 60; shift >= 0; shift -= 4) name += "0123456789abcdef"[(tag >> shift) & 15];
  return name + ".tmp";
}

Path NameBeside(const Path& path, const Path& name, PathStyle style) {
  return path.substr(0, NameStart(std::u16string_view(path), style)) + name;
}

}  // namespace tavrinole
