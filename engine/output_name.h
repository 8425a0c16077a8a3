// The name of the new document: the name chosen with Save as, plus the input path's
// text from its last '.' (searched over the whole path, folder names included), or
// plus "(2)" when the path has no '.'. Stored documents and users rely on this rule
// exactly as it is, odd cases included ("C:\mail.box\README" gives "copy.box\README").
#pragma once

#include <string_view>

#include "engine/file_system.h"

namespace tavrinole {

inline Path OutputSuffix(std::u16string_view inputPath) {
  const size_t dot = inputPath.rfind(u'.');
  return dot == std::u16string_view::npos ? Path(u"(2)") : Path(inputPath.substr(dot));
}

inline Path DeriveOutputName(std::u16string_view inputPath, std::u16string_view chosenName) {
  return Path(chosenName) + OutputSuffix(inputPath);
}

}  // namespace tavrinole
