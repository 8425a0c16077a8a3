// The Windows resource script (.rc) of the program, written from the templates so
// that windres builds exactly the dialogs the other window systems build.
#pragma once

#include <string>
#include <string_view>

namespace tavrinole::resources {

// Name under which the script refers to the icon file; windres finds it through its
// include path (the resources folder).
inline constexpr std::string_view IconFileName = "tavrinole.ico";

// A UTF-16 text as a wide string literal of a resource script, quotes included. Plain
// ASCII stays readable; everything else becomes a four-digit \x escape, so the script
// itself is ASCII and needs no code page. A text of several lines becomes adjacent
// literals, one per line.
[[nodiscard]] std::string RcWideString(std::u16string_view text);

// The whole script: the icon group, then the main dialog, Help and About. The same
// templates always give the same bytes.
[[nodiscard]] std::string ResourceScript();

}  // namespace tavrinole::resources
