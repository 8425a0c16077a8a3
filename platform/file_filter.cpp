#include "platform/file_filter.h"

namespace tavrinole {
namespace {

// Folds ASCII and Latin-1 letters, which is all our patterns and their matches use.
WCHAR Fold(WCHAR c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
    return static_cast<WCHAR>(c + 0x20);
  }
  return c;
}

std::vector<WString> SplitPatterns(WStringView list) {
  std::vector<WString> patterns;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(WCHAR(';'), start);
    if (end == WStringView::npos) end = list.size();
    if (end > start) patterns.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return patterns;
}

// Iterative wildcard match with one backtrack point: linear in practice, no recursion.
bool Wildcard(WStringView name, WStringView pattern) {
  size_t n = 0, p = 0, starP = WStringView::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == WCHAR('*')) {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() &&
               (pattern[p] == WCHAR('?') || Fold(pattern[p]) == Fold(name[n]))) {
      ++p;
      ++n;
    } else if (starP != WStringView::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == WCHAR('*')) ++p;
  return p == pattern.size();
}

}  // namespace

std::vector<FilterPair> ParseFilter(LPCWSTR filter) {
  std::vector<FilterPair> pairs;
  if (filter == nullptr) return pairs;
  const WCHAR* at = filter;
  while (*at != 0) {
    WStringView display(at);
    at += display.size() + 1;
    if (*at == 0) break;
    WStringView patterns(at);
    at += patterns.size() + 1;
    pairs.push_back({WString(display), SplitPatterns(patterns)});
  }
  return pairs;
}

bool MatchesPattern(WStringView name, WStringView pattern) {
  if (pattern == WTEXT("*.*") || pattern == WTEXT("*")) return true;
  return Wildcard(name, pattern);
}

bool MatchesFilter(WStringView name, const FilterPair& pair) {
  for (const WString& pattern : pair.patterns) {
    if (MatchesPattern(name, pattern)) return true;
  }
  return false;
}

}  // namespace tavrinole
