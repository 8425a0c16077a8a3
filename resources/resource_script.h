// The Windows resource script (.rc) of the program, written from the templates so
// that windres builds exactly the dialogs the other window systems build.
#pragma once

#include <string>
#include <string_view>

namespace tavrinole::resources {

// Name under which the script refers to the icon file; windres finds it through its
// include path (the resources folder).
inline constexpr std::string_view IconFileName = "tavrinole.ico";

// The generated header with the project's version number (from the build folder's
// include path).
inline constexpr std::string_view VersionHeader = "tavrinole/version.h";

// Ids Windows looks for: the manifest a process is started with, and the version.
inline constexpr int ManifestId = 1;
inline constexpr int ManifestType = 24;  // RT_MANIFEST
inline constexpr int VersionId = 1;

inline constexpr std::u16string_view ProductName = u"Tavrinole-Ochrel";

// What a program file's version resource tells about it, and the application manifest
// (beside the icon in the resources folder) it starts with.
struct ProgramFile {
  std::u16string_view FileDescription;
  std::u16string_view InternalName;
  std::u16string_view OriginalFileName;
  std::string_view ManifestFileName;
};

// The windowed program: its dialogs need the themed controls and the real DPI.
inline constexpr ProgramFile WindowsProgram{u"Tavrinole-Ochrel document encoder",
                                            u"Tavrinole-Ochrel", u"Tavrinole-Ochrel.exe",
                                            "tavrinole.manifest"};
// The console tool: no windows, so only what a console program asks of Windows.
inline constexpr ProgramFile CommandLineTool{u"Tavrinole-Ochrel command-line encoder",
                                             u"tavrinole-ochrel-cli", u"tavrinole-ochrel-cli.exe",
                                             "tavrinole-cli.manifest"};
static_assert(WindowsProgram.OriginalFileName != CommandLineTool.OriginalFileName &&
                  WindowsProgram.ManifestFileName != CommandLineTool.ManifestFileName,
              "each program file names itself and starts with its own manifest");

// A UTF-16 text as a wide string literal of a resource script, quotes included. Plain
// ASCII stays readable; everything else becomes a four-digit \x escape, so the script
// itself is ASCII and needs no code page. A text of several lines becomes adjacent
// literals, one per line.
[[nodiscard]] std::string RcWideString(std::u16string_view text);

// The windowed program's script: the version resource and the manifest, the icon
// group, then the main dialog, Help and About. The same templates always give the same
// bytes.
[[nodiscard]] std::string ResourceScript();

// The command-line tool's script: its own version resource and manifest, and the same
// icon group, so that Explorer shows the program's icon for it too.
[[nodiscard]] std::string CliResourceScript();

}  // namespace tavrinole::resources
