// The filter of a common file dialog, shared by every layer that shows or records one.
#pragma once

#include <vector>

#include "platform/win32_api.h"

namespace tavrinole {

struct FilterPair {
  WString display;                // shown exactly
  std::vector<WString> patterns;  // the ';'-separated patterns, in order
  friend bool operator==(const FilterPair&, const FilterPair&) = default;
};

// Splits an lpstrFilter list ("text\0patterns\0...\0\0") into its pairs. Null gives none;
// a text without its patterns is dropped, as Windows does.
std::vector<FilterPair> ParseFilter(LPCWSTR filter);

// Whether a file name (no folder) matches one pattern the way the Windows dialogs match
// it: '*' any run, '?' one unit, letters without regard to case, and "*.*" every name,
// names without a '.' included.
bool MatchesPattern(WStringView name, WStringView pattern);

// Whether the name matches any pattern of the pair.
bool MatchesFilter(WStringView name, const FilterPair& pair);

}  // namespace tavrinole
