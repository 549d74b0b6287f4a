#include "platform/Wildcard.h"

#include <gtest/gtest.h>

namespace svx {
namespace {

TEST(Wildcard, MatchesAsWindowsFindsFiles) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"L1L_0001.XXX", "L1L*.*", true},
      {"l1l_0001.xxx", "L1L*.*", true},
      {"L1L", "L1L*.*", true},  // ".*" also takes a name without a dot
      {"L1", "L1L*.*", false},
      {"XL1L.BGL", "L1L*.*", false},
      {"BRUA", "BRUA.*", true},
      {"BRUA.XXX", "BRUA.*", true},
      {"brua.bgl", "BRUA.*", true},
      {"BRUA1.BGL", "BRUA.*", false},
      {"BRUA1", "BRUA.*", false},
      {"BRUA.", "BRUA.*", true},
      {"QLPxAy.BGL", "QLP*A*.*", true},
      {"QLPxBy.BGL", "QLP*A*.*", false},
      {"a.b.c", "*.c", true},
      {"aaa", "*a*a*a*", true},
      {"aa", "*a*a*a*", false},
      {"", "*", true},
      {"", "", true},
      {"x", "", false},
      {"a.BGL", "*.bgl", true},
      {"a.BGLX", "*.bgl", false},
      {"a?c", "a?c", true},  // "?" stands for itself
      {"abc", "a?c", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesWildcard(c.name, c.pattern), c.matches)
        << "\"" << c.name << "\" against \"" << c.pattern << "\"";
  }
}

TEST(Wildcard, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(EqualsNoCase("Scenery", "SCENERY"));
  EXPECT_FALSE(EqualsNoCase("Scenery", "SCENERYS"));
  EXPECT_FALSE(EqualsNoCase("[", "{"));  // 0x5B and 0x7B differ by the case bit but are no letters
  EXPECT_FALSE(EqualsNoCase("\xC3\xA9", "\xC3\x89"));
}

}  // namespace
}  // namespace svx
