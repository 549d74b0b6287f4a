// The readers of the prefix managers' own files, on texts as the managers
// write them and on the damaged ones the fuzz targets found.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/wine/Managers.h"
#include "platform/posix/wine/YamlSubset.h"
#include "support/FakePrefix.h"

namespace svx {
namespace {

TEST(ManagerFiles, ReadsTheValuesOfYamlAsPyYamlWritesIt) {
  const struct {
    const char* what;
    std::string text;
    std::optional<std::string> prefix;  // game: prefix:
  } cases[] = {
      {"plain", "game:\n  exe: x.exe\n  prefix: /games/sim\nname: Sim\n", "/games/sim"},
      {"line ends of a Windows editor", "game:\r\n  prefix: /games/sim\r\n", "/games/sim"},
      {"comment after the value", "game:\n  prefix: /games/sim # moved\n", "/games/sim"},
      {"folded onto the next line", "game:\n  prefix: /games/a very\n    long name\n",
       "/games/a very long name"},
      {"escapes of non-ASCII letters", "game:\n  prefix: \"/caf\\xE9/\\u00e9t\\xE9/\\U0001F600\"\n",
       "/caf\xC3\xA9/\xC3\xA9t\xC3\xA9/\xF0\x9F\x98\x80"},
      // Python keeps a name's bytes that are not UTF-8 as \udc80 to \udcff.
      {"a file name's byte that is not UTF-8", "game:\n  prefix: \"/caf\\uDCE9\"\n", "/caf\xE9"},
      {"a lone surrogate", "game:\n  prefix: \"/caf\\ud83d\"\n", std::nullopt},
      {"beyond the last code point", "game:\n  prefix: \"/caf\\U00110000\"\n", std::nullopt},
      {"quote never closed", "game:\n  prefix: \"/games/sim\n", std::nullopt},
      {"null", "game:\n  prefix: ~\n", std::nullopt},
      {"not a scalar", "game:\n  prefix: {}\n", std::nullopt},
      {"the key under another block", "other:\n  prefix: /x\ngame:\n  exe: y\n", std::nullopt},
      {"the key after its block ended", "game:\n  exe: y\nprefix: /x\n", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(YamlScalar(c.text, {"game", "prefix"}), c.prefix) << c.what;
  }
}

TEST(ManagerFiles, ListsSteamLibrariesOfBothForms) {
  using test::Block;
  const struct {
    const char* what;
    std::string vdf;
    std::vector<std::string> libraries;
  } cases[] = {
      {"blocks with a path",
       test::KeyValuesText(Block(
           "libraryfolders", {Block("0", {{"path", "/home/u/Steam"}, Block("apps", {{"7", "1"}})}),
                              Block("1", {{"path", "/mnt/lib"}})})),
       {"/home/u/Steam", "/mnt/lib"}},
      {"numbered values (before 2021)",
       test::KeyValuesText(
           Block("LibraryFolders",
                 {{"TimeNextStatsReport", "1700000000"}, {"1", "/mnt/lib"}, {"2", "/mnt/other"}})),
       {"/mnt/lib", "/mnt/other"}},
      {"escapes and comments",
       "// made by hand\n\"libraryfolders\" { \"0\" { path \"/mnt/a \\\"b\\\"\" } }",
       {"/mnt/a \"b\""}},
      // What follows a brace that closes nothing cannot be placed.
      {"a stray brace",
       "\"libraryfolders\" { \"0\" { \"path\" \"/mnt/a\" } } } \"1\" \"/mnt/b\"",
       {"/mnt/a"}},
      {"a block without a name", "{ \"1\" \"/mnt/a\" }", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SteamLibraries(c.vdf), c.libraries) << c.what;
  }
}

}  // namespace
}  // namespace svx
