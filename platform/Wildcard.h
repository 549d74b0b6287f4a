// Windows wildcard matching of one name against one pattern component.
#pragma once

#include <string_view>

namespace svx {

// Compared without regard to letter case; "*" stands for any run of characters
// (none included); every other character stands for itself; a pattern that ends
// in ".*" also matches a name that contains no dot.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

// Letter case folding shared by every case-insensitive comparison of names.
char FoldCase(char c);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace svx
