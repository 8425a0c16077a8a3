// Paths, in one place: where a path's file name starts, its folder, its suffix, a folder
// and a name joined, and the forms a path takes on its way between the user and the
// system. Every layer splits and converts paths through these, so a rule changes once.
//
// The engine's paths are UTF-16 (`Path`). On Linux a name is bytes, and bytes that are not
// UTF-8 travel in a Path as escaped bytes (engine/utf.h), so every name survives.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "engine/result.h"

namespace tavrinole {

using Path = std::u16string;

// How a system writes paths. POSIX separates folders with '/' and takes any other byte
// in a name, '\' and ':' included. Windows takes '\' and '/', and "C:name" names a file
// in drive C's current folder.
enum class PathStyle { Posix, Windows };

#ifdef _WIN32
inline constexpr PathStyle NativeStyle = PathStyle::Windows;
// What the system's calls take. A long path's "\\?\" form belongs in ToNativePath.
using NativePath = std::wstring;
#else
inline constexpr PathStyle NativeStyle = PathStyle::Posix;
using NativePath = std::string;
#endif

template <class Char>
constexpr bool Separates(Char c, PathStyle style) {
  return c == Char('/') || (style == PathStyle::Windows && c == Char('\\'));
}

// Where the file name of `path` starts: after its last separator, or after the drive of
// "C:name".
template <class Char>
constexpr size_t NameStart(std::basic_string_view<Char> path, PathStyle style = NativeStyle) {
  for (size_t at = path.size(); at > 0; --at) {
    if (Separates(path[at - 1], style)) return at;
  }
  return style == PathStyle::Windows && path.size() >= 2 && path[1] == Char(':') ? 2 : 0;
}

template <class Char>
constexpr std::basic_string_view<Char> FileName(std::basic_string_view<Char> path,
                                                PathStyle style = NativeStyle) {
  return path.substr(NameStart(path, style));
}

// The folder that holds `path`'s file name, to open: "." when the path names none, the
// root itself when the name is at the root, otherwise without the separator.
template <class Char>
std::basic_string<Char> FolderOf(std::basic_string_view<Char> path, PathStyle style = NativeStyle) {
  const size_t start = NameStart(path, style);
  if (start == 0) return std::basic_string<Char>(1, Char('.'));
  const bool separated = Separates(path[start - 1], style);
  const bool root =
      start == 1 || (style == PathStyle::Windows && start == 3 && path[1] == Char(':'));
  return std::basic_string<Char>(path.substr(0, separated && !root ? start - 1 : start));
}

// `name` in `folder`, with a separator between them unless the folder ends with one.
template <class Char>
std::basic_string<Char> InFolder(std::basic_string_view<Char> folder,
                                 std::basic_string_view<Char> name, PathStyle style = NativeStyle) {
  std::basic_string<Char> joined(folder);
  if (!folder.empty() && NameStart(folder, style) != folder.size()) {
    joined += style == PathStyle::Windows ? Char('\\') : Char('/');
  }
  return joined += name;
}

// The new document's suffix: the input path's text from its last '.', searched over the
// whole path, folder names included, or "(2)" when the path has no '.'. Stored documents
// and users rely on this rule exactly as it is ("C:\mail.box\README" gives
// "copy.box\README").
inline Path OutputSuffix(std::u16string_view inputPath) {
  const size_t dot = inputPath.rfind(u'.');
  return dot == std::u16string_view::npos ? Path(u"(2)") : Path(inputPath.substr(dot));
}

// The name of the new document: the name chosen with Save as, plus the suffix.
inline Path DeriveOutputName(std::u16string_view inputPath, std::u16string_view chosenName) {
  return Path(chosenName) + OutputSuffix(inputPath);
}

// What makes a path's file name one that the system would not take. Found before any
// work, since otherwise it fails only when the finished document is put in place.
enum class NameProblem {
  ForbiddenCharacter,  // Windows: a control character or one of < > : " | ? *
  NoName,              // the path ends in a separator: it names a folder
  TooLong,             // over 255 bytes (Windows: UTF-16 units)
};
Result<void, NameProblem> CheckFileName(std::u16string_view path, PathStyle style = NativeStyle);

// The same UTF-16 code units in another 16-bit type (wchar_t on Windows, the window
// layer's WCHAR): a plain copy.
template <class To, class From>
std::basic_string<To> SameUnits(std::basic_string_view<From> text) {
  static_assert(sizeof(To) == 2 && sizeof(From) == 2, "UTF-16 code units only");
  return std::basic_string<To>(text.begin(), text.end());
}

// A name as the user gave it to the command line, UTF-8 (bytes, on Linux), as a Path.
Path PathFromName(std::string_view name);

// A path as the system's calls take it; nothing for a lone surrogate that no byte of a
// Linux name could have made.
std::optional<NativePath> ToNativePath(const Path& path);

// A name given to the command line, for the standard library's files (on Windows a
// narrow name would go through the ANSI code page).
std::filesystem::path StandardPath(const std::string& name);

// A fresh hidden name, for a document while it is written where the system cannot keep
// it unnamed.
std::string TemporaryName();

// `name` in the folder that holds `path`'s file name, as `path` names that folder.
Path NameBeside(const Path& path, const Path& name, PathStyle style = NativeStyle);

}  // namespace tavrinole
