#include "platform/Wildcard.h"

#include <vector>

namespace svx {

char FoldCase(char c) {
  // Names are narrow UTF-8 here; folding ASCII only keeps every multi-byte
  // sequence intact, and the names the tool looks for are all ASCII.
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

namespace {

// Classic greedy match with one backtrack point: linear in practice and never
// worse than name x pattern, with no recursion on hostile patterns.
bool MatchPlain(std::string_view name, std::string_view pattern) {
  size_t n = 0, p = 0;
  size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && FoldCase(pattern[p]) == FoldCase(name[n])) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  if (MatchPlain(name, pattern)) return true;
  // Windows lets "X.*" match "X" as if the missing extension were empty.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos) {
    return MatchPlain(name, pattern.substr(0, pattern.size() - 2));
  }
  return false;
}

}  // namespace svx
