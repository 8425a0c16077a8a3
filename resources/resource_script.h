// The Windows resource script (.rc) of the program, written from the templates so
// that windres builds exactly the dialogs the other window systems build.
#pragma once

#include <string>
#include <string_view>

namespace tavrinole::resources {

// Name under which the script refers to the icon file; windres finds it through its
// include path (the resources folder).
inline constexpr std::string_view IconFileName = "tavrinole.ico";

// The application manifest beside it, and the generated header with the project's
// version number (from the build folder's include path).
inline constexpr std::string_view ManifestFileName = "tavrinole.manifest";
inline constexpr std::string_view VersionHeader = "tavrinole/version.h";

// Ids Windows looks for: the manifest a process is started with, and the version.
inline constexpr int ManifestId = 1;
inline constexpr int ManifestType = 24;  // RT_MANIFEST
inline constexpr int VersionId = 1;

// What the version resource tells about the program file.
inline constexpr std::u16string_view ProductName = u"Tavrinole-Ochrel";
inline constexpr std::u16string_view FileDescription = u"Tavrinole-Ochrel document encoder";
inline constexpr std::u16string_view OriginalFileName = u"Tavrinole-Ochrel.exe";

// A UTF-16 text as a wide string literal of a resource script, quotes included. Plain
// ASCII stays readable; everything else becomes a four-digit \x escape, so the script
// itself is ASCII and needs no code page. A text of several lines becomes adjacent
// literals, one per line.
[[nodiscard]] std::string RcWideString(std::u16string_view text);

// The whole script: the version resource and the manifest, the icon group, then the
// main dialog, Help and About. The same templates always give the same bytes.
[[nodiscard]] std::string ResourceScript();

}  // namespace tavrinole::resources
